#include "platform/ui/MessageBoxStyle.h"

#include "platform/automation/AutomationError.h"

namespace lv8int::msgbox {

Layout decode(int32_t style) {
  Layout l;
  switch (style & 0xF) {
    case MB_OK: l.buttons = {IDOK}; l.closeResult = IDOK; break;
    case MB_OKCANCEL: l.buttons = {IDOK, IDCANCEL}; l.closeResult = IDCANCEL; break;
    case MB_ABORTRETRYIGNORE: l.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: l.buttons = {IDYES, IDNO, IDCANCEL}; l.closeResult = IDCANCEL; break;
    case MB_YESNO: l.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: l.buttons = {IDRETRY, IDCANCEL}; l.closeResult = IDCANCEL; break;
    case MB_CANCELTRYCONTINUE:
      l.buttons = {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
      l.closeResult = IDCANCEL;
      break;
    default: raiseError(err::InvalidProcedureCall);
  }
  switch (style & 0xF0) {
    case MB_ICONCRITICAL: l.icon = Icon::Critical; break;
    case MB_ICONQUESTION: l.icon = Icon::Question; break;
    case MB_ICONEXCLAMATION: l.icon = Icon::Exclamation; break;
    case MB_ICONINFORMATION: l.icon = Icon::Information; break;
    default: l.icon = Icon::None; break;
  }
  const int index = (style >> 8) & 0xF;
  l.defaultIndex = index < static_cast<int>(l.buttons.size()) ? index : 0;
  l.topmost = (style & (MB_SYSTEMMODAL | MB_TOPMOST)) != 0;
  return l;
}

int32_t defaultResult(int32_t style) {
  const Layout l = decode(style);
  return l.buttons[static_cast<size_t>(l.defaultIndex)];
}

String buttonName(int32_t result) {
  switch (result) {
    case IDOK: return u"OK";
    case IDCANCEL: return u"Cancel";
    case IDABORT: return u"Abort";
    case IDRETRY: return u"Retry";
    case IDIGNORE: return u"Ignore";
    case IDYES: return u"Yes";
    case IDNO: return u"No";
    case IDTRYAGAIN: return u"Try Again";
    case IDCONTINUE: return u"Continue";
    default: return toString(result);
  }
}

}  // namespace lv8int::msgbox

#include "support/TestHostForm.h"

#include <QString>
#include <QWidget>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/automation/EventSource.h"
#include "platform/windows/IWindows.h"

namespace lv8int::test {

namespace {

struct MemberShape {
  const char16_t* name;
  InvokeKind kind;
  size_t arity;
};

// The members a host main form offers to the library, with their argument counts.
constexpr MemberShape kMembers[] = {
    {u"SetConsole", InvokeKind::Method, 1},       {u"ChangeLanguage", InvokeKind::Method, 0},
    {u"LoadMenu", InvokeKind::Method, 1},         {u"RegisterChildForm", InvokeKind::Method, 2},
    {u"ShowChildForm", InvokeKind::Method, 1},    {u"HideChildForm", InvokeKind::Method, 1},
    {u"SetStatusText", InvokeKind::Method, 2},    {u"Menu", InvokeKind::PropertyGet, 0},
    {u"LoadSubSystem", InvokeKind::Method, 1},    {u"Caption", InvokeKind::PropertyGet, 0},
    {u"Caption", InvokeKind::PropertyPut, 1},
};

std::string text(const Variant& v) {
  if (v.isObject()) return v.rawObject() ? "<object>" : "<nothing>";
  if (v.isMissing()) return "<missing>";
  try {
    return toUtf8(CStr(v));
  } catch (const AutomationError&) {
    return "<" + toUtf8(typeName(v.type())) + ">";
  }
}

}  // namespace

TestHostForm::TestHostForm() : menu(Variant(Ref<Object>(make<EventSink>()))), widget_(std::make_unique<QWidget>()) {
  widget_->setWindowTitle(QStringLiteral("test host"));
  widget_->setGeometry(100, 80, 800, 600);
}

TestHostForm::~TestHostForm() = default;

void TestHostForm::record(const String& member, InvokeKind kind, const Args& args) {
  Call call{member, kind, {}};
  for (const Variant& a : args) call.args.push_back(a.deref());
  calls_.push_back(std::move(call));
  if (onCall) onCall(calls_.back());
  auto it = failures_.find(member);
  if (it != failures_.end()) raiseError(it->second, u"TestHostForm", u"injected failure of " + member);
}

void TestHostForm::Show() {
  record(u"Show", InvokeKind::Method, {});
  widget_->show();
}

void TestHostForm::Hide() {
  record(u"Hide", InvokeKind::Method, {});
  widget_->hide();
}

void TestHostForm::dropConsole() {
  for (Call& c : calls_)
    for (Variant& a : c.args)
      if (console_ && a.isObject() && a.rawObject() == console_) a = Variant::nothing();
  console_ = nullptr;
}

int32_t TestHostForm::hwnd() { return IWindows::current().handleOf(widget_.get()); }

Variant TestHostForm::invoke(StringView name, InvokeKind kind, Args& args) {
  const MemberShape* shape = nullptr;
  for (const MemberShape& m : kMembers) {
    const bool kindMatches = m.kind == kind || (m.kind == InvokeKind::Method && kind == InvokeKind::PropertyGet) ||
                             (m.kind == InvokeKind::PropertyGet && kind == InvokeKind::Method);
    if (equalsNoCase(m.name, name) && kindMatches) {
      shape = &m;
      break;
    }
  }
  if (!shape) raiseError(err::MemberNotSupported);
  if (args.size() != shape->arity) raiseError(err::WrongArgumentCount);
  const String member = shape->name;
  record(member, kind, args);

  if (member == u"SetConsole") {
    const Variant& v = args[0].deref();
    if (!v.isObject()) raiseError(err::TypeMismatch);
    console_ = v.rawObject();
  } else if (member == u"Caption") {
    if (kind == InvokeKind::PropertyPut) {
      caption_ = CStr(args[0]);
      widget_->setWindowTitle(QString::fromStdU16String(caption_));
    } else {
      return Variant(caption_);
    }
  } else if (member == u"Menu") {
    return menu;
  }
  return Variant();
}

std::string TestHostForm::log() const {
  std::string out;
  for (const Call& c : calls_) {
    if (!out.empty()) out += "; ";
    out += toUtf8(c.name);
    if (c.kind == InvokeKind::PropertyPut) {
      out += "=" + (c.args.empty() ? std::string() : text(c.args.back()));
    } else if (c.kind == InvokeKind::Method) {
      out += "(";
      for (size_t i = 0; i < c.args.size(); ++i) out += (i ? "," : "") + text(c.args[i]);
      out += ")";
    }
  }
  return out;
}

}  // namespace lv8int::test

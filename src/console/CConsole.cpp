#include "console/CConsole.h"

#include <cstdio>
#include <exception>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "console/frmProgress.h"
#include "help/CHTMLHelp.h"
#include "platform/files/Files.h"
#include "typelib/Registration.h"

namespace lv8int {

CConsole::CConsole() = default;

CConsole::~CConsole() { releaseWindows(); }

void CConsole::Detach() {
  detached_ = true;
  releaseWindows();
  // The host's form commonly keeps the console: the console must not keep the form in turn.
  mainForm_ = nullptr;
}

void CConsole::releaseWindows() noexcept {
  // Runs while the application shuts down: nothing may escape from here.
  try {
    if (progress_) {
      Ref<frmProgress> progress = std::move(progress_);
      progress->Unload();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "LV8INT: unloading the progress window failed: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "LV8INT: unloading the progress window failed\n");
  }
  try {
    if (help_) {
      Ref<CHTMLHelp> help = std::move(help_);
      help->HHClose();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "LV8INT: closing help failed: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "LV8INT: closing help failed\n");
  }
}

IMDIForm& CConsole::form() const {
  if (!mainForm_) raiseError(err::ObjectNotSet);
  return *mainForm_;
}

void CConsole::forward(StringView member, Args args) const { form().invoke(member, InvokeKind::Method, args); }

void CConsole::AttachMainForm(const Ref<Object>& mainForm) {
  if (mainForm_ || detached_) return;
  if (!mainForm) raiseError(err::ObjectNotSet);
  Ref<IMDIForm> form = query<IMDIForm>(mainForm);
  if (!form) raiseError(err::TypeMismatch);
  mainForm_ = form;
  mainForm_->call(u"SetConsole", {Variant(Ref<CConsole>(this))});
}

void CConsole::ShowHelp(int32_t ContextID) {
  if (detached_) raiseError(err::ObjectNotSet);
  if (!help_) {
    Ref<CApplication> app = GZRGNTUtil::sharedApplication();
    Ref<CConfig> config = app->Config();
    if (!config) raiseError(err::ObjectNotSet);
    Ref<CHTMLHelp> help = make<CHTMLHelp>();
    const String hostFolder = files::withTrailingSeparator(files::folderOf(app->FullPath()));
    help->put_CHMFile(hostFolder + CStr(config->Properties(u"ApplicationHelpFile")));
    help_ = help;
  }
  switch (ContextID) {
    case 0: help_->HHDisplayContents(0); break;
    case 1: help_->HHDisplayIndex(0); break;
    case 2: help_->HHDisplaySearch(0); break;
    default:
      help_->put_HHTopicID(ContextID);
      help_->HHDisplayTopicID(0);
  }
}

void CConsole::RaiseEventBandOpen(const String& BandName, bool& Cancel) {
  Variant cancel(Cancel);
  Args args{Variant(BandName), Variant::byRef(cancel)};
  events_.raise(u"BandOpen", args);
  Cancel = CBool(cancel);
}

void CConsole::ChangeLanguage() { forward(u"ChangeLanguage", {}); }

Ref<CApplication> CConsole::Application() { return GZRGNTUtil::sharedApplication(); }

void CConsole::LoadMenu(const String& strRelatedToMenuPath) {
  forward(u"LoadMenu", {Variant(strRelatedToMenuPath)});
}

// The child form goes to the host as the same object; the host gets it by value, so it cannot
// replace the caller's variable.
void CConsole::RegisterChildForm(Ref<Object>& objForm, const String& strChildMenuBar) {
  forward(u"RegisterChildForm", {Variant(objForm), Variant(strChildMenuBar)});
}

void CConsole::ShowChildForm(Ref<Object>& objForm) { forward(u"ShowChildForm", {Variant(objForm)}); }

void CConsole::HideChildForm(Ref<Object>& objForm) { forward(u"HideChildForm", {Variant(objForm)}); }

Ref<Object> CConsole::Object_() const { return mainForm_; }

void CConsole::Show() { form().Show(); }

void CConsole::Hide() { form().Hide(); }

void CConsole::SetStatusText(const String& sText, const String& sToolName) {
  forward(u"SetStatusText", {Variant(sText), Variant(sToolName)});
}

Ref<Object> CConsole::Menu() {
  Args args;
  const Variant menu = form().invoke(u"Menu", InvokeKind::PropertyGet, args);
  if (!menu.isObject()) raiseError(err::ObjectRequired);
  return menu.rawObject();
}

int32_t CConsole::hwnd() { return mainForm_ ? mainForm_->hwnd() : 0; }

Ref<IProgressBar> CConsole::ProgressBar() {
  if (detached_) raiseError(err::ObjectNotSet);
  if (!progress_) progress_ = make<frmProgress>();
  return Ref<IProgressBar>(progress_.get());
}

void CConsole::LoadSubSystem(const String& sSubSystemName) { forward(u"LoadSubSystem", {Variant(sSubSystemName)}); }

const DispatchTable* CConsole::classDispatchTable() {
  using C = CConsole;
  static const DispatchTable table = DispatchBuilder<C>(u"CConsole")
                                         .method(u"ShowHelp", &C::ShowHelp)
                                         .method(u"RaiseEventBandOpen", &C::RaiseEventBandOpen)
                                         .get(u"IsClosing", &C::IsClosing)
                                         .put(u"IsClosing", &C::put_IsClosing)
                                         .method(u"ChangeLanguage", &C::ChangeLanguage)
                                         .get(u"Application", &C::Application)
                                         .method(u"LoadMenu", &C::LoadMenu)
                                         .method(u"RegisterChildForm", &C::RegisterChildForm, {.required = 1})
                                         .method(u"ShowChildForm", &C::ShowChildForm)
                                         .method(u"HideChildForm", &C::HideChildForm)
                                         .get(u"Object", &C::Object_)
                                         .method(u"Show", &C::Show)
                                         .method(u"Hide", &C::Hide)
                                         .method(u"SetStatusText", &C::SetStatusText, {.required = 0})
                                         .get(u"Menu", &C::Menu)
                                         .get(u"hwnd", &C::hwnd)
                                         .get(u"ProgressBar", &C::ProgressBar)
                                         .method(u"LoadSubSystem", &C::LoadSubSystem)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CConsole, nullptr);

}  // namespace lv8int

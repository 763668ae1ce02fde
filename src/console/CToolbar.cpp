#include "console/CToolbar.h"

#include <exception>
#include <optional>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/modXMLRegMethod.h"
#include "console/CConsole.h"
#include "platform/automation/EventSource.h"
#include "platform/controls/Twips.h"
#include "platform/helpers/Helpers.h"
#include "platform/host/IMenuTarget.h"
#include "platform/xml/XmlDocument.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

constexpr char16_t kViewToolText[] = u"General/MDIChild/ViewToolText";
constexpr char16_t kLargeIcons[] = u"General/MDIChild/LargeIcons";
constexpr int32_t kBuiltInToolID = static_cast<int32_t>(0x80000000u);
constexpr int32_t kShiftCtrl = 2;

// Runs one step of a handler that ignores errors: a failing step is skipped.
template <class F>
void step(F&& f) noexcept {
  try {
    f();
  } catch (const std::exception&) {
  }
}

Ref<Object> objectOf(const Variant& v) {
  const Variant& d = v.deref();
  if (!d.isObject() || !d.rawObject()) raiseError(err::ObjectNotSet);
  return d.rawObject();
}

// obj.member(args), which must give an object.
Ref<Object> child(const Ref<Object>& obj, StringView member, Args args = {}) {
  if (!obj) raiseError(err::ObjectNotSet);
  return objectOf(obj->invoke(member, InvokeKind::PropertyGet, args));
}

Ref<Object> bandOf(const Ref<Object>& control, const Variant& index) {
  return child(child(control, u"Bands"), u"Item", {index});
}

bool visibleAndEnabled(const Ref<Object>& tool) {
  return CBool(tool->get(u"Visible")) && CBool(tool->get(u"Enabled"));
}

Variant flag(bool on) { return Variant(static_cast<int16_t>(on ? 1 : 0)); }

}  // namespace

CToolbar::CToolbar() = default;

CToolbar::~CToolbar() {
  controlEvents_.reset();
  formEvents_.reset();
  document_.reset();
}

void CToolbar::putref_objAB2(const Ref<Object>& objAB) {
  setUp(objAB);
  mainToolbar_ = true;
}

void CToolbar::SetAB2(const Ref<Object>& objAB, const String& strForm) {
  setUp(objAB);
  mainToolbar_ = false;
  formKey_ = strForm;
  // Detaching has no toolbar to mark: nothing is loaded for it.
  if (objAB) loadShortcuts();
}

// --- set-up, tool text, layout -------------------------------------------------------------------

void CToolbar::setUp(const Ref<Object>& objAB) {
  // The previous control and form are let go together, so nothing of the previous window
  // (its form's keys, its splitter) can act for the next one when a later step fails.
  controlEvents_.reset();
  formEvents_.reset();
  mForm_ = Ref<Object>();
  mSplit_ = Ref<Object>();
  mAB2_ = objAB;
  if (!objAB) return;

  step([&] {
    auto sink = make<EventSink>();
    sink->on(u"BandOpen", [this](Args& a) { onBandOpen(a); });
    sink->on(u"ToolClick", [this](Args& a) { onToolClick(a); });
    controlEvents_.connect(objAB, sink);
  });
  step([&] { mForm_ = child(objAB, u"Parent"); });
  step([&] {
    auto sink = make<EventSink>();
    sink->on(u"Deactivate", [this](Args&) { detach(); });
    sink->on(u"Unload", [this](Args&) { detach(); });
    sink->on(u"KeyDown", [this](Args& a) { onKeyDown(a); });
    formEvents_.connect(mForm_, sink);
  });
  step([&] {
    forEach(child(mForm_, u"Controls"), [&](const Variant& v) {
      if (mSplit_ || !v.isObject() || !v.rawObject()) return;
      if (equalsNoCase(v.rawObject()->typeName(), u"Splitter")) mSplit_ = v.rawObject();
    });
  });
  if (!mSplit_) return;

  step([&] {
    mAB2_->put(u"TabStop", Variant(false));
    mAB2_->put(u"UserDefinedCustomization", Variant(true));
  });
  step([&] {
    forEach(child(mAB2_, u"Bands"), [](const Variant& band) { objectOf(band)->put(u"GrabHandleStyle", Variant(int32_t{1})); });
  });
  step([&] {
    Ref<CApplication> app = GZRGNTUtil::sharedApplication();
    showToolText_ = CBool(modXMLRegMethod::GetConfigValue(app, kViewToolText, Variant(int32_t{0}), true));
    largeIcons_ = CBool(modXMLRegMethod::GetConfigValue(app, kLargeIcons, Variant(int32_t{0}), true));
  });
  step([&] {
    if (CBool(mAB2_->get(u"LargeIcons")) != largeIcons_) mAB2_->put(u"LargeIcons", Variant(largeIcons_));
  });
  applyToolText();
  layOut(false);
}

void CToolbar::applyToolText() {
  const int32_t target = showToolText_ ? 3 : 2;
  step([&] {
    forEach(child(mAB2_, u"Bands"), [&](const Variant& b) {
      step([&] {
        Ref<Object> band = objectOf(b);
        if (CLng(band->get(u"Type")) != 0) return;
        bool done = false;
        // A band whose tool already has the style was styled before: stop there.
        forEach(child(band, u"Tools"), [&](const Variant& t) {
          if (done) return;
          Ref<Object> tool = objectOf(t);
          if (CLng(tool->get(u"Style")) == target) {
            done = true;
            return;
          }
          tool->put(u"Style", Variant(target));
          tool->put(u"CaptionPosition", Variant(int32_t{4}));
        });
      });
    });
  });
  step([&] { mAB2_->call(u"RecalcLayout"); });
}

void CToolbar::layOut(bool save) {
  step([&] {
    const int32_t bandHeight = CLng(bandOf(mAB2_, Variant(int32_t{1}))->get(u"Height"));
    mAB2_->put(u"Height", Variant(bandHeight + 2 * twips::perPixelY()));
  });
  step([&] {
    if (!mSplit_) raiseError(err::ObjectNotSet);
    mSplit_->put(u"Top", Variant(CLng(mAB2_->get(u"Top")) + CLng(mAB2_->get(u"Height"))));
  });
  if (!save) return;
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  step([&] { modXMLRegMethod::SetConfigValue(app, kViewToolText, flag(showToolText_), flag(false), true, true); });
  step([&] { modXMLRegMethod::SetConfigValue(app, kLargeIcons, flag(largeIcons_), flag(false), true, true); });
}

// --- control and form events ---------------------------------------------------------------------

void CToolbar::onBandOpen(Args& args) {
  Ref<Object> band;
  step([&] {
    band = objectOf(args.at(0));
    if (CStr(band->get(u"Name")) != u"SysCustomize") band = Ref<Object>();
  });
  if (!band) return;
  step([&] {
    forEach(child(band, u"Tools"), [](const Variant& t) {
      Ref<Object> tool = objectOf(t);
      if (CLng(tool->get(u"ID")) == kBuiltInToolID) tool->put(u"Visible", Variant(false));
    });
  });
  const auto addView = [&](int32_t id, const String& name, const String& caption, bool checked) {
    step([&] {
      Ref<Object> tool = objectOf(child(band, u"Tools")->call(u"Add", {Variant(id), Variant(name)}));
      tool->put(u"Caption", Variant(caption));
      tool->put(u"Checked", Variant(checked));
    });
  };
  addView(0x7FFFFFFF, u"ViewToolText", u"按钮文字", showToolText_);
  addView(0x7FFFFFFE, u"LargeIcons", u"大图标", largeIcons_);
}

void CToolbar::onToolClick(Args& args) {
  Ref<Object> tool;
  String name;
  step([&] {
    tool = objectOf(args.at(0));
    name = CStr(tool->get(u"Name"));
  });
  if (name == u"ViewToolText") {
    step([&] { showToolText_ = !CBool(tool->get(u"Checked")); });
    applyToolText();
    layOut(true);
  } else if (name == u"LargeIcons") {
    step([&] { largeIcons_ = !CBool(tool->get(u"Checked")); });
    step([&] { mAB2_->put(u"LargeIcons", Variant(largeIcons_)); });
    step([&] { mAB2_->call(u"RecalcLayout"); });
    layOut(true);
  }
}

void CToolbar::detach() { setUp(Ref<Object>()); }

void CToolbar::onKeyDown(Args& args) {
  if (mainToolbar_ || args.size() < 2) return;
  if (CLng(args[1]) != kShiftCtrl) return;
  const int32_t keyCode = CLng(args[0]);
  for (const Shortcut& entry : shortcuts_) {
    if (entry.key != keyCode) continue;
    // A copy: the command may attach another form and replace the entries.
    if (execute(Shortcut(entry))) args[0].deref() = Variant(int16_t{0});
    return;
  }
}

bool CToolbar::execute(const Shortcut& entry) {
  bool decided = false;
  if (!entry.ToolBand.empty()) {
    Ref<Object> band;
    try {
      band = bandOf(mAB2_, Variant(entry.ToolBand));
    } catch (const AutomationError&) {
      return false;  // the control no longer has the band: the key is not a shortcut here
    }
    Ref<Object> tools = child(band, u"Tools");
    if (helpers::keyExists(tools, entry.ToolName)) {
      if (!visibleAndEnabled(child(tools, u"Item", {Variant(entry.ToolName)}))) return false;
      decided = true;
    }
  }
  if (!decided) {
    if (entry.MenuName.empty()) return false;
    Ref<CConsole> console = GZRGNTUtil::sharedApplication()->Console();
    if (!console) raiseError(err::ObjectNotSet);
    Ref<Object> tools = child(console->Menu(), u"Tools");
    if (!helpers::keyExists(tools, entry.MenuName)) return false;
    if (!visibleAndEnabled(child(tools, u"Item", {Variant(entry.MenuName)}))) return false;
  }
  Ref<IMenuTarget> target = query<IMenuTarget>(mForm_);
  if (!target) raiseError(mForm_ ? err::TypeMismatch : err::ObjectNotSet);
  target->ExecuteMenu(entry.MenuName);
  return true;
}

// --- shortcut definitions ------------------------------------------------------------------------

xml::XmlDocument& CToolbar::shortcutDocument() {
  if (!document_) {
    Ref<CConfig> config = GZRGNTUtil::sharedApplication()->Config();
    if (!config) raiseError(err::ObjectNotSet);  // before Init: nothing read, nothing kept
    const String file = config->SystemPath() + u"ShortCut/SCDefine.xml";
    // Kept even when the load fails: the file is read once per object.
    document_ = std::make_unique<xml::XmlDocument>();
    if (!document_->load(file)) {
      const xml::XmlParseError& e = document_->parseError();
      raiseError(e.errorCode, kDefaultErrorSource, e.reason);
    }
  }
  return *document_;
}

void CToolbar::loadShortcuts() {
  // Entries of the previous form never stand for this one, whatever fails below.
  shortcuts_.clear();
  xml::XmlDocument& doc = shortcutDocument();
  // "Root/<form key>/tool", walked element by element: a form key is a name, never an
  // expression, so a key such as "*" or "a[" finds no form instead of another form's entries.
  const auto children = [](const xml::XmlNode& parent, StringView name) {
    xml::XmlNodeList found;
    for (xml::XmlNode n = parent.firstChild(); n; n = n.nextSibling())
      if (n.type() == xml::XmlNodeType::Element && n.name() == name) found.push_back(n);
    return found;
  };
  const xml::XmlNodeList roots = children(doc.document(), u"Root");
  const xml::XmlNodeList forms = roots.empty() ? xml::XmlNodeList() : children(roots[0], formKey_);
  if (forms.empty()) raiseError(err::ObjectNotSet);
  const xml::XmlNodeList tools = children(forms[0], u"tool");
  if (tools.empty()) raiseError(err::SubscriptOutOfRange);
  shortcuts_.resize(tools.size());
  for (size_t i = 0; i < tools.size(); ++i) {
    Shortcut& entry = shortcuts_[i];
    const auto attribute = [&](StringView name) {
      std::optional<String> v = tools[i].attribute(name);
      if (!v) raiseError(err::InvalidUseOfNull);
      return *v;
    };
    entry.ToolBand = attribute(u"ToolBand");
    entry.ToolName = attribute(u"ToolName");
    entry.MenuName = attribute(u"MenuName");
    const String shortCut = attribute(u"ShortCut");
    if (shortCut.empty()) raiseError(err::InvalidProcedureCall);
    entry.key = shortCut[0];

    // An entry for the menu alone names no tool to mark.
    if (entry.ToolBand.empty()) continue;
    Ref<Object> tool = child(child(bandOf(mAB2_, Variant(entry.ToolBand)), u"Tools"), u"Item", {Variant(entry.ToolName)});
    String description = CStr(tool->get(u"Description"));
    if (description.empty()) {
      description = CStr(tool->get(u"Caption"));
      tool->put(u"Description", Variant(description));
    }
    if (foldCase(description).find(u"ctrl") == String::npos)
      tool->put(u"Description", Variant(description + u" (Ctrl-" + shortCut + u")"));
  }
}

const DispatchTable* CToolbar::classDispatchTable() {
  using C = CToolbar;
  static const DispatchTable table = DispatchBuilder<C>(u"CToolbar")
                                         .putRef(u"objAB2", &C::putref_objAB2)
                                         .method(u"SetAB2", &C::SetAB2, {.required = 0})
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CToolbar, nullptr);

}  // namespace lv8int

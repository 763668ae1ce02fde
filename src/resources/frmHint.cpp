#include "resources/frmHint.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <iostream>
#include <memory>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "platform/automation/Conversions.h"
#include "platform/ui/UiSupport.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryValues.h"
#include "resources/ErrBoxDialog.h"
#include "resources/FormSupport.h"
#include "resources/HintDialog.h"

namespace lv8int {

namespace {

constexpr char16_t kFlagKey[] = u"hint";

// The first `hint` element below the root whose name attribute is the name, compared exactly
// as text (the name is never part of a query).
xml::XmlNode findHint(const xml::XmlDocument& doc, const String& name) {
  for (const xml::XmlNode& node : doc.documentElement().childNodes()) {
    if (node.type() != xml::XmlNodeType::Element || node.name() != u"hint") continue;
    const std::optional<String> attr = node.attribute(u"name");
    if (attr && *attr == name) return node;
  }
  return {};
}

String withCrLf(const String& text) {
  String out;
  out.reserve(text.size() + text.size() / 16);
  for (char16_t c : text) {
    if (c == u'\n') out += u'\r';
    out += c;
  }
  return out;
}

}  // namespace

frmHint& frmHint::shared() {
  thread_local frmHint form;
  return form;
}

bool frmHint::ShowHint(const String& sHintName) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<CConfig> config = app->Config();
  if (!config) raiseError(err::ObjectNotSet);
  return showHint(sHintName, config->SystemPath() + u"hintdef.xml", [app] {
    Ref<XMLRegistry> store = app->UserConfig();
    if (!store) raiseError(err::ObjectNotSet);
    return store;
  });
}

bool frmHint::isSuppressed(const String& sHintName, const Ref<XMLRegistry>& store) {
  return CBool(store->RootKey()->OpenKey(kFlagKey, true)->GetValue(sHintName, Variant(u"0")));
}

void frmHint::suppress(const String& sHintName, const Ref<XMLRegistry>& store) {
  store->RootKey()->OpenKey(kFlagKey, true)->Values()->Item(Variant(sHintName))->SetValue(u"1");
}

bool frmHint::showHint(const String& sHintName, const String& hintFile,
                       const std::function<Ref<XMLRegistry>()>& userStore) {
  // Read afresh on every call, so that edits take effect at once.
  xml::XmlDocument doc;
  if (!doc.load(hintFile)) return false;
  const xml::XmlNode hint = findHint(doc, sHintName);
  if (!hint) return false;
  const xml::XmlNode cdata = hint.firstChild();
  if (!cdata) raiseError(err::ObjectNotSet);
  if (cdata.type() != xml::XmlNodeType::CData) raiseError(err::TypeMismatch);

  if (isSuppressed(sHintName, userStore())) return false;
  const String text = withCrLf(cdata.value());

  if (!ui::canShowWidgets()) {
    std::cerr << "[hint] 提示: " << toUtf8(text) << "\n[下次不再显示此提示: clear] [buttons: 确定] "
              << "(no interactive display)" << std::endl;
    return true;
  }
  if (dialog_) raiseError(400, kDefaultErrorSource, u"Form already displayed; can't show modally");

  // The form is loaded for this showing only and unloaded however the call ends.
  std::unique_ptr<HintDialog> box = std::make_unique<HintDialog>();
  dialog_ = box.get();
  struct Unload {
    frmHint& form;
    ~Unload() { form.dialog_ = nullptr; }
  } unload{*this};

  ErrBoxDialog::setBoxText(box->txtMsg, text);
  forms::centreOver(box.get(), nullptr);
  box->txtMsg->setFocus();
  box->exec();

  if (box->chkNextDontShow->isChecked()) {
    suppress(sHintName, userStore());
    return false;
  }
  return true;
}

}  // namespace lv8int

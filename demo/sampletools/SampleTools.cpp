#include "SampleTools.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Variant.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/pictures/Picture.h"
#include "resources/GResman.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QIcon>
#include <QPixmap>

namespace lv8demo {

using namespace lv8int;

const std::vector<SampleTool> kVoucherTools = {
    {u"Standard", u"New", 1, u"新增", QStyle::SP_FileIcon},
    {u"Standard", u"Save", 2, u"保存", QStyle::SP_DialogSaveButton},
    {u"Standard", u"Delete", 3, u"删除", QStyle::SP_TrashIcon},
    {u"Standard", u"Print", 4, u"打印", QStyle::SP_FileDialogDetailedView},
    {u"Browse", u"First", 5, u"首张", QStyle::SP_MediaSkipBackward},
    {u"Browse", u"Previous", 6, u"上张", QStyle::SP_ArrowLeft},
    {u"Browse", u"Next", 7, u"下张", QStyle::SP_ArrowRight},
    {u"Browse", u"Last", 8, u"末张", QStyle::SP_MediaSkipForward},
    {u"Browse", u"Close", 9, u"退出", QStyle::SP_DialogCloseButton},
};
const std::vector<SampleTool> kListTools = {
    {u"Standard", u"Refresh", 10, u"刷新", QStyle::SP_BrowserReload},
    {u"Standard", u"Print", 4, u"打印", QStyle::SP_FileDialogDetailedView},
};
const std::vector<SampleTool> kConfigTools = {
    {u"Standard", u"Refresh", 10, u"刷新", QStyle::SP_BrowserReload},
    {u"Standard", u"Expand", 11, u"展开", QStyle::SP_ToolBarVerticalExtensionButton},
};

namespace {

// The application's resource stores, or none when it has no resource.ini or no module in
// slot 0 (GResman raises then).
Ref<GResman> resources() {
  try {
    Ref<GResman> resman = make<GResman>();
    if (resman->count() > 0 && resman->kindOf(0) == GResman::StoreKind::Dll) return resman;
  } catch (const AutomationError&) {
  }
  return nullptr;
}

// The module's icon in its small and its normal size; null when it has neither.
QIcon moduleIcon(GResman& resman, int32_t number) {
  QIcon icon;
  for (int32_t size : {0, 1}) {  // the small and the normal icon size codes
    try {
      if (Ref<Picture> p = resman.GetIcon(String(fromUtf8(std::to_string(number))), size); p && !p->image().isNull())
        icon.addPixmap(QPixmap::fromImage(p->image()));
    } catch (const AutomationError&) {
    }
  }
  return icon;
}

}  // namespace

void addSampleTools(ToolbarControl& bar, const std::vector<SampleTool>& tools) {
  Ref<GResman> resman = resources();
  for (const SampleTool& t : tools) {
    Ref<ToolbarBand> band = bar.addBand(t.band);
    Ref<ToolbarTool> tool = band->Tools()->Add(band->Tools()->Count() + 1, t.name);
    String caption = t.caption;
    QIcon icon;
    if (resman) {
      // A module without the string answers with its not-found text, which starts with "<".
      String text = resman->GetString(t.resource);
      if (!text.empty() && text[0] != u'<') caption = std::move(text);
      icon = moduleIcon(*resman, t.resource);
    }
    tool->put_Caption(caption);
    tool->setIcon(icon.isNull() ? QApplication::style()->standardIcon(t.icon) : icon);
  }
}

}  // namespace lv8demo

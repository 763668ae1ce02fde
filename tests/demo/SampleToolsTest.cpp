// The sample tools' captions and icons: from the resource module in the application's GResman
// slot 0 where it has them, the built-in ones where it has not or there is no module.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <filesystem>

#include "SampleTools.h"
#include "app/CApplication.h"
#include "platform/controls/ChildForm.h"
#include "platform/controls/ToolbarBand.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/controls/ToolbarTool.h"
#include "platform/controls/ToolbarTools.h"
#include "support/AppHarness.h"
#include "support/PeFixtures.h"

namespace lv8int {
namespace {

using lv8demo::SampleTool;

// String 1 of the fixture module is "中文一"; it has no string 2; icon 12's 16-pixel image is red.
const std::vector<SampleTool> kTools = {
    {u"Standard", u"One", 1, u"内置一", QStyle::SP_FileIcon},
    {u"Standard", u"Two", 2, u"内置二", QStyle::SP_TrashIcon},
    {u"Other", u"Twelve", 12, u"内置十二", QStyle::SP_ArrowLeft},
};

class SampleTools : public ::testing::Test {
 protected:
  test::AppHarness h;
  Ref<ChildForm> form = make<ChildForm>(u"表单");
  Ref<ToolbarControl> bar = make<ToolbarControl>(*form);

  SampleTools() { h.init(); }
  void listModule(const std::string& ini) {
    const std::string resource = h.tree.systemFolder() + "Resource/";
    std::filesystem::create_directories(resource);
    std::filesystem::copy_file(test::peFixture(64), resource + "res.dll");
    h.tree.folder().write(resource.substr(h.tree.folder().path().size()) + "resource.ini", ini);
  }
  Ref<ToolbarTool> tool(const char16_t* band, const char16_t* name) { return bar->band(band)->Tools()->find(name); }
};

TEST_F(SampleTools, CaptionsAndIconsComeFromTheModuleWhereItHasThem) {
  listModule("[resource]\n0=res.dll\n");
  lv8demo::addSampleTools(*bar, kTools);
  ASSERT_TRUE(tool(u"Standard", u"One") && tool(u"Standard", u"Two") && tool(u"Other", u"Twelve"));
  EXPECT_EQ(tool(u"Standard", u"One")->Caption(), u"中文一");
  EXPECT_EQ(tool(u"Standard", u"Two")->Caption(), u"内置二") << "the module's not-found text is no caption";
  const QIcon* icon = tool(u"Other", u"Twelve")->icon();
  ASSERT_TRUE(icon && !icon->isNull());
  EXPECT_EQ(icon->pixmap(16, 16).toImage().pixelColor(8, 8), QColor(255, 0, 0)) << "the module's icon 12";
}

TEST_F(SampleTools, WithoutAModuleInSlotZeroTheBuiltInOnesServe) {
  for (const char* ini : {"", "[resource]\n1=res.dll\n"}) {
    SCOPED_TRACE(ini);
    if (*ini) listModule(ini);
    Ref<ChildForm> other = make<ChildForm>(u"表单");
    bar = make<ToolbarControl>(*other);
    lv8demo::addSampleTools(*bar, kTools);
    EXPECT_EQ(tool(u"Standard", u"One")->Caption(), u"内置一");
    EXPECT_EQ(tool(u"Other", u"Twelve")->Caption(), u"内置十二");
    ASSERT_TRUE(tool(u"Other", u"Twelve")->icon());
    EXPECT_EQ(tool(u"Other", u"Twelve")->icon()->pixmap(16, 16).toImage(),
              QApplication::style()->standardIcon(QStyle::SP_ArrowLeft).pixmap(16, 16).toImage());
  }
}

}  // namespace
}  // namespace lv8int

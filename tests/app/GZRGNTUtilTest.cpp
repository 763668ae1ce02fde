// The global utility class: one shared application per thread, and the message box with the
// application's title.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "platform/ServiceScope.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/ui/IMessageBox.h"
#include "support/AppHarness.h"
#include "support/RaisedError.h"
#include "support/RecordingMessageBox.h"

namespace lv8int {
namespace {

using test::RecordingMessageBox;

TEST(GZRGNTUtil, EveryUseInAThreadReachesThatThreadsOneApplication) {
  Ref<CApplication> mine = GZRGNTUtil::sharedApplication();
  EXPECT_TRUE(make<GZRGNTUtil>()->Application() == mine);
  EXPECT_TRUE(GZRGNTUtil::global()->Application() == mine);
  EXPECT_TRUE(GZRGNTUtil::global() == GZRGNTUtil::global());
  // Created by ProgID, as a client creates the global class.
  Ref<Object> created = ComponentRegistry::instance().create(u"LV8INT.GZRGNTUtil");
  EXPECT_TRUE(created->get(u"Application").rawObject() == mine);

  Ref<CApplication> other;
  std::thread([&] {
    other = make<GZRGNTUtil>()->Application();
    // Kept alive past the thread's end only by this reference.
    EXPECT_TRUE(GZRGNTUtil::sharedApplication() == other);
  }).join();
  ASSERT_TRUE(other);
  EXPECT_FALSE(other == mine);
}

TEST(GZRGNTUtil, MGBWithATextOnlyShowsOKWithTheApplicationTitle) {
  test::AppHarness h;
  h.init();
  RecordingMessageBox box;
  ServiceScope<IMessageBox> scope(box);
  EXPECT_EQ(GZRGNTUtil::global()->MGB(u"凭证已保存。"), 1);
  // Late-bound with the text only, as hosts call it.
  box.answer = 1;
  EXPECT_EQ(CLng(GZRGNTUtil::global()->call(u"MGB", {Variant(u"第二条")})), 1);
  ASSERT_EQ(box.shown.size(), 2u);
  for (const auto& s : box.shown) {
    EXPECT_EQ(s.style, 0);
    EXPECT_EQ(s.caption, std::optional<String>(u"测试账务系统"));
  }
  EXPECT_EQ(box.shown[0].text, u"凭证已保存。");
}

TEST(GZRGNTUtil, MGBPassesTheStyleAndTitleAndReturnsTheButtonChosen) {
  RecordingMessageBox box;
  box.answer = 7;
  std::optional<int32_t> result;
  // A fresh thread: no Init, so only an explicit title can work.
  std::thread([&] {
    ServiceScope<IMessageBox> scope(box);
    result = CLng(GZRGNTUtil::global()->call(
        u"MGB", {Variant(u"删除吗？"), Variant(u"36"), Variant(u"总账"), Variant(u"ledger.chm"), Variant(int32_t{12})}));
  }).join();
  EXPECT_EQ(result, 7);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].style, 36);
  EXPECT_EQ(box.shown[0].caption, std::optional<String>(u"总账"));
}

TEST(GZRGNTUtil, MGBWithoutATitleBeforeInitFailsWithoutShowingAnything) {
  RecordingMessageBox box;
  int32_t error = 0;
  std::thread([&] {
    ServiceScope<IMessageBox> scope(box);
    error = test::errorOf([] { GZRGNTUtil::global()->MGB(u"没有标题"); });
  }).join();
  EXPECT_EQ(error, err::ObjectNotSet);
  EXPECT_TRUE(box.shown.empty());
}

// A host form without a window, for a thread that has no user interface.
class WindowlessForm : public IMDIForm {
 public:
  explicit WindowlessForm(bool& ended) : ended_(ended) {}
  ~WindowlessForm() override { ended_ = true; }
  void Show() override {}
  void Hide() override {}
  int32_t hwnd() override { return 0; }
  Variant invoke(StringView, InvokeKind, Args&) override { return Variant(); }

 private:
  bool& ended_;
};

TEST(GZRGNTUtil, TheThreadsApplicationIsShutDownWhenTheThreadEnds) {
  test::ConfigTree tree;
  bool formEnded = false;
  bool initialised = false;
  std::thread([&] {
    Registry registry{String(), String()};
    ServiceScope<IRegistry> scope(registry);
    Ref<CApplication> app = GZRGNTUtil::sharedApplication();
    app->Init(make<WindowlessForm>(formEnded), tree.hostPath());
    initialised = bool(app->Console());
  }).join();
  EXPECT_TRUE(initialised);
  // Terminate released the console and the form it held.
  EXPECT_TRUE(formEnded);
}

}  // namespace
}  // namespace lv8int

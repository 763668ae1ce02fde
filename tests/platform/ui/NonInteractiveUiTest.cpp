#include "platform/ui/NonInteractiveUi.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <sstream>

#include "platform/automation/AutomationError.h"
#include "platform/ui/MessageBoxStyle.h"
#include "support/ChildProcess.h"
#include "support/RaisedError.h"

using namespace lv8int;
using namespace lv8int::msgbox;
using ::testing::HasSubstr;

TEST(NonInteractiveUi, MessageBoxAnswersItsDefaultButtonAndSaysWhatItWouldShow) {
  std::ostringstream out;
  NonInteractiveUi ui(out);
  EXPECT_EQ(ui.show(u"继续吗？", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, u"总账"), IDNO);
  EXPECT_EQ(out.str(),
            "[message box, question] 总账: 继续吗？\n[buttons: Yes No] answered No (no interactive display)\n");

  EXPECT_EQ(ui.show(u"t", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
  EXPECT_EQ(ui.show(u"t", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3), IDCONTINUE);
  EXPECT_EQ(ui.show(u"t", MB_OKCANCEL | MB_DEFBUTTON3), IDOK);  // beyond the last: the first
  EXPECT_EQ(ui.show(u"t", MB_RETRYCANCEL | MB_ICONCRITICAL), IDRETRY);
  EXPECT_EQ(ui.show(u"t"), IDOK);

  EXPECT_EQ(test::raisedError([&] { ui.show(u"t", 9); }).number(), err::InvalidProcedureCall);
}

TEST(NonInteractiveUi, FolderDialogIsCancelledAndLeavesTheFolderAlone) {
  std::ostringstream out;
  NonInteractiveUi ui(out);
  String folder = u"/opt/配置";
  EXPECT_FALSE(ui.browseForFolder(folder, 0, nullptr, u"请选择系统配置目录。"));
  EXPECT_EQ(folder, u"/opt/配置");
  EXPECT_THAT(out.str(), HasSubstr("请选择系统配置目录。"));
  EXPECT_THAT(out.str(), HasSubstr("cancelled"));
}

// The services themselves choose the non-interactive answers in a process without a
// QApplication (see ChildMode.cpp).
TEST(NonInteractiveUi, ServicesAnswerWithoutShowingInAProcessWithoutApplication) {
  QProcess child;
  child.start(QString::fromStdString(test::selfExecutable()),
              {QStringLiteral("--lv8-child=ui-without-app"),
               QStringLiteral("--style=%1").arg(MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON3)});
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_EQ(child.exitCode(), 0);
  EXPECT_EQ(child.readAllStandardOutput().trimmed(), "answer=2 chosen=0 folder=/start/here/");
  const QString err = QString::fromUtf8(child.readAllStandardError());
  EXPECT_TRUE(err.contains(QStringLiteral("[message box, exclamation] 总账: 要删除凭证吗？"))) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("[buttons: Yes No Cancel] answered Cancel"))) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("[folder dialog] 请选择系统配置目录。"))) << err.toStdString();
}

// Child mode of this test program: "--lv8-child=ui-without-app" shows a message box and a
// folder dialog through the services before any QApplication exists, prints the answers and
// ends. NonInteractiveUiTest starts it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/ui/IFolderDialog.h"
#include "platform/ui/IMessageBox.h"
#include "support/ChildProcess.h"

namespace {

bool runChildMode() {
  using namespace lv8int;
  if (test::commandLineOption("lv8-child") != "ui-without-app") return false;
  const int style = std::atoi(test::commandLineOption("style").value_or("0").c_str());
  const int32_t answer = IMessageBox::current().show(u"要删除凭证吗？", style, u"总账");
  String folder = u"/start/here/";
  const bool chosen = IFolderDialog::current().browseForFolder(folder, 0, nullptr, u"请选择系统配置目录。");
  std::cout << "answer=" << answer << " chosen=" << chosen << " folder=" << toUtf8(folder) << std::endl;
  std::fflush(nullptr);
  ::_exit(0);
}

const bool childModeChecked = runChildMode();

}  // namespace

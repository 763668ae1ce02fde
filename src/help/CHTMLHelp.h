#pragma once
// CHTMLHelp: opens the application's compiled help file (.chm) for the console.
#include <cstdint>

#include "platform/automation/Object.h"

namespace lv8int {

class CHTMLHelp : public Object {
 public:
  void put_CHMFile(const String& vData) { chmFile_ = vData; }
  String CHMFile() const { return chmFile_; }
  void put_HHTopicID(int32_t vData) { topicID_ = vData; }
  void HHDisplayContents(int32_t CallingForm = 0);
  void HHDisplayIndex(int32_t CallingForm = 0);
  void HHDisplaySearch(int32_t CallingForm = 0);
  void HHDisplayTopicID(int32_t CallingForm = 0);
  void HHClose();
  bool EnsureFileExists(String& FileToFind);
  void HHCheckRegistry(String& FileToCheck);

 private:
  // The steps every display member runs: file-type check, EnsureFileExists, the command.
  void display(int32_t command, int32_t data, int32_t callingForm);

  String chmFile_;
  int32_t topicID_ = 0;
  String regFileName_;
  String regFilePath_;
};

}  // namespace lv8int

#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the scope.
#include <string>
#include <string_view>

#include "platform/automation/String.h"

namespace lv8int::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, ending with "/".
  const std::string& path() const { return path_; }
  // path() + relative, as UTF-8 and as automation text.
  std::string file(std::string_view relative) const { return path_ + std::string(relative); }
  String name(std::string_view relative) const { return fromUtf8(file(relative)); }

  // Writes a file (creating folders) and reads one back ("" when missing).
  void write(std::string_view relative, std::string_view bytes) const;
  std::string read(std::string_view relative) const;
  bool exists(std::string_view relative) const;
  void mkdir(std::string_view relative) const;
  // Names of the entries of a folder, sorted.
  std::string list(std::string_view relative = "") const;

 private:
  std::string path_;
};

// The bytes of any file ("" when it cannot be read).
std::string readBytes(const std::string& path);

}  // namespace lv8int::test

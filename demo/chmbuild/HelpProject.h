#pragma once
// A help project (.hhp) as the help compiler reads it: [OPTIONS] with the contents and index
// files, the default topic, the title and the language; [FILES] with the pages and pictures;
// [MAP] with "#define NAME number" lines and [ALIAS] with "NAME=page" lines, which together
// give the context numbers. Its files are read from the project's folder into a ChmWriter.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lv8demo {

class ChmWriter;

class HelpProject {
 public:
  // Reads the project at `path`; throws std::runtime_error naming the file and line of a fault.
  explicit HelpProject(const std::string& path);

  const std::string& option(const std::string& name) const;  // "" when absent; names as written
  const std::vector<std::string>& files() const { return files_; }
  // Context number -> page, from the [MAP] names their [ALIAS] entries give a page.
  const std::map<uint32_t, std::string>& contexts() const { return contexts_; }

  // Fills `writer` with the files (the contents and index files included) and the settings;
  // throws std::runtime_error when a file cannot be read.
  void fill(ChmWriter& writer) const;

 private:
  std::string folder_;
  std::map<std::string, std::string> options_;
  std::vector<std::string> files_;
  std::map<uint32_t, std::string> contexts_;
};

}  // namespace lv8demo

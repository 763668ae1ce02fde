#include "HelpProject.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ChmWriter.h"

namespace lv8demo {

namespace {

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Project names use either separator; entries use "/".
std::string entryName(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace

HelpProject::HelpProject(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  folder_ = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  std::istringstream text(readFile(path));
  std::string section, line;
  std::map<std::string, uint32_t> defines;  // upper-case name -> number
  std::map<std::string, std::string> aliases;  // upper-case name -> page
  for (int number = 1; std::getline(text, line); ++number) {
    const auto fault = [&](const std::string& what) {
      return std::runtime_error(path + ":" + std::to_string(number) + ": " + what);
    };
    line = trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = upper(line.substr(1, line.size() - 2));
      continue;
    }
    if (section == "OPTIONS") {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) throw fault("an option needs a value");
      options_[upper(trim(line.substr(0, eq)))] = trim(line.substr(eq + 1));
    } else if (section == "FILES") {
      files_.push_back(entryName(line));
    } else if (section == "MAP") {
      std::istringstream words(line);
      std::string define, name, value;
      words >> define >> name >> value;
      if (define != "#define" || name.empty() || value.empty()) throw fault("expected #define NAME number");
      try {
        size_t used = 0;
        const unsigned long n = std::stoul(value, &used, 0);
        if (used != value.size() || n > 0xFFFFFFFFul) throw fault("not a context number: " + value);
        defines[upper(name)] = static_cast<uint32_t>(n);
      } catch (const std::logic_error&) {
        throw fault("not a context number: " + value);
      }
    } else if (section == "ALIAS") {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) throw fault("expected NAME=page");
      aliases[upper(trim(line.substr(0, eq)))] = entryName(trim(line.substr(eq + 1)));
    }
  }
  for (const auto& [name, id] : defines) {
    auto alias = aliases.find(name);
    if (alias == aliases.end()) throw std::runtime_error(path + ": context " + name + " has no page in [ALIAS]");
    if (std::find(files_.begin(), files_.end(), alias->second) == files_.end())
      throw std::runtime_error(path + ": context " + name + " names " + alias->second + ", which is not in [FILES]");
    contexts_[id] = alias->second;
  }
}

const std::string& HelpProject::option(const std::string& name) const {
  static const std::string none;
  auto it = options_.find(upper(name));
  return it == options_.end() ? none : it->second;
}

void HelpProject::fill(ChmWriter& writer) const {
  std::vector<std::string> names = files_;
  for (const char* extra : {"Contents file", "Index file"})
    if (!option(extra).empty()) names.push_back(entryName(option(extra)));
  for (const std::string& name : names) writer.add(name, readFile(folder_ + name));
  writer.setContentsFile(entryName(option("Contents file")));
  writer.setIndexFile(entryName(option("Index file")));
  writer.setDefaultTopic(entryName(option("Default topic")));
  writer.setTitle(option("Title"));
  // "Language=0x804 Chinese (PRC)": the number in front.
  if (const std::string& language = option("Language"); !language.empty()) {
    try {
      writer.setLanguage(static_cast<uint32_t>(std::stoul(language, nullptr, 0)));
    } catch (const std::logic_error&) {
      throw std::runtime_error("not a language number: " + language);
    }
  }
  for (const auto& [id, page] : contexts_) writer.mapContext(id, page);
}

}  // namespace lv8demo

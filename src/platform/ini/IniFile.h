#pragma once
// INI files with the semantics Windows programs expect: "[section]" headers, "key=value"
// lines, ';' comment lines; section and key names compared without regard to case (the first
// of repeated sections or keys counts); names and values trimmed of spaces and tabs, and a
// value enclosed in a pair of matching quotes loses them. Writes change or add one line and
// keep every other byte of the file: its other lines, comments, order, line ends and encoding.
//
// Encodings: UTF-8 (with or without a byte-order mark), UTF-16LE with a byte-order mark, and
// for a file that is not valid UTF-8 the ANSI code page. A written text that the file's ANSI
// code page cannot represent turns the file into UTF-8 rather than lose characters.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int::ini {

enum class Encoding { Utf8, Utf8Bom, Utf16LE, Ansi };

class IniFile {
 public:
  IniFile() = default;

  // The file's content; a file that is missing or cannot be read gives an empty one.
  static IniFile load(StringView path);
  static IniFile parse(std::string_view bytes);

  // The bytes of the file; parse(b).serialize() == b for any b.
  std::string serialize() const;
  // Atomic replacement of the file (files::writeFileAtomically), folders created as needed.
  void save(StringView path) const;

  std::optional<String> value(StringView section, StringView key) const;
  String read(StringView section, StringView key, StringView defaultValue = u"") const;
  // Keys of the first section of that name, in file order, each once.
  std::vector<String> keys(StringView section) const;
  std::vector<String> sections() const;

  // Sets a value, adding the key after the section's last key, or the section at the end.
  // Error 5 for an empty section or key name and for names or values that would change the
  // file's structure (line breaks; "]" in a section; "=" in a key, or a key starting with
  // ';' or '[').
  void write(StringView section, StringView key, StringView value);
  // True when something was removed.
  bool removeKey(StringView section, StringView key);
  bool removeSection(StringView section);

  Encoding encoding() const noexcept { return encoding_; }

 private:
  struct Line {
    std::string raw;  // bytes in the file's encoding, without the line end
    std::string eol;  // the line end as it was ("\r\n", "\n", or "" for a last line without one)
    String text;      // decoded
    bool dirty = false;
  };
  enum class Kind { Blank, Comment, Section, Key, Other };
  struct Parsed {
    Kind kind = Kind::Other;
    String name;   // section or key name, trimmed
    String value;  // key value, trimmed and unquoted
  };
  static Parsed classify(const String& text);
  // [first, end) line indexes of the body of the first section of that name; header at first-1.
  bool findSection(StringView section, size_t& first, size_t& end) const;
  std::string encode(const String& text) const;
  std::string lineEnd() const;

  std::string preamble_;  // byte-order mark
  std::string trailer_;   // an odd last byte of a UTF-16 file, kept last
  std::vector<Line> lines_;
  Encoding encoding_ = Encoding::Utf8;
  int codePage_ = 0;  // for Encoding::Ansi
};

// Reads one value; "" (or the default) when the file, section or key is not there.
String readString(StringView file, StringView section, StringView key, StringView defaultValue = u"");
// Writes one value, creating the file and section as needed. Raises on a failed write (the
// file is then unchanged) and on invalid names (5).
void writeString(StringView file, StringView section, StringView key, StringView value);
std::vector<String> sectionKeys(StringView file, StringView section);
std::vector<String> sectionNames(StringView file);

}  // namespace lv8int::ini

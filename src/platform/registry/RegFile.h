#pragma once
// The registry export text format (.reg files), read and written.
//
// Read: "Windows Registry Editor Version 5.00" files in UTF-16LE with a byte-order mark (as
// the platform's registry editor writes them) or in UTF-8, and "REGEDIT4" files (UTF-8, or the
// ANSI code page when the bytes are not UTF-8; their hex(2)/hex(7) data is ANSI text).
// Keys "[ROOT\path]", key deletions "[-ROOT\path]", values "name"=... or @=... with the data
// forms "text", dword:, hex:, hex(n): (hex(2) expandable, hex(7) multi-string, hex(5)
// big-endian DWORD, hex(b) QWORD ...) continued over lines ending in ",\" (blank and ";" lines
// between them passed over), value deletions "name"=-, and ";" and "#" comment lines. A line
// that cannot be read is reported and skipped; the rest of the file still counts.
//
// Written: version 5.00, every key in enumeration order followed by a blank line, text values
// quoted, DWORDs as dword:, everything else as hex lists wrapped at 80 columns.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/RegistryHive.h"

namespace lv8int::regfile {

enum class Format { Version5, Regedit4 };
enum class Encoding { Utf8, Utf16le, Ansi };

struct Operation {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  reg::Handle root = 0;
  // Below the root; shared by the key line and the values that follow it.
  std::shared_ptr<const std::vector<String>> keyPath;
  const std::vector<String>& path() const noexcept {
    static const std::vector<String> none;
    return keyPath ? *keyPath : none;
  }
  reg::Value value;          // SetValue: the value; DeleteValue: its name
  int line = 0;              // 1-based line of the file
};

struct Problem {
  int line = 0;
  String message;
};

struct Document {
  Format format = Format::Version5;
  Encoding encoding = Encoding::Utf8;
  std::vector<Operation> operations;
  std::vector<Problem> problems;
};

// Reads a file's bytes. Bytes without a registry file header raise 321 (Invalid file format).
Document parse(std::string_view bytes);

// Carries the operations out on a hive, in order. Operations that cannot be carried out (a
// value deletion in a key that is not there is not one of them) are added to `problems`.
void apply(const std::vector<Operation>& operations, RegistryHive& hive, std::vector<Problem>* problems = nullptr);
// The same, taking the values over from the operations.
void apply(std::vector<Operation>&& operations, RegistryHive& hive, std::vector<Problem>* problems = nullptr);

struct WriteOptions {
  Encoding encoding = Encoding::Utf8;  // Utf8 or Utf16le (with byte-order mark)
  bool crlf = false;                   // line ends
};

// The whole hive.
std::string write(const RegistryHive& hive, const WriteOptions& options = {});
// One key with everything below it, its lines naming it `displayPath` ("HKEY_CLASSES_ROOT\\x").
std::string writeKey(const RegistryKey& key, StringView displayPath, const WriteOptions& options = {});

// Text of a file's lines joined, in the chosen encoding (the byte-order mark included).
std::string encode(StringView text, const WriteOptions& options);

}  // namespace lv8int::regfile

#pragma once
// The vocabulary of the registry service: predefined root keys, value types, the status codes
// the registry functions answer with, and one value as stored.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int::reg {

// A key handle: one of the predefined roots below or a handle returned by openKey/createKey.
using Handle = uint32_t;

inline constexpr Handle HKEY_CLASSES_ROOT = 0x80000000u;   // as a Long: -2147483648
inline constexpr Handle HKEY_CURRENT_USER = 0x80000001u;
inline constexpr Handle HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr Handle HKEY_USERS = 0x80000003u;

// Status codes, with the numbers the platform's registry functions return.
inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_MORE_DATA = 234;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t ERROR_KEY_DELETED = 1018;

// Value types.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr uint32_t REG_LINK = 6;
inline constexpr uint32_t REG_MULTI_SZ = 7;
inline constexpr uint32_t REG_QWORD = 11;

// True for the types whose data is text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
inline bool isStringType(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// "REG_SZ", "REG_DWORD" ...; "REG_UNKNOWN(n)" for a type without a name.
String typeName(uint32_t type);

// True for the handles of the predefined roots.
inline bool isRoot(Handle h) { return h >= HKEY_CLASSES_ROOT && h <= HKEY_USERS; }
// The root named by a full name ("HKEY_LOCAL_MACHINE") or its short form ("HKLM"), without
// regard to case.
std::optional<Handle> rootByName(StringView name);
// "HKEY_LOCAL_MACHINE" ...
String rootName(Handle root);

// A key path split at backslashes; empty components are dropped.
std::vector<String> splitPath(StringView path);
String joinPath(const std::vector<String>& components);

// Limits of the platform: a key name of at most 255 characters, at most 512 levels, a value
// name of at most 16383 characters.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;
inline constexpr size_t kMaxValueNameLength = 16383;

// One value: its name ("" is the key's unnamed value), its type and its data. Text data is
// kept as the platform keeps it: UTF-16LE code units with the terminating zero(s).
struct Value {
  String name;
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;

  static Value string(StringView name, StringView text, uint32_t type = REG_SZ);
  static Value multiString(StringView name, const std::vector<String>& items);
  static Value dword(StringView name, uint32_t number);
  static Value qword(StringView name, uint64_t number);
  static Value binary(StringView name, std::vector<uint8_t> bytes, uint32_t type = REG_BINARY);

  // The data read as UTF-16LE text up to the first zero (an odd last byte is ignored).
  String text() const;
  // The items of a multi-string.
  std::vector<String> items() const;
  // The data as a number: REG_DWORD (little-endian), REG_DWORD_BIG_ENDIAN, REG_QWORD; nothing
  // for data of another size.
  std::optional<uint64_t> number() const;
};

// UTF-16 code units <-> UTF-16LE bytes.
std::vector<uint8_t> utf16leBytes(StringView text);
String fromUtf16le(const uint8_t* data, size_t size);

}  // namespace lv8int::reg

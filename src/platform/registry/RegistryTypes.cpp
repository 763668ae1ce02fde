#include "platform/registry/RegistryTypes.h"

namespace lv8int::reg {

String typeName(uint32_t type) {
  switch (type) {
    case REG_NONE: return u"REG_NONE";
    case REG_SZ: return u"REG_SZ";
    case REG_EXPAND_SZ: return u"REG_EXPAND_SZ";
    case REG_BINARY: return u"REG_BINARY";
    case REG_DWORD: return u"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return u"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return u"REG_LINK";
    case REG_MULTI_SZ: return u"REG_MULTI_SZ";
    case 8: return u"REG_RESOURCE_LIST";
    case 9: return u"REG_FULL_RESOURCE_DESCRIPTOR";
    case 10: return u"REG_RESOURCE_REQUIREMENTS_LIST";
    case REG_QWORD: return u"REG_QWORD";
    default: return u"REG_UNKNOWN(" + toString(type) + u")";
  }
}

std::optional<Handle> rootByName(StringView name) {
  static const struct {
    const char16_t* full;
    const char16_t* brief;
    Handle handle;
  } roots[] = {
      {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},
      {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},
      {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE},
      {u"HKEY_USERS", u"HKU", HKEY_USERS},
  };
  for (const auto& r : roots)
    if (equalsNoCase(name, r.full) || equalsNoCase(name, r.brief)) return r.handle;
  return std::nullopt;
}

String rootName(Handle root) {
  switch (root) {
    case HKEY_CLASSES_ROOT: return u"HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return u"HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return u"HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return u"HKEY_USERS";
    default: return {};
  }
}

std::vector<String> splitPath(StringView path) {
  std::vector<String> out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t sep = path.find(u'\\', start);
    if (sep == StringView::npos) sep = path.size();
    if (sep > start) out.emplace_back(path.substr(start, sep - start));
    start = sep + 1;
  }
  return out;
}

String joinPath(const std::vector<String>& components) {
  String out;
  for (const String& c : components) {
    if (!out.empty()) out.push_back(u'\\');
    out += c;
  }
  return out;
}

std::vector<uint8_t> utf16leBytes(StringView text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

String fromUtf16le(const uint8_t* data, size_t size) {
  String out;
  out.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) out.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return out;
}

Value Value::string(StringView name, StringView text, uint32_t type) {
  Value v{String(name), type, {}};
  v.data.reserve(text.size() * 2 + 2);  // the text and its terminating zero, in one allocation
  for (char16_t c : text) {
    v.data.push_back(static_cast<uint8_t>(c & 0xFF));
    v.data.push_back(static_cast<uint8_t>(c >> 8));
  }
  v.data.push_back(0);
  v.data.push_back(0);
  return v;
}

Value Value::multiString(StringView name, const std::vector<String>& items) {
  String joined;
  for (const String& item : items) {
    joined += item;
    joined.push_back(0);
  }
  joined.push_back(0);
  return Value{String(name), REG_MULTI_SZ, utf16leBytes(joined)};
}

Value Value::dword(StringView name, uint32_t number) {
  Value v{String(name), REG_DWORD, {}};
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<uint8_t>(number >> (8 * i)));
  return v;
}

Value Value::qword(StringView name, uint64_t number) {
  Value v{String(name), REG_QWORD, {}};
  for (int i = 0; i < 8; ++i) v.data.push_back(static_cast<uint8_t>(number >> (8 * i)));
  return v;
}

Value Value::binary(StringView name, std::vector<uint8_t> bytes, uint32_t type) {
  return Value{String(name), type, std::move(bytes)};
}

String Value::text() const {
  String s = fromUtf16le(data.data(), data.size());
  size_t zero = s.find(u'\0');
  if (zero != String::npos) s.resize(zero);
  return s;
}

std::vector<String> Value::items() const {
  String s = fromUtf16le(data.data(), data.size());
  std::vector<String> out;
  size_t start = 0;
  while (start < s.size()) {
    size_t zero = s.find(u'\0', start);
    if (zero == String::npos) zero = s.size();
    if (zero == start) break;  // the empty item ends the list
    out.emplace_back(s.substr(start, zero - start));
    start = zero + 1;
  }
  return out;
}

std::optional<uint64_t> Value::number() const {
  if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && data.size() == 4) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) {
      int shift = type == REG_DWORD ? 8 * i : 8 * (3 - i);
      n |= static_cast<uint32_t>(data[i]) << shift;
    }
    return n;
  }
  if (type == REG_QWORD && data.size() == 8) {
    uint64_t n = 0;
    for (int i = 0; i < 8; ++i) n |= static_cast<uint64_t>(data[i]) << (8 * i);
    return n;
  }
  return std::nullopt;
}

}  // namespace lv8int::reg

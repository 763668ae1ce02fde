// lv8 reg: the registry from the command line, in the manner of the platform's reg tool.
//   lv8 reg query <key> [/v <name> | /ve] [/s]
//   lv8 reg add <key> [/v <name> | /ve] [/t <type>] [/d <data>]
//   lv8 reg delete <key> [/v <name> | /ve]
//   lv8 reg import <file.reg>
//   lv8 reg export <key> <file.reg>
//   lv8 reg create <ProgID> [<member> [<argument> ...]]    create a registered class, call a member
//   lv8 reg appid <ProgID>
// The machine hive is the file LV8INT_REGISTRY names (default /etc/lv8int/registry.reg).
#include <cstdio>
#include <optional>

#include "Command.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "platform/files/Files.h"
#include "platform/helpers/Helpers.h"
#include "platform/registry/IRegistry.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;

constexpr char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.\n";

bool isSwitch(const std::string& a, const char* name) {
  return (a.size() >= 2 && (a[0] == '/' || a[0] == '-')) && equalsNoCase(fromUtf8(a.substr(1)), fromUtf8(name));
}

struct KeyName {
  reg::Handle root = 0;
  String path;     // below the root
  String display;  // full name as printed
};

std::optional<KeyName> parseKey(const std::string& text) {
  String s = fromUtf8(text);
  size_t sep = s.find(u'\\');
  auto root = reg::rootByName(s.substr(0, sep));
  if (!root) {
    std::fprintf(stderr, "ERROR: Invalid key name: %s\n", text.c_str());
    return std::nullopt;
  }
  KeyName k{*root, sep == String::npos ? String() : reg::joinPath(reg::splitPath(s.substr(sep + 1))), {}};
  k.display = reg::rootName(*root) + (k.path.empty() ? String() : u"\\" + k.path);
  return k;
}

String hexUpper(const std::vector<uint8_t>& data) {
  String out;
  for (uint8_t b : data) {
    out.push_back(u"0123456789ABCDEF"[b >> 4]);
    out.push_back(u"0123456789ABCDEF"[b & 15]);
  }
  return out;
}

String dataText(const reg::Value& v) {
  switch (v.type) {
    case reg::REG_SZ:
    case reg::REG_EXPAND_SZ:
      return v.text();
    case reg::REG_MULTI_SZ: {
      String out;
      for (const String& item : v.items()) out += (out.empty() ? u"" : u"\\0") + item;
      return out;
    }
    case reg::REG_DWORD:
    case reg::REG_DWORD_BIG_ENDIAN:
    case reg::REG_QWORD:
      if (auto n = v.number()) {
        String out;
        uint64_t x = *n;
        do {
          out.insert(out.begin(), u"0123456789abcdef"[x & 15]);
          x >>= 4;
        } while (x);
        return u"0x" + out;
      }
      [[fallthrough]];
    default:
      return hexUpper(v.data);
  }
}

void printValue(const reg::Value& v) {
  String name = v.name.empty() ? String(u"(Default)") : v.name;
  std::printf("    %s    %s    %s\n", toUtf8(name).c_str(), toUtf8(reg::typeName(v.type)).c_str(),
              toUtf8(dataText(v)).c_str());
}

void printKey(IRegistry& r, reg::Handle h, const String& display, bool recurse) {
  std::printf("\n%s\n", toUtf8(display).c_str());
  reg::Value v;
  for (uint32_t i = 0; r.enumValue(h, i, v) == reg::ERROR_SUCCESS; ++i) printValue(v);
  String sub;
  std::vector<String> subs;
  for (uint32_t i = 0; r.enumKey(h, i, sub) == reg::ERROR_SUCCESS; ++i) subs.push_back(sub);
  if (!recurse) {
    if (!subs.empty()) std::printf("\n");
    for (const String& s : subs) std::printf("%s\n", toUtf8(display + u"\\" + s).c_str());
    return;
  }
  for (const String& s : subs) {
    reg::OpenedKey child(r, h, s);
    if (child.ok()) printKey(r, child.handle(), display + u"\\" + s, true);
  }
}

int query(const CommandArgs& args) {
  if (args.size() < 2) return std::fprintf(stderr, "usage: lv8 reg query <key> [/v <name> | /ve] [/s]\n"), 2;
  auto key = parseKey(args[1]);
  if (!key) return 1;
  std::optional<String> valueName;
  bool recurse = false;
  for (size_t i = 2; i < args.size(); ++i) {
    if (isSwitch(args[i], "v") && i + 1 < args.size()) valueName = fromUtf8(args[++i]);
    else if (isSwitch(args[i], "ve")) valueName = String();
    else if (isSwitch(args[i], "s")) recurse = true;
    else return std::fprintf(stderr, "ERROR: Invalid syntax: %s\n", args[i].c_str()), 1;
  }
  IRegistry& r = IRegistry::current();
  reg::OpenedKey k(r, key->root, key->path);
  if (!k.ok()) return std::fputs(kNotFound, stderr), 1;
  if (valueName) {
    reg::Value v;
    if (r.getValue(k.handle(), *valueName, v) != reg::ERROR_SUCCESS) return std::fputs(kNotFound, stderr), 1;
    std::printf("\n%s\n", toUtf8(key->display).c_str());
    printValue(v);
    std::printf("\n");
    return 0;
  }
  printKey(r, k.handle(), key->display, recurse);
  return 0;
}

std::optional<reg::Value> valueFromText(const String& name, const std::string& type, const std::string& data) {
  String t = foldCase(fromUtf8(type));
  String d = fromUtf8(data);
  if (t == u"reg_sz") return reg::Value::string(name, d);
  if (t == u"reg_expand_sz") return reg::Value::string(name, d, reg::REG_EXPAND_SZ);
  if (t == u"reg_multi_sz") {
    std::vector<String> items;
    size_t start = 0;
    while (start <= d.size()) {
      size_t sep = d.find(u"\\0", start);
      if (sep == String::npos) sep = d.size();
      if (sep > start) items.push_back(d.substr(start, sep - start));
      start = sep + 2;
    }
    return reg::Value::multiString(name, items);
  }
  if (t == u"reg_dword" || t == u"reg_qword" || t == u"reg_dword_big_endian") {
    errno = 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(data.c_str(), &end, 0);
    if (data.empty() || *end || errno || data[0] == '-' || (t != u"reg_qword" && n > 0xFFFFFFFFull)) return std::nullopt;
    if (t == u"reg_qword") return reg::Value::qword(name, n);
    reg::Value v = reg::Value::dword(name, static_cast<uint32_t>(n));
    if (t == u"reg_dword_big_endian") {
      v.type = reg::REG_DWORD_BIG_ENDIAN;
      std::swap(v.data[0], v.data[3]);
      std::swap(v.data[1], v.data[2]);
    }
    return v;
  }
  if (t == u"reg_binary" || t == u"reg_none") {
    if (data.size() % 2) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < data.size(); i += 2) {
      char* end = nullptr;
      std::string pair = data.substr(i, 2);
      long b = std::strtol(pair.c_str(), &end, 16);
      if (*end) return std::nullopt;
      bytes.push_back(static_cast<uint8_t>(b));
    }
    return reg::Value::binary(name, bytes, t == u"reg_none" ? reg::REG_NONE : reg::REG_BINARY);
  }
  return std::nullopt;
}

int add(const CommandArgs& args) {
  if (args.size() < 2)
    return std::fprintf(stderr, "usage: lv8 reg add <key> [/v <name> | /ve] [/t <type>] [/d <data>]\n"), 2;
  auto key = parseKey(args[1]);
  if (!key) return 1;
  std::optional<String> name;
  std::string type = "REG_SZ", data;
  for (size_t i = 2; i < args.size(); ++i) {
    if (isSwitch(args[i], "v") && i + 1 < args.size()) name = fromUtf8(args[++i]);
    else if (isSwitch(args[i], "ve")) name = String();
    else if (isSwitch(args[i], "t") && i + 1 < args.size()) type = args[++i];
    else if (isSwitch(args[i], "d") && i + 1 < args.size()) data = args[++i];
    else if (isSwitch(args[i], "f")) continue;
    else return std::fprintf(stderr, "ERROR: Invalid syntax: %s\n", args[i].c_str()), 1;
  }
  IRegistry& r = IRegistry::current();
  std::optional<reg::Value> value;
  if (name) {
    value = valueFromText(*name, type, data);
    if (!value) return std::fprintf(stderr, "ERROR: Invalid type or data: %s %s\n", type.c_str(), data.c_str()), 1;
  }
  int32_t status = reg::ERROR_SUCCESS;
  r.transaction([&] {
    reg::OpenedKey k(r, key->root, key->path, true);
    status = k.status();
    if (k.ok() && value) status = r.setValue(k.handle(), *value);
  });
  if (status != reg::ERROR_SUCCESS) return std::fprintf(stderr, "ERROR: Registry status %d\n", status), 1;
  std::printf("The operation completed successfully.\n");
  return 0;
}

int remove(const CommandArgs& args) {
  if (args.size() < 2) return std::fprintf(stderr, "usage: lv8 reg delete <key> [/v <name> | /ve]\n"), 2;
  auto key = parseKey(args[1]);
  if (!key) return 1;
  std::optional<String> name;
  for (size_t i = 2; i < args.size(); ++i) {
    if (isSwitch(args[i], "v") && i + 1 < args.size()) name = fromUtf8(args[++i]);
    else if (isSwitch(args[i], "ve")) name = String();
    else if (isSwitch(args[i], "f")) continue;
    else return std::fprintf(stderr, "ERROR: Invalid syntax: %s\n", args[i].c_str()), 1;
  }
  IRegistry& r = IRegistry::current();
  int32_t status;
  if (name) {
    reg::OpenedKey k(r, key->root, key->path);
    status = k.ok() ? r.deleteValue(k.handle(), *name) : k.status();
  } else if (key->path.empty()) {
    return std::fprintf(stderr, "ERROR: A root key cannot be deleted.\n"), 1;
  } else {
    status = r.deleteKey(key->root, key->path);
  }
  if (status != reg::ERROR_SUCCESS) return std::fputs(kNotFound, stderr), 1;
  std::printf("The operation completed successfully.\n");
  return 0;
}

int import(const CommandArgs& args) {
  if (args.size() != 2) return std::fprintf(stderr, "usage: lv8 reg import <file.reg>\n"), 2;
  std::optional<std::string> bytes = files::readFile(fromUtf8(args[1]));
  if (!bytes) return std::fprintf(stderr, "ERROR: Cannot read %s\n", args[1].c_str()), 1;
  regfile::Document doc = regfile::parse(*bytes);
  std::vector<regfile::Problem> problems = doc.problems;
  IRegistry::current().import(doc.operations, &problems);
  for (const regfile::Problem& p : problems)
    std::fprintf(stderr, "%s:%d: %s\n", args[1].c_str(), p.line, toUtf8(p.message).c_str());
  if (!problems.empty()) return std::fprintf(stderr, "ERROR: Not all data was successfully written to the registry.\n"), 1;
  std::printf("The operation completed successfully.\n");
  return 0;
}

int exportKey(const CommandArgs& args) {
  if (args.size() < 3) return std::fprintf(stderr, "usage: lv8 reg export <key> <file.reg>\n"), 2;
  auto key = parseKey(args[1]);
  if (!key) return 1;
  std::string text;
  if (IRegistry::current().exportKey(key->root, key->path, text) != reg::ERROR_SUCCESS)
    return std::fputs(kNotFound, stderr), 1;
  files::writeFileAtomically(fromUtf8(args[2]), text);
  std::printf("The operation completed successfully.\n");
  return 0;
}

int create(const CommandArgs& args) {
  if (args.size() < 2) return std::fprintf(stderr, "usage: lv8 reg create <ProgID> [<member> [<argument> ...]]\n"), 2;
  Ref<Object> obj = ComponentRegistry::instance().create(fromUtf8(args[1]));
  if (args.size() < 3) {
    std::printf("%s created\n", args[1].c_str());
    return 0;
  }
  Args callArgs;
  for (size_t i = 3; i < args.size(); ++i) callArgs.emplace_back(fromUtf8(args[i]));
  Variant result = obj->invoke(fromUtf8(args[2]), InvokeKind::Method, callArgs);
  std::printf("%s\n", toUtf8(result.isEmpty() ? String() : CStr(result)).c_str());
  return 0;
}

int appid(const CommandArgs& args) {
  if (args.size() != 2) return std::fprintf(stderr, "usage: lv8 reg appid <ProgID>\n"), 2;
  std::printf("%s\n", toUtf8(helpers::appIDOfProgID(fromUtf8(args[1]))).c_str());
  return 0;
}

int runReg(const CommandArgs& args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: lv8 reg query|add|delete|import|export|create|appid ...\n");
    return 2;
  }
  const std::string& op = args[0];
  if (op == "query") return query(args);
  if (op == "add") return add(args);
  if (op == "delete") return remove(args);
  if (op == "import") return import(args);
  if (op == "export") return exportKey(args);
  if (op == "create") return create(args);
  if (op == "appid") return appid(args);
  std::fprintf(stderr, "lv8 reg: unknown operation '%s'\n", op.c_str());
  return 2;
}

const lv8tool::Command reg(
    "reg",
    "reg query <key> [/v <name> | /ve] [/s] | add <key> [/v <name> | /ve] [/t <type>] [/d <data>] |\n"
    "      delete <key> [/v <name> | /ve] | import <file.reg> | export <key> <file.reg> |\n"
    "      create <ProgID> [<member> [<argument> ...]] | appid <ProgID>",
    runReg);

}  // namespace

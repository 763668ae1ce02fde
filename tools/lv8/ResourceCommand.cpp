// lv8 resource: what the resource stores of a host program's configuration hold, for an
// administrator or translator, without starting the host.
//   lv8 resource string --host <host program> <id>
//   lv8 resource picture --host <host program> <id> <kind> --out <file.png>
//   lv8 resource icon --host <host program> <id> [--size <code>] --out <file.png>
//   lv8 resource dump --host <host program> [--slot <n>]
//   lv8 resource convert <store.mdb> <store.db>
// Identifiers are decimal, or hexadecimal written 0x... or &H.... picture and icon print the
// size of the image written, in pixels.
#include <QImage>
#include <QString>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "platform/automation/Conversions.h"
#include "platform/helpers/Helpers.h"
#include "platform/pictures/Picture.h"
#include "platform/recordset/ResourceDatabase.h"
#include "resources/GResman.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;
using lv8tool::printLine;

constexpr char kUsage[] =
    "usage: lv8 resource string --host <host program> <id>\n"
    "       lv8 resource picture --host <host program> <id> <kind> --out <file.png>\n"
    "       lv8 resource icon --host <host program> <id> [--size <code>] --out <file.png>\n"
    "       lv8 resource dump --host <host program> [--slot <n>]\n"
    "       lv8 resource convert <store.mdb> <store.db>\n";

struct Options {
  std::string operation;
  std::optional<std::string> host, out, size, slot;
  std::vector<std::string> positional;
};

std::optional<Options> parse(const CommandArgs& args) {
  Options o;
  const bool parsed = lv8tool::OptionParser("lv8 resource")
                          .operation(o.operation)
                          .value("--host", o.host)
                          .value("--out", o.out)
                          .value("--size", o.size)
                          .value("--slot", o.slot)
                          .parse(args, o.positional);
  if (!parsed) return std::nullopt;
  return o;
}

// A Long from decimal, "0x..." or "&H..." text (13 for anything else).
int32_t number(const std::string& text) {
  std::string t = text;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t = "&H" + t.substr(2);
  return CLng(Variant(fromUtf8(t)));
}

// The resource manager over the stores the host's configuration lists.
Ref<GResman> resmanOf(const Options& o) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  app->setFullPath(fromUtf8(*o.host));
  app->setComputerName(helpers::computerName());
  Ref<CConfig> config = make<CConfig>();
  return make<GResman>(config->SystemPath() + u"Resource/resource.ini");
}

// One line per string: the identifier, a tab, the text with line breaks, tabs, backslashes and
// other control characters escaped (a DLL's string table may hold a NUL).
String escaped(const String& text) {
  String out;
  for (char16_t c : text) {
    if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else if (c == u'\t') out += u"\\t";
    else if (c == u'\\') out += u"\\\\";
    else if (c < 0x20) out += u"\\x" + String(1, u"0123456789ABCDEF"[c >> 4]) + String(1, u"0123456789ABCDEF"[c & 15]);
    else out.push_back(c);
  }
  return out;
}

int runString(const Options& o) {
  if (!o.host || o.positional.size() != 1) return -1;
  printLine(resmanOf(o)->GetString(number(o.positional[0])));
  return 0;
}

int runDump(const Options& o) {
  if (!o.host || !o.positional.empty()) return -1;
  Ref<GResman> resman = resmanOf(o);
  int32_t first = 0, last = resman->count() - 1;
  if (o.slot) first = last = number(*o.slot);
  for (int32_t slot = first; slot <= last; ++slot) {
    const GResman::StoreKind kind = resman->kindOf(slot);
    if (kind == GResman::StoreKind::None) {
      printLine(u"[slot " + toString(slot) + u"] (none)");
      continue;
    }
    printLine(u"[slot " + toString(slot) + u"] " + resman->storeName(slot) +
              (kind == GResman::StoreKind::Database ? u" (database)" : u" (DLL)"));
    for (const auto& [id, text] : resman->strings(slot)) printLine(helpers::formatNumber(id, u"0x") + u"\t" + escaped(text));
  }
  return 0;
}

int runConvert(const Options& o) {
  if (o.host || o.positional.size() != 2) return -1;
  ResourceDatabase::convert(fromUtf8(o.positional[0]), fromUtf8(o.positional[1]));
  return 0;
}

// Writes the picture as PNG; "no picture" and exit code 1 when the store has none.
int savePicture(const Ref<Picture>& picture, const std::string& out) {
  if (!picture) {
    std::fprintf(stderr, "lv8 resource: no picture\n");
    return 1;
  }
  if (!picture->image().save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "lv8 resource: cannot write %s\n", out.c_str());
    return 1;
  }
  printLine(toString(picture->image().width()) + u"x" + toString(picture->image().height()));
  return 0;
}

int runPicture(const Options& o) {
  if (!o.host || !o.out || o.size || o.positional.size() != 2) return -1;
  const int32_t kind = number(o.positional[1]);
  return savePicture(resmanOf(o)->GetPicture(fromUtf8(o.positional[0]), kind), *o.out);
}

int runIcon(const Options& o) {
  if (!o.host || !o.out || o.positional.size() != 1) return -1;
  Variant x(int32_t{32}), y(int32_t{32});
  return savePicture(resmanOf(o)->GetIcon(fromUtf8(o.positional[0]), o.size ? number(*o.size) : 1, x, y), *o.out);
}

int runResource(const CommandArgs& args) {
  std::optional<Options> o = parse(args);
  int result = -1;
  if (o) {
    if (o->operation == "string") result = runString(*o);
    else if (o->operation == "dump") result = runDump(*o);
    else if (o->operation == "convert") result = runConvert(*o);
    else if (o->operation == "picture") result = runPicture(*o);
    else if (o->operation == "icon") result = runIcon(*o);
  }
  return lv8tool::exitCode(result, kUsage);
}

const lv8tool::Command reg(
    "resource",
    "resource string <id> | picture <id> <kind> --out <png> | icon <id> [--size <code>] --out <png>\n"
    "      | dump [--slot <n>]      (each with --host <host program path>)\n"
    "      | convert <store.mdb> <store.db>",
    runResource);

}  // namespace

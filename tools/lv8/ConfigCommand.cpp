// lv8 config: the configuration tree of a host program, as the library sees it, without
// starting the host (no console, no add-in, no login).
//   lv8 config paths --host <host program path>
//   lv8 config property --host <path> <name>
//   lv8 config get --host <path> (--machine | --user <name>) <key path> [--default <d>]
//   lv8 config set --host <path> (--machine | --user <name>) <key path> <value> [--default <d>]
//   lv8 config remove --host <path> (--machine | --user <name>) <key path>
// Values go through the machine or user store and its key-path rules; a write saves the store.
// "set" with --default removes the value instead when it equals the default.
#include <cstdio>
#include <optional>
#include <string>

#include "Command.h"
#include "OptionParser.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/CSystemConfig.h"
#include "config/CUserConfig.h"
#include "config/modXMLRegMethod.h"
#include "platform/automation/Conversions.h"
#include "platform/helpers/Helpers.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;
using lv8tool::printLine;

constexpr char kUsage[] =
    "usage: lv8 config paths --host <host program path>\n"
    "       lv8 config property --host <path> <name>\n"
    "       lv8 config get --host <path> (--machine | --user <name>) <key path> [--default <d>]\n"
    "       lv8 config set --host <path> (--machine | --user <name>) <key path> <value> [--default <d>]\n"
    "       lv8 config remove --host <path> (--machine | --user <name>) <key path>\n";

struct Options {
  std::string operation;
  std::optional<std::string> host;
  bool machine = false;
  std::optional<std::string> user;
  std::optional<std::string> defaultValue;
  std::vector<std::string> positional;
};

std::optional<Options> parse(const CommandArgs& args) {
  Options o;
  const bool parsed = lv8tool::OptionParser("lv8 config")
                          .operation(o.operation)
                          .value("--host", o.host)
                          .value("--user", o.user)
                          .value("--default", o.defaultValue)
                          .flag("--machine", o.machine)
                          .parse(args, o.positional);
  if (!parsed || !o.host) return std::nullopt;
  return o;
}

// The configuration of the host program, resolved as the host itself would resolve it.
Ref<CConfig> configOf(const Options& o) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  app->setFullPath(fromUtf8(*o.host));
  app->setComputerName(helpers::computerName());
  if (o.user) app->setCurrentUserName(fromUtf8(*o.user));
  return make<CConfig>();
}

int runPaths(const Options& o) {
  if (!o.positional.empty()) return -1;
  Ref<CConfig> config = configOf(o);
  printLine(u"Path=" + config->Path());
  printLine(u"SystemPath=" + config->SystemPath());
  printLine(u"UsersPath=" + config->UsersPath());
  printLine(u"MachinesPath=" + config->MachinesPath());
  printLine(u"CurrentMachinePath=" + config->CurrentMachinePath());
  return 0;
}

int runProperty(const Options& o) {
  if (o.positional.size() != 1) return -1;
  Ref<CConfig> config = configOf(o);
  printLine(CStr(config->Properties(fromUtf8(o.positional[0]))));
  return 0;
}

// One of the two stores, loaded; `save` writes it, `end` lets it go without another write.
struct Store {
  Ref<CSystemConfig> machine;
  Ref<CUserConfig> user;
  Ref<XMLRegistry> registry() const { return machine ? machine->Registry() : user->Registry(); }
  void save() const {
    if (machine) machine->Save();
    else user->Save();
  }
  ~Store() {
    if (user) user->releaseUnsaved();
  }
};

int runValue(const Options& o) {
  const bool isSet = o.operation == "set";
  const bool isRemove = o.operation == "remove";
  if (o.machine == o.user.has_value()) {
    std::fprintf(stderr, "lv8 config: give either --machine or --user <name>\n");
    return -1;
  }
  if (o.positional.size() != (isSet ? 2u : 1u) || (isRemove && o.defaultValue)) return -1;

  Ref<CConfig> config = configOf(o);
  Store store;
  if (o.machine) {
    store.machine = make<CSystemConfig>(config);
    store.machine->Load();
  } else {
    store.user = make<CUserConfig>();
    store.user->initWith(config, fromUtf8(*o.user));
  }

  const String keyPath = fromUtf8(o.positional[0]);
  const Variant defaultValue = o.defaultValue ? Variant(fromUtf8(*o.defaultValue)) : Variant();
  if (o.operation == "get") {
    const Variant value = modXMLRegMethod::GetConfigValue(store.registry(), keyPath, defaultValue);
    if (value.isEmpty()) {
      std::fprintf(stderr, "lv8 config: %s is not set\n", o.positional[0].c_str());
      return 1;
    }
    printLine(CStr(value));
    return 0;
  }
  if (isSet) {
    modXMLRegMethod::SetConfigValue(store.registry(), keyPath, Variant(fromUtf8(o.positional[1])), defaultValue,
                                    o.defaultValue.has_value());
  } else {
    // Empty against Empty: the stored value is removed, nothing is created.
    modXMLRegMethod::SetConfigValue(store.registry(), keyPath, Variant(), Variant(), true);
  }
  store.save();
  return 0;
}

int runConfig(const CommandArgs& args) {
  std::optional<Options> o = parse(args);
  int result = -1;
  if (o) {
    if (o->operation == "paths") result = runPaths(*o);
    else if (o->operation == "property") result = runProperty(*o);
    else if (o->operation == "get" || o->operation == "set" || o->operation == "remove") result = runValue(*o);
  }
  return lv8tool::exitCode(result, kUsage);
}

const lv8tool::Command reg(
    "config",
    "config paths | property <name> | get|set|remove (--machine | --user <name>) <key path> [value]\n"
    "      [--default <d>]      (each with --host <host program path>)",
    runConfig);

}  // namespace

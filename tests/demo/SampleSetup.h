#pragma once
// The sample middle tier set up as an administrator sets it up, in a temporary folder: its
// database built from the schema and seed files, and the plug-in registered by lv8-regsvr in
// a machine hive of the folder. Tools run as child processes with that hive.
#include <fstream>
#include <sstream>
#include <string>

#include "platform/recordset/SqliteDatabase.h"
#include "support/TempFolder.h"
#include "support/ToolProcess.h"

namespace lv8int::test {

inline const std::string kSamplePlugin = LV8_SAMPLE_MIDTIER_PLUGIN;
inline const std::string kSampleSource = LV8_SAMPLE_MIDTIER_SOURCE;
inline const std::string kBinaryDir = LV8_BINARY_DIR;

inline std::string readSource(const std::string& name) {
  std::ifstream in(kSampleSource + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A database with the sample schema and seed data at `path`.
inline void buildSampleDatabase(const String& path) {
  SqliteDatabase db(path, {.readOnly = false, .create = true});
  db.executeScript(fromUtf8(readSource("schema.sql")));
  db.executeScript(fromUtf8(readSource("seed.sql")));
}

class SampleSetup {
 public:
  TempFolder dir;
  String database = dir.name("sample.db");
  String machineHive = dir.name("etc/registry.reg");

  SampleSetup() { buildSampleDatabase(database); }

  // Runs a program of the build (tools/lv8 ...) with the folder's hive.
  ToolRun run(const std::string& program, const QStringList& args, const QByteArray& input = {}) const {
    return runTool(program, args,
                   {{"LV8INT_REGISTRY", QString::fromStdU16String(machineHive)},
                    {"XDG_CONFIG_HOME", QString::fromStdString(dir.file("config"))},
                    {"LV8_MIDTIER_DATABASE", std::nullopt}},
                   input);
  }

  // lv8-regsvr <plug-in>, as an administrator registers it.
  ToolRun registerPlugin() const { return run("tools/lv8-regsvr", {QString::fromStdString(kSamplePlugin)}); }
};

}  // namespace lv8int::test

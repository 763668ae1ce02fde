#pragma once
// A configuration tree in a temporary folder, laid out as a host program finds it:
//
//   <temp>/host/<APP>                      the host program (an empty file)
//   <temp>/host/lv8app.ini                 the locator (IniLocator only)
//   <root>/LV8ADSAPP, LV8ASSAPP, LV8AMSAPP  the marker folders
//   <root>/<APP>/System/system.xml         the system properties
//   <root>/<APP>/System/userdefault.xml    template of user.xml
//   <root>/<APP>/Default/MachineCfg.xml    default machine store
//   <root>/<APP>/Default/UserCfg.xml       default user store
//   <root>/<APP>/Users/, Machines/
//
// <root> is <temp>/host/Config (HostConfig) or <temp>/roots/main (IniLocator, Unlocated).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/String.h"
#include "support/TempFolder.h"

namespace lv8int::test {

// One "property" element: no value means the element has no "value" attribute.
struct ConfigProperty {
  std::string name;
  std::optional<std::string> value;
};

enum class RootPlacement {
  HostConfig,  // the host folder's "Config": found without asking anything
  IniLocator,  // elsewhere, named by the host folder's lv8app.ini
  Unlocated,   // elsewhere, named by nothing: resolving it has to ask the user
};

class ConfigTree {
 public:
  explicit ConfigTree(RootPlacement placement = RootPlacement::HostConfig, std::string appName = "LV8ADSAPP");

  // The properties every tree starts with.
  static std::vector<ConfigProperty> defaultProperties();

  const TempFolder& folder() const { return temp_; }
  const std::string& appName() const { return appName_; }
  std::string hostFolder() const;   // ends with "/"
  std::string hostProgram() const;  // hostFolder() + appName()
  String hostPath() const { return fromUtf8(hostProgram()); }  // what a host passes to Init
  const std::string& root() const { return root_; }  // ends with "/"
  std::string appFolder() const;     // root() + appName() + "/": CConfig.Path
  std::string systemFolder() const;  // appFolder() + "System/"
  std::string userFolder(std::string_view userName) const;        // appFolder() + "Users/<name>/"
  std::string machineFolder(std::string_view computerName) const;  // appFolder() + "Machines/<name>/"

  // system.xml from the current property list (rewritten by every change).
  const std::vector<ConfigProperty>& properties() const { return properties_; }
  void setProperty(const std::string& name, std::optional<std::string> value);  // replaces or appends
  void removeProperty(const std::string& name);
  void setProperties(std::vector<ConfigProperty> properties);
  // system.xml with any bytes (malformed documents, repeated names ...).
  void writeSystemXml(std::string_view bytes) const;

  // Property files read by CConfig.Reload.
  void writeUserDefault(const std::vector<ConfigProperty>& properties) const;  // System/userdefault.xml
  void writeUserXml(std::string_view userName, const std::vector<ConfigProperty>& properties) const;
  // Store files in the XML registry format (see registryXml).
  void writeMachineDefault(std::string_view bytes) const;  // Default/MachineCfg.xml
  void writeUserCfgDefault(std::string_view bytes) const;  // Default/UserCfg.xml

  // The locator file: [system] ConfigPath=<configPath>.
  void writeLocator(std::string_view configPath) const;

  // A properties document: <config><property name=".." value=".."/>...</config>.
  static std::string propertiesXml(const std::vector<ConfigProperty>& properties);
  // An XML registry document whose root key holds the named text values.
  static std::string registryXml(const std::vector<std::pair<std::string, std::string>>& rootValues);

 private:
  void writeProperties() const;
  std::string relative(const std::string& absolute) const;

  TempFolder temp_;
  std::string appName_;
  std::string root_;
  std::vector<ConfigProperty> properties_;
};

}  // namespace lv8int::test

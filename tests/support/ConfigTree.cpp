#include "support/ConfigTree.h"

#include <algorithm>
#include <stdexcept>

namespace lv8int::test {

namespace {

std::string escapeAttribute(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

ConfigTree::ConfigTree(RootPlacement placement, std::string appName)
    : appName_(std::move(appName)), properties_(defaultProperties()) {
  root_ = placement == RootPlacement::HostConfig ? hostFolder() + "Config/" : temp_.path() + "roots/main/";
  temp_.write(relative(hostProgram()), "");
  for (const char* marker : {"LV8ADSAPP", "LV8ASSAPP", "LV8AMSAPP"}) temp_.mkdir(relative(root_ + marker));
  temp_.mkdir(relative(appFolder() + "Users"));
  temp_.mkdir(relative(appFolder() + "Machines"));
  writeProperties();
  writeUserDefault({{"UserSetting", "from userdefault"}});
  writeMachineDefault(registryXml({{"Origin", "DefaultMachine"}}));
  writeUserCfgDefault(registryXml({{"Origin", "DefaultUser"}}));
  if (placement == RootPlacement::IniLocator) {
    // Written without the trailing separator, as an administrator would type it.
    writeLocator(root_.substr(0, root_.size() - 1));
  }
}

std::vector<ConfigProperty> ConfigTree::defaultProperties() {
  return {
      {"ApplicationTitle", "测试账务系统"},
      {"ApplicationAddIn", ""},
      {"ApplicationLoginWindow", "LV8Test.LoginWindow"},
      {"ApplicationHelpFile", "help/lv8test.chm"},
  };
}

std::string ConfigTree::hostFolder() const { return temp_.path() + "host/"; }
std::string ConfigTree::hostProgram() const { return hostFolder() + appName_; }
std::string ConfigTree::appFolder() const { return root_ + appName_ + "/"; }
std::string ConfigTree::systemFolder() const { return appFolder() + "System/"; }
std::string ConfigTree::userFolder(std::string_view userName) const {
  return appFolder() + "Users/" + std::string(userName) + "/";
}
std::string ConfigTree::machineFolder(std::string_view computerName) const {
  return appFolder() + "Machines/" + std::string(computerName) + "/";
}

void ConfigTree::setProperty(const std::string& name, std::optional<std::string> value) {
  auto it = std::find_if(properties_.begin(), properties_.end(), [&](const ConfigProperty& p) { return p.name == name; });
  if (it == properties_.end()) properties_.push_back({name, std::move(value)});
  else it->value = std::move(value);
  writeProperties();
}

void ConfigTree::removeProperty(const std::string& name) {
  std::erase_if(properties_, [&](const ConfigProperty& p) { return p.name == name; });
  writeProperties();
}

void ConfigTree::setProperties(std::vector<ConfigProperty> properties) {
  properties_ = std::move(properties);
  writeProperties();
}

void ConfigTree::writeSystemXml(std::string_view bytes) const { temp_.write(relative(systemFolder() + "system.xml"), bytes); }

void ConfigTree::writeUserDefault(const std::vector<ConfigProperty>& properties) const {
  temp_.write(relative(systemFolder() + "userdefault.xml"), propertiesXml(properties));
}

void ConfigTree::writeUserXml(std::string_view userName, const std::vector<ConfigProperty>& properties) const {
  temp_.write(relative(userFolder(userName) + "user.xml"), propertiesXml(properties));
}

void ConfigTree::writeMachineDefault(std::string_view bytes) const {
  temp_.write(relative(appFolder() + "Default/MachineCfg.xml"), bytes);
}

void ConfigTree::writeUserCfgDefault(std::string_view bytes) const {
  temp_.write(relative(appFolder() + "Default/UserCfg.xml"), bytes);
}

void ConfigTree::writeLocator(std::string_view configPath) const {
  temp_.write(relative(hostFolder() + "lv8app.ini"), "[system]\nConfigPath=" + std::string(configPath) + "\n");
}

std::string ConfigTree::propertiesXml(const std::vector<ConfigProperty>& properties) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n";
  for (const ConfigProperty& p : properties) {
    xml += "  <property name=\"" + escapeAttribute(p.name) + "\"";
    if (p.value) xml += " value=\"" + escapeAttribute(*p.value) + "\"";
    xml += "/>\n";
  }
  return xml + "</config>\n";
}

std::string ConfigTree::registryXml(const std::vector<std::pair<std::string, std::string>>& rootValues) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<registry format=\"lv8int-registry\" version=\"1\">\n";
  for (const auto& [name, text] : rootValues)
    xml += "  <value name=\"" + escapeAttribute(name) + "\" text=\"" + escapeAttribute(text) + "\"/>\n";
  return xml + "</registry>\n";
}

void ConfigTree::writeProperties() const { writeSystemXml(propertiesXml(properties_)); }

std::string ConfigTree::relative(const std::string& absolute) const {
  if (absolute.compare(0, temp_.path().size(), temp_.path()) != 0)
    throw std::logic_error("ConfigTree: " + absolute + " is outside the tree");
  return absolute.substr(temp_.path().size());
}

}  // namespace lv8int::test

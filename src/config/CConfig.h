#pragma once
// CConfig: finds the configuration folder of the running host program (once per application
// object), answers where each configuration file lives, and holds the system properties read
// from system.xml. Folder paths end with "/".
#include "platform/automation/Collection.h"
#include "platform/automation/Dispatch.h"
#include "platform/ui/IBrowseFolderCallback.h"

namespace lv8int {

class CConfig : public IBrowseFolderCallback {
 public:
  // Resolves the configuration folder from the shared application object's FullPath and loads
  // system.xml; may show a message, run the set-up tool or open the folder dialog. Raises when
  // no usable folder results or system.xml cannot be loaded.
  CConfig();

  Variant Properties(const String& sPropName);  // default member; "" when not there
  String Path() const { return path_; }
  String SystemPath() const;
  String UsersPath() const;
  String MachinesPath() const;
  String CurrentUserPath() const;     // created when missing
  String CurrentMachinePath() const;  // created when missing
  void Reload(const String& CfgFileName);

  // IBrowseFolderCallback: OK only on a configuration root.
  void SelChanged(const String& strFolder, bool& DisableOKButton, String& StatusText) override;

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  String path_;
  Ref<Collection> properties_;
};

}  // namespace lv8int

#pragma once
// Registration of component classes in the registry, where the platform keeps it:
//   HKCR\<ProgID>                       (default) description
//   HKCR\<ProgID>\CLSID                 (default) {class identifier}
//   HKCR\CLSID\{clsid}                  (default) description, "AppID" = {AppID} when there is one
//   HKCR\CLSID\{clsid}\ProgID           (default) ProgID
//   HKCR\CLSID\{clsid}\InprocServer32   (default) the plug-in's file, "ThreadingModel" = "Apartment"
//   HKCR\AppID\{AppID}                  (default) description; "RemoteServerName" set by an
//                                       administrator names the middle-tier server
// A registration for one user alone goes to HKEY_CURRENT_USER\Software\Classes\... instead, and
// lookups see the user's keys over the machine's ones, as the platform merges the two into
// HKEY_CLASSES_ROOT: no administrator rights are needed to make a plug-in creatable for oneself.
#include "platform/automation/String.h"

namespace lv8int::components {

inline constexpr char16_t kNullGuid[] = u"{00000000-0000-0000-0000-000000000000}";

struct ClassInfo {
  String progID;
  String clsid;
  String appID;        // empty: none
  String description;  // empty: the ProgID
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case for a GUID with or without braces, in
// any case; "" for text that is no GUID.
String normalizeGuid(StringView guid);

// Where registerClass and unregisterClass of this thread write: the machine's classes
// (HKEY_CLASSES_ROOT, the default) or the current user's.
enum class RegistrationScope { Machine, User };
void setRegistrationScope(RegistrationScope scope);
RegistrationScope registrationScope();

// Writes the class's registration naming `modulePath` as its server, as one change of the
// registry. A ProgID or identifier that is not well-formed raises 5.
void registerClass(const ClassInfo& info, StringView modulePath);
// Removes the class's registration while its server is `modulePath` (the same file, or none):
// the class key, the ProgID key while it still names this class identifier, and the AppID key
// once no registered class names it any more. A class another server has taken over since is
// left alone.
void unregisterClass(const ClassInfo& info, StringView modulePath);

// Lookups; "" when not registered. A ProgID without a CLSID key follows its CurVer once.
String clsidOfProgID(StringView progID);
String progIDOfClsid(StringView clsid);
String inprocServer(StringView clsid);  // REG_EXPAND_SZ paths are expanded
// The AppID of the ProgID's class in braces, kNullGuid when there is none.
String appIDOfProgID(StringView progID);
String remoteServerName(StringView appID);

// The description of the last failure of a registration entry point on this thread (for the
// registration tool), and its setter.
const String& lastError();
void setLastError(String description);

}  // namespace lv8int::components

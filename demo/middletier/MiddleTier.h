#pragma once
// The sample middle tier: what its components share. They run in the host's process and read
// one SQLite database; each call opens it, runs parameterised queries and closes it again, so a
// database replaced or edited between calls is seen at the next call.
//
// The database is, in this order of precedence:
//   1. the file named by the environment variable LV8_MIDTIER_DATABASE;
//   2. the file named by the text value "Database" of HKEY_CLASSES_ROOT\AppID\{kAppID}, the
//      registration shared by the components (REG_EXPAND_SZ references are expanded);
//   3. sample.db in the folder of the plug-in file itself.
// The current user is the CurrentUserID of the calling thread's shared application object or,
// when the middle-tier server runs the call for a client, the user of the client's session.
#include <functional>
#include <memory>

#include "platform/automation/AutomationError.h"
#include "platform/recordset/SqliteDatabase.h"

namespace zrm {

using lv8int::Ref;
using lv8int::Recordset;
using lv8int::SqliteDatabase;
using lv8int::String;
using lv8int::StringView;

// The AppID of every component of the sample middle tier.
inline constexpr char16_t kAppID[] = u"{56AFD91E-06EB-48C7-9C2E-827A60CD9425}";
inline constexpr char kDatabaseVariable[] = "LV8_MIDTIER_DATABASE";

// The middle tier's own error numbers, in the suite's range (A0000000 to BFFFFFFF).
inline constexpr int32_t kErrDatabaseMissing = static_cast<int32_t>(0xA0050001u);
inline constexpr int32_t kErrDatabaseLocked = static_cast<int32_t>(0xA0050002u);
inline constexpr int32_t kErrDatabase = static_cast<int32_t>(0xA0050003u);
inline constexpr int32_t kErrLoginFailed = static_cast<int32_t>(0xA0050004u);
inline constexpr int32_t kErrOtherUser = static_cast<int32_t>(0xA0050005u);

// The database file the components use now (see above).
String databasePath();
// The folder of the plug-in file, ending with "/".
String moduleFolder();
// The current user (see above; "-1" or empty: nobody is logged in).
String currentUserID();
bool nobodyLoggedIn(StringView userID);

// Runs `work` with the database open read-only. Failures of the database become the middle
// tier's errors with `source` ("ZRMSysBase.SysWarning.GetLog"), the file named in the text.
Ref<Recordset> withDatabase(StringView source, const std::function<Ref<Recordset>(SqliteDatabase&)>& work);

}  // namespace zrm

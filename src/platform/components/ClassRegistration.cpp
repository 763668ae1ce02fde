#include "platform/components/ClassRegistration.h"

#include <sys/stat.h>

#include "platform/automation/AutomationError.h"
#include "platform/registry/ExpandEnvironment.h"
#include "platform/registry/IRegistry.h"

namespace lv8int::components {

namespace {

thread_local String lastFailure;
thread_local RegistrationScope currentScope = RegistrationScope::Machine;

// A user's own classes live under HKEY_CURRENT_USER\Software\Classes.
constexpr char16_t kUserClasses[] = u"Software\\Classes\\";

// Where this thread's registrations are written and removed.
reg::Handle scopeRoot() {
  return currentScope == RegistrationScope::User ? reg::HKEY_CURRENT_USER : reg::HKEY_CLASSES_ROOT;
}
String scopePath(StringView path) {
  return currentScope == RegistrationScope::User ? kUserClasses + String(path) : String(path);
}
String scopeName(StringView path) {
  return (currentScope == RegistrationScope::User ? u"HKEY_CURRENT_USER\\" : u"HKEY_CLASSES_ROOT\\") + scopePath(path);
}

// A text value of a key ("" when the key or value is missing or holds no text).
String textOf(IRegistry& r, const reg::OpenedKey& key, StringView name) {
  if (!key.ok()) return {};
  reg::Value v;
  if (r.getValue(key.handle(), name, v) != reg::ERROR_SUCCESS || !reg::isStringType(v.type)) return {};
  String text = v.text();
  return v.type == reg::REG_EXPAND_SZ ? reg::expandEnvironmentStrings(text) : text;
}

// A text value of HKCR\path. As on the platform, a key the user has among their own classes
// hides the machine's key of that name.
String readText(StringView path, StringView name) {
  IRegistry& r = IRegistry::current();
  reg::OpenedKey user(r, reg::HKEY_CURRENT_USER, kUserClasses + String(path));
  if (user.ok()) return textOf(r, user, name);
  return textOf(r, reg::OpenedKey(r, reg::HKEY_CLASSES_ROOT, path), name);
}

void check(int32_t status, StringView what) {
  if (status != reg::ERROR_SUCCESS)
    raiseError(err::PathFileAccess, kDefaultErrorSource,
               u"The registry refused to " + String(what) + u" (status " + toString(status) + u")");
}

void writeText(IRegistry& r, StringView path, StringView name, StringView text) {
  reg::OpenedKey key(r, scopeRoot(), scopePath(path), true);
  check(key.status(), u"create " + scopeName(path));
  check(r.setValue(key.handle(), reg::Value::string(name, text)), u"write " + scopeName(path));
}

bool validProgID(StringView progID) {
  // A ProgID names a key of its own: no backslash, not a class identifier, at most 39 characters.
  return !progID.empty() && progID.size() <= 39 && progID.find(u'\\') == StringView::npos && progID[0] != u'{';
}

// What may be looked up as a ProgID: the name of one key below HKCR.
bool keyName(StringView progID) { return !progID.empty() && progID.find(u'\\') == StringView::npos; }

bool sameFile(StringView a, StringView b) {
  if (a == b) return true;
  struct stat sa{}, sb{};
  return ::stat(toUtf8(a).c_str(), &sa) == 0 && ::stat(toUtf8(b).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// True when some class key of this thread's registration tree still names the AppID.
bool appIDInUse(IRegistry& r, StringView appID) {
  reg::OpenedKey classes(r, scopeRoot(), scopePath(u"CLSID"));
  if (!classes.ok()) return false;
  String name;
  for (uint32_t i = 0; r.enumKey(classes.handle(), i, name) == reg::ERROR_SUCCESS; ++i) {
    reg::OpenedKey cls(r, classes.handle(), name);
    reg::Value v;
    if (cls.ok() && r.getValue(cls.handle(), u"AppID", v) == reg::ERROR_SUCCESS && reg::isStringType(v.type) &&
        normalizeGuid(v.text()) == appID)
      return true;
  }
  return false;
}

}  // namespace

String normalizeGuid(StringView guid) {
  StringView g = guid;
  if (g.size() == 38 && g.front() == u'{' && g.back() == u'}') g = g.substr(1, 36);
  if (g.size() != 36) return {};
  String out = u"{";
  for (size_t i = 0; i < 36; ++i) {
    char16_t c = g[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != u'-') return {};
    } else if (c >= u'0' && c <= u'9') {
    } else if (c >= u'a' && c <= u'f') {
      c = static_cast<char16_t>(c - u'a' + u'A');
    } else if (!(c >= u'A' && c <= u'F')) {
      return {};
    }
    out.push_back(c);
  }
  out.push_back(u'}');
  return out;
}

void registerClass(const ClassInfo& info, StringView modulePath) {
  String clsid = normalizeGuid(info.clsid);
  String appID = info.appID.empty() ? String() : normalizeGuid(info.appID);
  if (clsid.empty() || !validProgID(info.progID) || (!info.appID.empty() && appID.empty()) || modulePath.empty())
    raiseError(err::InvalidProcedureCall, kDefaultErrorSource,
               u"Cannot register class " + info.progID + u" " + info.clsid + u": malformed ProgID or identifier");
  String description = info.description.empty() ? info.progID : info.description;
  IRegistry& r = IRegistry::current();
  r.transaction([&] {
    writeText(r, info.progID, u"", description);
    writeText(r, info.progID + u"\\CLSID", u"", clsid);
    String classKey = u"CLSID\\" + clsid;
    writeText(r, classKey, u"", description);
    writeText(r, classKey + u"\\ProgID", u"", info.progID);
    writeText(r, classKey + u"\\InprocServer32", u"", modulePath);
    writeText(r, classKey + u"\\InprocServer32", u"ThreadingModel", u"Apartment");
    if (!appID.empty()) {
      writeText(r, classKey, u"AppID", appID);
      String appKey = u"AppID\\" + appID;
      reg::OpenedKey existing(r, scopeRoot(), scopePath(appKey));
      if (!existing.ok()) writeText(r, appKey, u"", description);  // keep an administrator's settings
    } else {
      reg::OpenedKey cls(r, scopeRoot(), scopePath(classKey));
      if (cls.ok()) r.deleteValue(cls.handle(), u"AppID");
    }
  });
}

void unregisterClass(const ClassInfo& info, StringView modulePath) {
  String clsid = normalizeGuid(info.clsid);
  if (clsid.empty()) return;
  IRegistry& r = IRegistry::current();
  r.transaction([&] {
    String classKey = u"CLSID\\" + clsid;
    String server = readText(classKey + u"\\InprocServer32", u"");
    if (!server.empty() && !sameFile(server, modulePath)) return;  // another server owns the class now
    if (keyName(info.progID) && normalizeGuid(readText(info.progID + u"\\CLSID", u"")) == clsid)
      r.deleteKey(scopeRoot(), scopePath(info.progID));
    String appID = normalizeGuid(readText(classKey, u"AppID"));
    r.deleteKey(scopeRoot(), scopePath(classKey));
    if (!appID.empty() && !appIDInUse(r, appID)) r.deleteKey(scopeRoot(), scopePath(u"AppID\\" + appID));
  });
}

String clsidOfProgID(StringView progID) {
  if (!keyName(progID)) return {};
  String clsid = normalizeGuid(readText(String(progID) + u"\\CLSID", u""));
  if (!clsid.empty()) return clsid;
  String current = readText(String(progID) + u"\\CurVer", u"");
  if (current.empty() || equalsNoCase(current, progID) || !keyName(current)) return {};
  return normalizeGuid(readText(current + u"\\CLSID", u""));
}

String progIDOfClsid(StringView clsid) {
  String id = normalizeGuid(clsid);
  return id.empty() ? String() : readText(u"CLSID\\" + id + u"\\ProgID", u"");
}

String inprocServer(StringView clsid) {
  String id = normalizeGuid(clsid);
  return id.empty() ? String() : readText(u"CLSID\\" + id + u"\\InprocServer32", u"");
}

String appIDOfProgID(StringView progID) {
  String clsid = clsidOfProgID(progID);
  if (clsid.empty()) return kNullGuid;
  String appID = normalizeGuid(readText(u"CLSID\\" + clsid, u"AppID"));
  return appID.empty() ? String(kNullGuid) : appID;
}

String remoteServerName(StringView appID) {
  String id = normalizeGuid(appID);
  return id.empty() ? String() : readText(u"AppID\\" + id, u"RemoteServerName");
}

void setRegistrationScope(RegistrationScope scope) { currentScope = scope; }

RegistrationScope registrationScope() { return currentScope; }

const String& lastError() { return lastFailure; }

void setLastError(String description) { lastFailure = std::move(description); }

}  // namespace lv8int::components

#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

int MemberDesc::requiredCount() const noexcept {
  int n = 0;
  for (const ParamDesc& p : params)
    if (!p.optional) ++n;
  return n;
}

String ClassDesc::progID() const { return u"LV8INT." + name; }

String TypeLibraryDesc::version() const {
  return toString(majorVersion) + u"." + toString(minorVersion);
}

String kindName(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::Method: return u"Method";
    case InvokeKind::PropertyGet: return u"PropertyGet";
    case InvokeKind::PropertyPut: return u"PropertyPut";
    case InvokeKind::PropertyPutRef: return u"PropertyPutRef";
  }
  return u"?";
}

namespace {

// Shorthand for the member tables below.
ParamDesc val(String name, String type) { return {std::move(name), std::move(type), false, false, {}}; }
ParamDesc ref(String name, String type) { return {std::move(name), std::move(type), true, false, {}}; }
ParamDesc opt(String name, String type, String def = {}) {
  return {std::move(name), std::move(type), false, true, std::move(def)};
}
ParamDesc optRef(String name, String type, String def = {}) {
  return {std::move(name), std::move(type), true, true, std::move(def)};
}

MemberDesc get(String name, String type, std::vector<ParamDesc> params = {}, DispId id = DISPID_UNKNOWN) {
  return {std::move(name), InvokeKind::PropertyGet, id, std::move(params), std::move(type), false};
}
MemberDesc put(String name, ParamDesc value) {
  return {std::move(name), InvokeKind::PropertyPut, DISPID_UNKNOWN, {std::move(value)}, {}, false};
}
MemberDesc putRef(String name, ParamDesc value) {
  return {std::move(name), InvokeKind::PropertyPutRef, DISPID_UNKNOWN, {std::move(value)}, {}, false};
}
MemberDesc sub(String name, std::vector<ParamDesc> params = {}) {
  return {std::move(name), InvokeKind::Method, DISPID_UNKNOWN, std::move(params), {}, false};
}
MemberDesc fn(String name, std::vector<ParamDesc> params, String returnType, DispId id = DISPID_UNKNOWN) {
  return {std::move(name), InvokeKind::Method, id, std::move(params), std::move(returnType), false};
}
MemberDesc internal(MemberDesc m) {
  m.hidden = true;
  return m;
}

ClassDesc cls(String name, String clsid, std::vector<MemberDesc> members) {
  ClassDesc c;
  c.name = std::move(name);
  c.clsid = std::move(clsid);
  c.defaultInterface.name = u"_" + c.name;
  c.defaultInterface.members = std::move(members);
  return c;
}

std::vector<MemberDesc> applicationMembers() {
  return {
      get(u"DatabaseEngine", u"CDatabaseEngine"),
      get(u"MidServerName", u"String"),
      fn(u"CreateMidObject", {val(u"ProgID", u"String")}, u"Object"),
      fn(u"ShowHint", {val(u"sHintName", u"String")}, u"Boolean"),
      get(u"FullPath", u"String"),
      get(u"Tags", u"Collection"),
      sub(u"Init", {val(u"mdiMain", u"Object"), val(u"strFullPath", u"String")}),
      get(u"AddIn", u"IAddIn"),
      get(u"Config", u"CConfig"),
      get(u"ComputerName", u"String"),
      sub(u"Terminate"),
      get(u"Console", u"CConsole"),
      get(u"CurrentUserID", u"String"),
      get(u"CurrentUserName", u"String"),
      fn(u"login", {}, u"Boolean"),
      sub(u"LogOut"),
      get(u"Periods", u"CPeriods"),
      sub(u"SaveSysConfig"),
      sub(u"SaveUserConfig"),
      fn(u"SilentLogin",
         {val(u"strDSN", u"String"), val(u"strUser", u"String"), val(u"strPassword", u"String"),
          val(u"lngCorpID", u"Long")},
         u"Boolean"),
      get(u"StrEnv", u"String"),
      get(u"strEnvValue", u"String"),
      get(u"SysConfig", u"XMLRegistry"),
      get(u"SysConfigControl", u"CSystemConfig"),
      get(u"UserConfig", u"XMLRegistry"),
      get(u"UserConfigControl", u"CUserConfig"),
      get(u"DSN", u"String"),
      get(u"CurrentPrjID", u"String"),
      put(u"CurrentPrjID", val(u"pstrPrjID", u"String")),
      get(u"BaseInfo", u"CBaseInfo"),
      fn(u"EncryptPWD", {val(u"PWD", u"String")}, u"String"),
      get(u"UserRight", u"CUserRight"),
      get(u"Warning", u"CWarning"),
      get(u"Toolbar", u"CToolbar"),
      get(u"SysStatus", u"CSysStatus"),
      get(u"Title", u"String"),
      get(u"ConnectionString", u"String"),
      put(u"ConnectionString", val(u"strCon", u"String")),
      get(u"IsExamNum", u"Boolean"),
      get(u"LoginType", u"Long"),
      fn(u"login2", {val(u"nLoginType", u"Long")}, u"Boolean"),
      sub(u"SetIsExam"),
  };
}

std::vector<MemberDesc> consoleMembers() {
  return {
      sub(u"ShowHelp", {val(u"ContextID", u"Long")}),
      sub(u"RaiseEventBandOpen", {val(u"BandName", u"String"), ref(u"Cancel", u"Boolean")}),
      get(u"IsClosing", u"Boolean"),
      put(u"IsClosing", val(u"Value", u"Boolean")),
      sub(u"ChangeLanguage"),
      get(u"Application", u"CApplication"),
      sub(u"LoadMenu", {val(u"strRelatedToMenuPath", u"String")}),
      sub(u"RegisterChildForm", {ref(u"objForm", u"Object"), opt(u"strChildMenuBar", u"String")}),
      sub(u"ShowChildForm", {ref(u"objForm", u"Object")}),
      sub(u"HideChildForm", {ref(u"objForm", u"Object")}),
      get(u"Object", u"Object"),
      sub(u"Show"),
      sub(u"Hide"),
      sub(u"SetStatusText", {opt(u"sText", u"String"), opt(u"sToolName", u"String")}),
      get(u"Menu", u"Object"),
      get(u"hwnd", u"Long"),
      get(u"ProgressBar", u"IProgressBar"),
      sub(u"LoadSubSystem", {val(u"sSubSystemName", u"String")}),
  };
}

void build(TypeLibraryDesc& lib) {
  lib.name = u"LV8INT";
  lib.libid = u"{E9EA5017-F7BC-41A5-B05C-2F27AC6ABCE4}";
  lib.majorVersion = 2;
  lib.minorVersion = 2;

  lib.eventInterfaces = {
      {u"__CApplication", {sub(u"OnLanguageChange")}},
      {u"__CConsole", {sub(u"BandOpen", {val(u"BandName", u"String"), ref(u"Cancel", u"Boolean")})}},
  };

  lib.enums = {
      {u"E_CONTROL_TYPE", {{u"CONTROL_CELL", 1}, {u"CONTROL_SPREAD", 2}, {u"CONTROL_RECORDSET", 3}}},
      {u"E_PRINT_MODE", {{u"PM_SET_PRINT", 1}, {u"PM_UNSET_PRINT", 2}}},
      {u"EnumInnerStringType", {{u"eistpNormal", 0}, {u"eistpResource", 1}, {u"eistpFormat", 2}}},
  };

  auto& c = lib.classes;
  c.push_back(cls(u"CPeriods", u"{9263E627-DDA3-4C40-AC00-53492ECE632D}",
                  {
                      get(u"Count", u"Long"),
                      fn(u"Item", {ref(u"index", u"Variant")}, u"CPeriod", DISPID_VALUE),
                      get(u"NewEnum", u"IUnknown", {}, DISPID_NEWENUM),
                      internal(sub(u"LoadPeriods", {val(u"objApp", u"CApplication")})),
                  }));
  c.push_back(cls(u"CPeriod", u"{26CD0AA7-B60D-4865-80DA-1EA68E467FF2}",
                  {
                      get(u"Status", u"Long"),
                      get(u"ID", u"Long"),
                      get(u"NextPeriod", u"CPeriod"),
                      get(u"Number", u"Long"),
                      get(u"PreviousPeriod", u"CPeriod"),
                      get(u"Year", u"Long"),
                      get(u"StartDate", u"Date"),
                      get(u"EndDate", u"Date"),
                      internal(sub(u"InitPeriod",
                                   {val(u"lngID", u"Long"), val(u"dtStartDate", u"Date"),
                                    val(u"dtEndDate", u"Date"), val(u"lngStatus", u"Long"),
                                    val(u"objParent", u"CPeriods"), val(u"lngPosition", u"Long")})),
                  }));
  c.push_back(cls(u"CSystemConfig", u"{6EFEEDFE-832C-46E3-9794-109A656CA8B8}",
                  {
                      fn(u"Load", {}, u"Boolean"),
                      sub(u"Save"),
                      get(u"Registry", u"XMLRegistry"),
                  }));
  c.push_back(cls(u"CUserConfig", u"{0F0AC188-FCE0-4CC1-B76D-727461BE1C3E}",
                  {
                      fn(u"Load", {}, u"Boolean"),
                      sub(u"Save"),
                      get(u"Registry", u"XMLRegistry"),
                      sub(u"Init", {ref(u"strUserCode", u"String")}),
                  }));
  c.push_back(cls(u"GZRGNTUtil", u"{995F1A34-E5B9-499D-BC93-569686894186}",
                  {
                      get(u"Application", u"CApplication"),
                      fn(u"MGB",
                         {val(u"sText", u"String"), opt(u"Buttons", u"Variant", u"0"), opt(u"Title", u"Variant"),
                          opt(u"HelpFile", u"Variant"), opt(u"Context", u"Variant")},
                         u"Long"),
                      sub(u"DebugOutputDic", {val(u"sText", u"String")}),
                  }));
  c.push_back(cls(u"GBackEnd", u"{F7A9D7CB-2847-418F-9201-26327048173A}",
                  {
                      fn(u"IStr",
                         {val(u"Content", u"String"), opt(u"IStrType", u"EnumInnerStringType", u"eistpNormal")},
                         u"String"),
                      fn(u"IStrJoin", {ref(u"SectorArray", u"Variant()")}, u"String"),
                      fn(u"IStrQuick", {ref(u"Arg", u"Variant()")}, u"String"),
                      fn(u"IsOurErrNum", {val(u"ErrNum", u"Long")}, u"Boolean"),
                  }));
  c.push_back(cls(u"GFrontEnd", u"{81D6329C-6EDE-420C-965A-7C8A81C2D34D}",
                  {
                      fn(u"ERB",
                         {val(u"ErrNum", u"Long"), val(u"ErrSrc", u"String"), val(u"ErrDes", u"String"),
                          opt(u"Buttons", u"Variant", u"16"), opt(u"Title", u"Variant"),
                          optRef(u"HelpFile", u"Variant"), optRef(u"Context", u"Variant")},
                         u"Long"),
                  }));
  c.push_back(cls(u"CConsole", u"{502F9629-CC45-4452-A308-B101BAA80C59}", consoleMembers()));
  c.push_back(cls(u"CConfig", u"{0AA36EEE-2EF7-46DF-8B68-4A5F35F92C9B}",
                  {
                      get(u"Properties", u"Variant", {val(u"sPropName", u"String")}, DISPID_VALUE),
                      get(u"Path", u"String"),
                      get(u"SystemPath", u"String"),
                      get(u"UsersPath", u"String"),
                      get(u"MachinesPath", u"String"),
                      get(u"CurrentUserPath", u"String"),
                      get(u"CurrentMachinePath", u"String"),
                      sub(u"Reload", {val(u"CfgFileName", u"String")}),
                  }));
  c.push_back(cls(u"CApplication", u"{6B47B370-D28C-4042-B7FB-00C321840BF7}", applicationMembers()));
  c.push_back(cls(u"GResman", u"{72C8B39F-C041-4F84-A088-806FB2D495B6}",
                  {
                      fn(u"GetString", {val(u"lStrID", u"Long")}, u"String"),
                      fn(u"GetPicture",
                         {val(u"PicID", u"String"), val(u"picType", u"Long"), optRef(u"Size", u"Long", u"0"),
                          optRef(u"ColorDepth", u"Long", u"0")},
                         u"IPictureDisp"),
                      fn(u"GetIcon",
                         {val(u"PicID", u"String"), val(u"Size", u"Long"), optRef(u"xPixel", u"Long", u"32"),
                          optRef(u"yPixel", u"Long", u"32")},
                         u"IPictureDisp"),
                  }));
  c.push_back(cls(u"CUserRight", u"{F1B1DF53-5C3B-4C6B-A704-B9EE0CF601CF}",
                  {
                      fn(u"HasRight", {val(u"strRightCode", u"String")}, u"Boolean"),
                      internal(sub(u"LoadRights")),
                  }));
  c.push_back(cls(u"CWarning", u"{08239DFB-2743-44DD-BAFD-2F3FAD3DF80E}", {sub(u"DispWarningIfExist")}));
  c.push_back(cls(u"CToolbar", u"{3A87F466-4FC3-478B-82B9-59F92AE30315}",
                  {
                      putRef(u"objAB2", val(u"objAB", u"Object")),
                      sub(u"SetAB2", {opt(u"objAB", u"Object"), opt(u"strForm", u"String")}),
                  }));
  c.push_back(cls(u"CSysStatus", u"{FED38E23-3A2D-4FE4-BDEE-89151DDFDAF0}",
                  {
                      sub(u"GetSysStatus"),
                      fn(u"CheckSysStatus", {val(u"strEntry", u"String")}, u"Boolean"),
                  }));
  c.push_back(cls(u"CBaseInfo", u"{872A5761-F085-4A09-9D5B-9ABBAC5D169C}",
                  {
                      get(u"Item", u"Variant", {val(u"index", u"Variant")}, DISPID_VALUE),
                      sub(u"Add", {val(u"Value", u"Variant"), val(u"Key", u"String")}),
                      sub(u"Remove", {val(u"index", u"Variant")}),
                      sub(u"Clear"),
                      get(u"Count", u"Long"),
                      get(u"NewEnum", u"IUnknown", {}, DISPID_NEWENUM),
                  }));

  for (ClassDesc& k : c) {
    k.global = k.name.starts_with(u"G");
    k.creatable = k.global || k.name == u"CSysStatus";
    if (k.name == u"CApplication") k.events = &lib.eventInterfaces[0];
    if (k.name == u"CConsole") k.events = &lib.eventInterfaces[1];
    if (k.name == u"CConfig") k.alsoImplements = {u"IBrowseFolderCallback"};
  }
}

}  // namespace

const TypeLibraryDesc& typeLibrary() {
  // Built in place (the classes point into its event interfaces) and never destroyed, so that
  // registrations undone at exit can still read it.
  static const TypeLibraryDesc* lib = [] {
    auto* l = new TypeLibraryDesc;
    build(*l);
    return l;
  }();
  return *lib;
}

const ClassDesc* findClass(StringView name) {
  for (const ClassDesc& c : typeLibrary().classes)
    if (equalsNoCase(c.name, name)) return &c;
  return nullptr;
}

const ClassDesc* findClassByProgID(StringView progID) {
  for (const ClassDesc& c : typeLibrary().classes)
    if (equalsNoCase(c.progID(), progID)) return &c;
  return nullptr;
}

const ClassDesc* findClassByClsid(StringView clsid) {
  for (const ClassDesc& c : typeLibrary().classes)
    if (equalsNoCase(c.clsid, clsid)) return &c;
  return nullptr;
}

const EnumDesc* findEnum(StringView name) {
  for (const EnumDesc& e : typeLibrary().enums)
    if (equalsNoCase(e.name, name)) return &e;
  return nullptr;
}

}  // namespace lv8int::typelib

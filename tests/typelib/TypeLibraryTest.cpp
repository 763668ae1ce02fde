#include "typelib/TypeLibrary.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

using namespace lv8int;
using namespace lv8int::typelib;

namespace {

std::string u8(StringView s) { return toUtf8(s); }

std::vector<std::string> slots(const ClassDesc& c) {
  std::vector<std::string> out;
  for (const MemberDesc& m : c.defaultInterface.members) {
    std::string s = u8(m.name);
    if (m.kind == InvokeKind::PropertyPut) s += " (put)";
    if (m.kind == InvokeKind::PropertyPutRef) s += " (putref)";
    out.push_back(s);
  }
  return out;
}

const ClassDesc& cls(const char16_t* name) {
  const ClassDesc* c = findClass(name);
  if (!c) throw std::runtime_error("no class " + u8(name));
  return *c;
}

const MemberDesc* member(const ClassDesc& c, StringView name, InvokeKind kind) {
  for (const MemberDesc& m : c.defaultInterface.members)
    if (m.name == name && m.kind == kind) return &m;
  return nullptr;
}

}  // namespace

TEST(TypeLibrary, ApplicationHasTheFortyTwoSlotsInOrder) {
  const std::vector<std::string> expected = {
      "DatabaseEngine", "MidServerName", "CreateMidObject", "ShowHint", "FullPath", "Tags", "Init", "AddIn",
      "Config", "ComputerName", "Terminate", "Console", "CurrentUserID", "CurrentUserName", "login", "LogOut",
      "Periods", "SaveSysConfig", "SaveUserConfig", "SilentLogin", "StrEnv", "strEnvValue", "SysConfig",
      "SysConfigControl", "UserConfig", "UserConfigControl", "DSN", "CurrentPrjID", "CurrentPrjID (put)",
      "BaseInfo", "EncryptPWD", "UserRight", "Warning", "Toolbar", "SysStatus", "Title", "ConnectionString",
      "ConnectionString (put)", "IsExamNum", "LoginType", "login2", "SetIsExam"};
  const ClassDesc& app = cls(u"CApplication");
  EXPECT_EQ(app.defaultInterface.name, u"_CApplication");
  EXPECT_EQ(slots(app), expected);

  // Members that take arguments, with the by-value marking their callers rely on.
  const MemberDesc* silent = member(app, u"SilentLogin", InvokeKind::Method);
  ASSERT_TRUE(silent);
  ASSERT_EQ(silent->params.size(), 4u);
  EXPECT_EQ(silent->params[3].name, u"lngCorpID");
  EXPECT_EQ(silent->params[3].type, u"Long");
  EXPECT_EQ(silent->returnType, u"Boolean");
  const MemberDesc* prj = member(app, u"CurrentPrjID", InvokeKind::PropertyPut);
  ASSERT_TRUE(prj);
  ASSERT_EQ(prj->params.size(), 1u);
  EXPECT_EQ(prj->params[0].name, u"pstrPrjID");
  EXPECT_TRUE(prj->returnType.empty());
}

TEST(TypeLibrary, SlotOrderOfTheOtherClasses) {
  using V = std::vector<std::string>;
  EXPECT_EQ(slots(cls(u"CConfig")), (V{"Properties", "Path", "SystemPath", "UsersPath", "MachinesPath",
                                       "CurrentUserPath", "CurrentMachinePath", "Reload"}));
  EXPECT_EQ(slots(cls(u"CConsole")),
            (V{"ShowHelp", "RaiseEventBandOpen", "IsClosing", "IsClosing (put)", "ChangeLanguage", "Application",
               "LoadMenu", "RegisterChildForm", "ShowChildForm", "HideChildForm", "Object", "Show", "Hide",
               "SetStatusText", "Menu", "hwnd", "ProgressBar", "LoadSubSystem"}));
  EXPECT_EQ(slots(cls(u"CPeriod")), (V{"Status", "ID", "NextPeriod", "Number", "PreviousPeriod", "Year",
                                       "StartDate", "EndDate", "InitPeriod"}));
  EXPECT_EQ(slots(cls(u"CPeriods")), (V{"Count", "Item", "NewEnum", "LoadPeriods"}));
  EXPECT_EQ(slots(cls(u"CBaseInfo")), (V{"Item", "Add", "Remove", "Clear", "Count", "NewEnum"}));
  EXPECT_EQ(slots(cls(u"CSystemConfig")), (V{"Load", "Save", "Registry"}));
  EXPECT_EQ(slots(cls(u"CUserConfig")), (V{"Load", "Save", "Registry", "Init"}));
  EXPECT_EQ(slots(cls(u"CUserRight")), (V{"HasRight", "LoadRights"}));
  EXPECT_EQ(slots(cls(u"CWarning")), (V{"DispWarningIfExist"}));
  EXPECT_EQ(slots(cls(u"CToolbar")), (V{"objAB2 (putref)", "SetAB2"}));
  EXPECT_EQ(slots(cls(u"CSysStatus")), (V{"GetSysStatus", "CheckSysStatus"}));
  EXPECT_EQ(slots(cls(u"GZRGNTUtil")), (V{"Application", "MGB", "DebugOutputDic"}));
  EXPECT_EQ(slots(cls(u"GBackEnd")), (V{"IStr", "IStrJoin", "IStrQuick", "IsOurErrNum"}));
  EXPECT_EQ(slots(cls(u"GFrontEnd")), (V{"ERB"}));
  EXPECT_EQ(slots(cls(u"GResman")), (V{"GetString", "GetPicture", "GetIcon"}));
}

TEST(TypeLibrary, IdentifiersAreWellFormedAndUnique) {
  const std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  const TypeLibraryDesc& lib = typeLibrary();
  std::set<String> ids = {foldCase(lib.libid)};
  std::set<String> names, progIDs;
  EXPECT_TRUE(std::regex_match(u8(lib.libid), guid));
  for (const ClassDesc& c : lib.classes) {
    SCOPED_TRACE(u8(c.name));
    EXPECT_TRUE(std::regex_match(u8(c.clsid), guid)) << u8(c.clsid);
    EXPECT_TRUE(ids.insert(foldCase(c.clsid)).second) << "identifier used twice";
    EXPECT_TRUE(names.insert(foldCase(c.name)).second);
    EXPECT_EQ(c.progID(), u"LV8INT." + c.name);
    EXPECT_TRUE(progIDs.insert(foldCase(c.progID())).second);
    EXPECT_EQ(c.defaultInterface.name, u"_" + c.name);
    // Lookups by each identifier, in any letter case, find this class.
    EXPECT_EQ(findClassByClsid(foldCase(c.clsid)), &c);
    EXPECT_EQ(findClassByProgID(foldCase(c.progID())), &c);
    EXPECT_EQ(findClass(foldCase(c.name)), &c);
  }
  EXPECT_EQ(cls(u"CApplication").clsid, u"{6B47B370-D28C-4042-B7FB-00C321840BF7}");
  EXPECT_EQ(cls(u"CSysStatus").clsid, u"{FED38E23-3A2D-4FE4-BDEE-89151DDFDAF0}");
  EXPECT_EQ(findClassByProgID(u"LV8INT.CNoSuchClass"), nullptr);
  EXPECT_EQ(findClassByClsid(u"{00000000-0000-0000-0000-000000000000}"), nullptr);
}

TEST(TypeLibrary, OnlyTheGlobalClassesAndSysStatusAreCreatable) {
  std::set<std::string> creatable, global;
  for (const ClassDesc& c : typeLibrary().classes) {
    if (c.creatable) creatable.insert(u8(c.name));
    if (c.global) global.insert(u8(c.name));
  }
  EXPECT_EQ(creatable, (std::set<std::string>{"GZRGNTUtil", "GBackEnd", "GFrontEnd", "GResman", "CSysStatus"}));
  EXPECT_EQ(global, (std::set<std::string>{"GZRGNTUtil", "GBackEnd", "GFrontEnd", "GResman"}));
}

TEST(TypeLibrary, FixedDispatchIdsAndHiddenMembers) {
  std::map<std::string, DispId> fixed;
  std::set<std::string> hidden;
  for (const ClassDesc& c : typeLibrary().classes) {
    const auto& members = c.defaultInterface.members;
    for (size_t i = 0; i < members.size(); ++i) {
      const MemberDesc& m = members[i];
      std::string name = u8(c.name) + "." + u8(m.name);
      if (m.id != DISPID_UNKNOWN) fixed[name] = m.id;
      if (m.hidden) {
        hidden.insert(name);
        // Library-internal members follow every public one.
        for (size_t j = i + 1; j < members.size(); ++j) EXPECT_TRUE(members[j].hidden) << name;
      }
    }
  }
  EXPECT_EQ(fixed, (std::map<std::string, DispId>{{"CConfig.Properties", DISPID_VALUE},
                                                  {"CBaseInfo.Item", DISPID_VALUE},
                                                  {"CPeriods.Item", DISPID_VALUE},
                                                  {"CBaseInfo.NewEnum", DISPID_NEWENUM},
                                                  {"CPeriods.NewEnum", DISPID_NEWENUM}}));
  EXPECT_EQ(hidden, (std::set<std::string>{"CUserRight.LoadRights", "CPeriods.LoadPeriods", "CPeriod.InitPeriod"}));
}

TEST(TypeLibrary, MembersAreWellFormed) {
  std::set<String> known = {u"String", u"Long",   u"Integer",  u"Boolean",  u"Date",   u"Double",
                            u"Single", u"Byte",   u"Currency", u"Variant",  u"Object", u"IUnknown",
                            u"Variant()", u"XMLRegistry", u"IAddIn", u"CDatabaseEngine", u"Collection",
                            u"IPictureDisp", u"IProgressBar"};
  for (const ClassDesc& c : typeLibrary().classes) known.insert(c.name);
  for (const EnumDesc& e : typeLibrary().enums) known.insert(e.name);

  for (const ClassDesc& c : typeLibrary().classes) {
    std::set<std::pair<String, InvokeKind>> seen;
    for (const MemberDesc& m : c.defaultInterface.members) {
      SCOPED_TRACE(u8(c.name) + "." + u8(m.name));
      EXPECT_TRUE(seen.insert({foldCase(m.name), m.kind}).second) << "slot described twice";
      EXPECT_TRUE(m.returnType.empty() || known.count(m.returnType)) << u8(m.returnType);
      bool optionalSeen = false;
      for (const ParamDesc& p : m.params) {
        EXPECT_FALSE(p.name.empty());
        EXPECT_TRUE(known.count(p.type)) << u8(p.type);
        EXPECT_FALSE(optionalSeen && !p.optional) << "a required parameter after an optional one";
        optionalSeen = optionalSeen || p.optional;
        EXPECT_TRUE(p.defaultValue.empty() || p.optional);
      }
      switch (m.kind) {
        case InvokeKind::PropertyGet:
          EXPECT_FALSE(m.returnType.empty());
          break;
        case InvokeKind::PropertyPut:
        case InvokeKind::PropertyPutRef:
          EXPECT_TRUE(m.returnType.empty());
          ASSERT_FALSE(m.params.empty());
          EXPECT_FALSE(m.params.back().optional) << "the assigned value is required";
          break;
        case InvokeKind::Method:
          break;
      }
    }
  }
}

TEST(TypeLibrary, ByReferenceAndOptionalParameters) {
  // Arguments whose callee writes back, or whose caller's variable must be passed through.
  std::set<std::string> byRef;
  for (const ClassDesc& c : typeLibrary().classes)
    for (const MemberDesc& m : c.defaultInterface.members)
      for (const ParamDesc& p : m.params)
        if (p.byRef) byRef.insert(u8(c.name) + "." + u8(m.name) + "." + u8(p.name));
  EXPECT_EQ(byRef, (std::set<std::string>{
                       "CConsole.RaiseEventBandOpen.Cancel", "CConsole.RegisterChildForm.objForm",
                       "CConsole.ShowChildForm.objForm", "CConsole.HideChildForm.objForm",
                       "CPeriods.Item.index", "CUserConfig.Init.strUserCode", "GBackEnd.IStrJoin.SectorArray",
                       "GBackEnd.IStrQuick.Arg", "GFrontEnd.ERB.HelpFile", "GFrontEnd.ERB.Context",
                       "GResman.GetPicture.Size", "GResman.GetPicture.ColorDepth", "GResman.GetIcon.xPixel",
                       "GResman.GetIcon.yPixel"}));

  const MemberDesc* erb = member(cls(u"GFrontEnd"), u"ERB", InvokeKind::Method);
  ASSERT_TRUE(erb);
  EXPECT_EQ(erb->arity(), 7);
  EXPECT_EQ(erb->requiredCount(), 3);
  const MemberDesc* mgb = member(cls(u"GZRGNTUtil"), u"MGB", InvokeKind::Method);
  ASSERT_TRUE(mgb);
  EXPECT_EQ(mgb->requiredCount(), 1);
  EXPECT_EQ(mgb->params[1].defaultValue, u"0");
  const MemberDesc* icon = member(cls(u"GResman"), u"GetIcon", InvokeKind::Method);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->requiredCount(), 2);
}

TEST(TypeLibrary, EventsAndEnumerations) {
  const TypeLibraryDesc& lib = typeLibrary();
  for (const ClassDesc& c : lib.classes) {
    if (c.name == u"CApplication" || c.name == u"CConsole") {
      ASSERT_NE(c.events, nullptr) << u8(c.name);
      EXPECT_EQ(c.events->name, u"__" + c.name);
    } else {
      EXPECT_EQ(c.events, nullptr) << u8(c.name);
    }
  }
  // The events' members and the enumerations' values are checked in their printed form (IdlTest).
  using Values = std::vector<std::pair<String, int32_t>>;
  ASSERT_NE(findEnum(u"e_control_type"), nullptr);
  EXPECT_EQ(findEnum(u"E_PRINT_MODE")->values, (Values{{u"PM_SET_PRINT", 1}, {u"PM_UNSET_PRINT", 2}}));
  EXPECT_EQ(findEnum(u"EnumInnerStringType")->values,
            (Values{{u"eistpNormal", 0}, {u"eistpResource", 1}, {u"eistpFormat", 2}}));
  EXPECT_EQ(lib.enums.size(), 3u);
}

#include "typelib/Idl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

using namespace lv8int;
using namespace lv8int::typelib;

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string& idl() {
  static const std::string text = toIdl(typeLibrary());
  return text;
}

// The text between "<head> {" and the matching "};".
std::string block(const std::string& head) {
  size_t at = idl().find(head + " {");
  if (at == std::string::npos) at = idl().find(head + " : IDispatch {");
  if (at == std::string::npos) return {};
  size_t end = idl().find("\n    };", at);
  return idl().substr(at, end - at);
}

// The attribute list just above "coclass <name>".
std::string coclassAttributes(const std::string& name) {
  size_t at = idl().find("coclass " + name + " {");
  if (at == std::string::npos) return {};
  size_t open = idl().rfind("[", at);
  return idl().substr(open, at - open);
}

}  // namespace

TEST(Idl, LibraryBlock) {
  EXPECT_EQ(idl().find("[\n  uuid(E9EA5017-F7BC-41A5-B05C-2F27AC6ABCE4),\n  version(2.2)\n]\nlibrary LV8INT\n{"),
            idl().find("[\n  uuid(")) << idl().substr(0, 400);
  EXPECT_THAT(idl(), HasSubstr("library LV8INT\n{"));
  EXPECT_EQ(idl().substr(idl().size() - 3), "};\n");
  size_t open = 0, close = 0;
  for (char ch : idl()) {
    open += ch == '{';
    close += ch == '}';
  }
  EXPECT_EQ(open, close);
}

TEST(Idl, CoclassesWithIdentifiersAndCreationAttributes) {
  int coclasses = 0;
  for (size_t at = 0; (at = idl().find("coclass ", at)) != std::string::npos; ++at) ++coclasses;
  EXPECT_EQ(coclasses, 16);
  for (const ClassDesc& c : typeLibrary().classes) {
    std::string name = toUtf8(c.name);
    SCOPED_TRACE(name);
    std::string attrs = coclassAttributes(name);
    std::string clsid = toUtf8(c.clsid).substr(1, 36);
    EXPECT_THAT(attrs, HasSubstr("uuid(" + clsid + ")"));
    bool appobject = attrs.find("appobject") != std::string::npos;
    bool noncreatable = attrs.find("noncreatable") != std::string::npos;
    EXPECT_EQ(appobject, name[0] == 'G');
    EXPECT_EQ(noncreatable, !c.creatable);
    EXPECT_THAT(block("coclass " + name), HasSubstr("[default] interface _" + name + ";"));
  }
  EXPECT_THAT(block("coclass CApplication"), HasSubstr("[default, source] dispinterface __CApplication;"));
  EXPECT_THAT(block("coclass CConsole"), HasSubstr("[default, source] dispinterface __CConsole;"));
  EXPECT_THAT(block("coclass CConfig"), Not(HasSubstr("source")));
  std::string sys = coclassAttributes("CSysStatus");
  EXPECT_THAT(sys, Not(HasSubstr("noncreatable")));
  EXPECT_THAT(sys, Not(HasSubstr("appobject")));
}

TEST(Idl, ApplicationInterfaceListsItsSlotsInOrder) {
  std::string app = block("interface _CApplication");
  ASSERT_FALSE(app.empty());
  std::regex member("\\n        (\\[[^\\]]*\\] )?HRESULT (\\w+)\\(");
  std::vector<std::string> names;
  for (std::sregex_iterator it(app.begin(), app.end(), member), end; it != end; ++it) {
    std::string attrs = (*it)[1];
    std::string name = (*it)[2];
    if (attrs.find("propput") != std::string::npos) name += "=";
    names.push_back(name);
  }
  // The order itself is pinned in TypeLibraryTest.
  std::vector<std::string> described;
  for (const MemberDesc& m : findClass(u"CApplication")->defaultInterface.members)
    described.push_back(toUtf8(m.name) + (m.kind == InvokeKind::PropertyPut ? "=" : ""));
  EXPECT_EQ(names, described);
}

TEST(Idl, MemberDeclarations) {
  // Property get with an object of this library, returned through a retval pointer.
  EXPECT_NE(block("interface _CApplication").find("[propget] HRESULT Config([out, retval] _CConfig**);"),
            std::string::npos);
  EXPECT_NE(block("interface _CApplication").find("HRESULT Init([in] IDispatch* mdiMain, [in] BSTR strFullPath);"),
            std::string::npos);
  EXPECT_NE(block("interface _CApplication").find("[propput] HRESULT CurrentPrjID([in] BSTR pstrPrjID);"),
            std::string::npos);
  // Fixed ids, the enumerator and library-internal members.
  EXPECT_NE(block("interface _CConfig").find("[id(0x00000000), propget] HRESULT Properties([in] BSTR sPropName, "
                                             "[out, retval] VARIANT*);"),
            std::string::npos);
  EXPECT_NE(block("interface _CPeriods").find("[id(0xfffffffc), propget, restricted] HRESULT NewEnum("),
            std::string::npos);
  EXPECT_NE(block("interface _CPeriods").find("[hidden] HRESULT LoadPeriods([in] _CApplication* objApp);"),
            std::string::npos);
  EXPECT_NE(block("interface _CToolbar").find("[propputref] HRESULT objAB2([in] IDispatch* objAB);"),
            std::string::npos);
  // Optional and by-reference parameters with their default values.
  EXPECT_NE(block("interface _GFrontEnd")
                .find("[in, optional, defaultvalue(16)] VARIANT Buttons, [in, optional] VARIANT Title, "
                      "[in, out, optional] VARIANT* HelpFile, [in, out, optional] VARIANT* Context, "
                      "[out, retval] long*);"),
            std::string::npos)
      << block("interface _GFrontEnd");
  EXPECT_NE(block("interface _GBackEnd").find("[in, optional, defaultvalue(0)] EnumInnerStringType IStrType"),
            std::string::npos);
  EXPECT_THAT(block("interface _GBackEnd"), HasSubstr("[in, out] SAFEARRAY(VARIANT)* SectorArray"));
  EXPECT_NE(block("interface _CConsole").find("[in, optional, defaultvalue(\"\")] BSTR strChildMenuBar"),
            std::string::npos);
  EXPECT_NE(block("interface _GResman").find("[in, out, optional, defaultvalue(32)] long* xPixel"),
            std::string::npos);
}

TEST(Idl, EventsAndEnumerations) {
  std::string console = block("dispinterface __CConsole");
  EXPECT_NE(console.find("void BandOpen([in] BSTR BandName, [in, out] VARIANT_BOOL* Cancel);"), std::string::npos)
      << console;
  EXPECT_THAT(block("dispinterface __CApplication"), HasSubstr("void OnLanguageChange();"));
  EXPECT_NE(idl().find("typedef enum E_CONTROL_TYPE {\n        CONTROL_CELL = 1,\n        CONTROL_SPREAD = 2,\n"
                       "        CONTROL_RECORDSET = 3\n    } E_CONTROL_TYPE;"),
            std::string::npos);
  EXPECT_THAT(idl(), HasSubstr("PM_UNSET_PRINT = 2\n    } E_PRINT_MODE;"));
  EXPECT_THAT(idl(), HasSubstr("eistpFormat = 2\n    } EnumInnerStringType;"));
  EXPECT_NE(idl().find("// Types from outside the library: CDatabaseEngine, Collection, IAddIn, IBrowseFolderCallback, "
                       "IPictureDisp, IProgressBar, XMLRegistry."),
            std::string::npos)
      << idl().substr(0, 300);
}

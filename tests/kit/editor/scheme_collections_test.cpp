#include "kit/editor/scheme_collections.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kit/text/sys_info.h"
#include "scheme_support.h"

using namespace zv;

namespace {

const char16_t kColors[] = u"<Attributes><Token name='default'/><Token name='string'/></Attributes>";
const char16_t kSyntax[] =
    u"<SchemeList root='M'><Scheme name='M'><Regex regex='\"[^\"]*\"' token0='string'/></Scheme></SchemeList>";

std::string Error(const std::function<void()>& AFn) {
  try {
    AFn();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "(no error)";
}

struct Refreshes : TKitDocumentListener {
  int before = 0, after = 0;
  void BeforeSettingsRefresh() override { ++before; }
  void AfterSettingsRefresh() override { ++after; }
};

bool Loaded(TKitEditDocument& ADoc) { return static_cast<TKitEditParser&>(ADoc.GetParser()).IsSchemeLoaded(); }

}  // namespace

TEST(SchemeCollectionsTest, ItemNames) {
  TKitEditDocument doc;
  TKitEditParserSchemeCollection& syntax = doc.SyntaxSchemes();
  EXPECT_EQ(syntax.Add().Name(), u"SyntaxScheme0");
  EXPECT_EQ(syntax.Add().Name(), u"SyntaxScheme1");
  EXPECT_EQ(doc.ColorSchemes().Add().Name(), u"ColorScheme0");
  EXPECT_EQ(Error([&] { syntax.Items(0).SetName(u"SyntaxScheme1"); }),
            "EKitEditDocError: Scheme collection item name should be nonempty and unique");
  EXPECT_EQ(Error([&] { syntax.Items(0).SetName(u""); }),
            "EKitEditDocError: Scheme collection item name should be nonempty and unique");
  syntax.Items(0).SetName(u"SyntaxScheme0");  // its own name again
  // The default name counts upwards from the index past names in use.
  syntax.Items(1).SetName(u"SyntaxScheme2");
  syntax.Delete(0);
  EXPECT_EQ(syntax.Insert(0).Name(), u"SyntaxScheme0");
  EXPECT_EQ(syntax.Add().Name(), u"SyntaxScheme3");
  EXPECT_EQ(syntax.FindItem(u"SyntaxScheme2"), &syntax.Items(1));
  EXPECT_EQ(syntax.FindItem(u"syntaxscheme2"), nullptr);
  EXPECT_EQ(Error([&] { TKitEditParserSchemeCollection other(&doc); }),
            "EKitEditDocError: This internal Document class should not be created manually.");
}

TEST(SchemeCollectionsTest, Activation) {
  TKitEditDocument doc;
  doc.Insert(0, u"a \"b\"");
  Refreshes seen;
  doc.AddListener(&seen);
  KitSetSyntaxScheme(doc, u"syntax", kSyntax);
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"syntax");
  EXPECT_FALSE(Loaded(doc));  // no colour scheme yet
  KitSetColorScheme(doc, u"colors", kColors);
  EXPECT_TRUE(Loaded(doc));
  EXPECT_EQ(seen.before, seen.after);
  EXPECT_GT(seen.before, 0);
  TKitIntArray ids;
  doc.GetParser().GetAllTokenIDs(u"string", ids);
  EXPECT_EQ(ids, (TKitIntArray{1}));

  // Editing the active text reloads at once.
  doc.ColorSchemes().FindItem(u"colors")->Scheme().SetText(
      u"<Attributes><Token name='x'/><Token name='default'/><Token name='string'/></Attributes>");
  doc.GetParser().GetAllTokenIDs(u"string", ids);
  EXPECT_EQ(ids, (TKitIntArray{2}));

  EXPECT_EQ(Error([&] { doc.SetActiveSyntaxScheme(u"none"); }),
            "EKitEditDocError: Can't find syntax scheme by name: none");
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"syntax");
  EXPECT_EQ(Error([&] { doc.SetActiveColorScheme(u"none"); }),
            "EKitEditDocError: Can't find color scheme by name: none");

  // Deleting the active colour item clears the name and unloads.
  doc.ColorSchemes().Delete(0);
  EXPECT_EQ(doc.ActiveColorScheme(), u"");
  EXPECT_FALSE(Loaded(doc));
  KitSetColorScheme(doc, u"colors", kColors);
  EXPECT_TRUE(Loaded(doc));
  doc.SetActiveSyntaxScheme(u"");
  EXPECT_FALSE(Loaded(doc));
  doc.RemoveListener(&seen);
}

TEST(SchemeCollectionsTest, FailedLoadsClearTheirName) {
  TKitEditDocument doc;
  Refreshes seen;
  doc.AddListener(&seen);
  KitSetColorScheme(doc, u"colors", kColors);
  const std::string error = Error([&] { KitSetSyntaxScheme(doc, u"syntax", u"<SchemeList/>"); });
  EXPECT_EQ(error.rfind("EKitSyntaxSchemeLoadError: Schemes document loading error: ", 0), 0u) << error;
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"");
  EXPECT_EQ(doc.ActiveColorScheme(), u"colors");
  EXPECT_FALSE(Loaded(doc));
  EXPECT_EQ(seen.before, seen.after);  // the bracket closes on failure too

  doc.SyntaxSchemes().FindItem(u"syntax")->Scheme().SetText(kSyntax);
  doc.SetActiveSyntaxScheme(u"syntax");
  ASSERT_TRUE(Loaded(doc));
  const std::string colour =
      Error([&] { doc.ColorSchemes().FindItem(u"colors")->Scheme().SetText(u"<Attributes><Token/></Attributes>"); });
  EXPECT_EQ(colour.rfind("EKitColorSchemeLoadError: <Token> node reading error: ", 0), 0u) << colour;
  EXPECT_EQ(doc.ActiveColorScheme(), u"");
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"syntax");
  EXPECT_FALSE(Loaded(doc));
  doc.RemoveListener(&seen);
}

TEST(SchemeCollectionsTest, LoadFromDirectory) {
  const auto dir = std::filesystem::temp_directory_path() / ("scheme_dir_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub.xml");
  auto write = [&](const char* AName, const std::string& AText) {
    std::ofstream(dir / AName, std::ios::binary) << AText;
  };
  // A byte-order mark says UTF-8; without one the bytes are ANSI.
  write("main.v2.XML", "\xEF\xBB\xBF<SchemeList>\xC3\xA9\r\n</SchemeList>");
  write("other.xml", "line1\nline2");
  write("notes.txt", "x");
  TKitEditDocument doc;
  doc.SyntaxSchemes().LoadFromDirectory(KitFromPlatformText(dir.string()), u"xml");
  ASSERT_EQ(doc.SyntaxSchemes().Count(), 2);
  EXPECT_EQ(doc.SyntaxSchemes().Items(0).Name(), u"main");
  EXPECT_EQ(doc.SyntaxSchemes().Items(0).Scheme().Lines(), (TKitStringList{u"<SchemeList>\u00e9", u"</SchemeList>"}));
  EXPECT_EQ(doc.SyntaxSchemes().Items(1).Name(), u"other");
  EXPECT_EQ(doc.SyntaxSchemes().Items(1).Scheme().Text(), u"line1\r\nline2\r\n");
  // Two files of one name: the second is refused and the first stays.
  write("main.xml", "x");
  EXPECT_EQ(Error([&] {
              doc.SyntaxSchemes().LoadFromFiles({KitFromPlatformText((dir / "main.v2.XML").string()),
                                                 KitFromPlatformText((dir / "main.xml").string())});
            }),
            "EKitEditDocError: Scheme collection item name should be nonempty and unique");
  EXPECT_EQ(doc.SyntaxSchemes().Count(), 1);
  std::filesystem::remove_all(dir);
}

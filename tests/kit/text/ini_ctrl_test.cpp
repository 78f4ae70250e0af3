#include "kit/text/ini_ctrl.h"

#include <gtest/gtest.h>

#include "kit/text/application.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"
#include "kit_test_helpers.h"

namespace zv {
namespace {

using test::TTempSettings;

std::string U8(const TKitString& S) { return KitToPlatformText(S); }

class IniCtrlTest : public testing::Test {
 protected:
  TTempSettings FSettings{"kit_ini"};
  std::string File(const std::string& Name) const { return test::TTempSettings::ReadFile(FSettings.Folder() + Name); }
};

// A store whose user is fixed, whatever runs the test.
class TFixedUserIniCtrl : public TKitIniCtrl {
 public:
  TKitString GetNetUserName() override { return u"carol"; }
};

TEST_F(IniCtrlTest, NewStoreWritesToTheRegistry) {
  TKitIniCtrl ini;
  EXPECT_EQ(ini.Target(), itAuto);
  EXPECT_EQ(ini.EffectiveTarget(), itRegistry);
  const TKitString title = KitApplication().Title();
  EXPECT_EQ(ini.GetRegPath(), u"Software\\" + title + u"\\");
  ini.WriteString(u"View", u"Width", u"640");
  ini.WriteString(u"#ROOT", u"Top", u"1");
  EXPECT_EQ(File("Registry.ini"), "[HKEY_CURRENT_USER\\Software\\" + U8(title) + "\\View]\nWidth=640\n\n[HKEY_CURRENT_USER\\Software\\" +
                                      U8(title) + "]\nTop=1\n");
  EXPECT_EQ(ini.ReadString(u"View", u"Width", u""), u"640");

  // Another root and path; sections are subkeys, erased with what lies below them.
  ini.SetRegRoot(rpLocalMachine);
  ini.SetRegPath(u"Software\\Acme");
  ini.WriteInteger(u"Tools\\Grid", u"Size", 8);
  ini.WriteInteger(u"Panels", u"Count", 2);
  TKitStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections, (TKitStringList{u"Tools", u"Panels"}));
  EXPECT_TRUE(ini.SectionExists(u"Tools"));  // a key that only holds keys
  EXPECT_TRUE(ini.ValueExists(u"Tools\\Grid", u"Size"));
  EXPECT_FALSE(ini.ValueExists(u"Tools", u"Size"));
  ini.EraseSection(u"Tools");
  EXPECT_FALSE(ini.SectionExists(u"Tools"));
  EXPECT_EQ(ini.ReadInteger(u"Panels", u"Count", 0), 2);
}

TEST_F(IniCtrlTest, SectionNames) {
  TFixedUserIniCtrl ini;
  ini.SetTarget(itIniFile);
  ini.SetIniFile(u"/ignored/folder/Settings");
  EXPECT_EQ(ini.IniFile(), u"/ignored/folder/Settings.INI");
  EXPECT_EQ(U8(ini.GetIniName()), FSettings.Folder() + "Settings.INI");

  struct TCase {
    bool Common, NetUser;
    TKitString User, Section, Expected;
  };
  const TCase cases[] = {
      {true, false, u"", u"", u"Common"},  // nothing used yet
      {true, false, u"", u"Main", u"Main"},
      {true, false, u"", u" ", u"Main"},   // the last one used
      {false, false, u"bob", u"View", u"bob.View"},
      {false, false, u"bob", u"", u"bob.View"},
      {false, true, u"", u"View", u"carol.View"},
  };
  for (const TCase& c : cases) {
    ini.SetCommon(c.Common);
    ini.SetNetUser(c.NetUser);
    if (!c.NetUser) ini.SetUser(c.User);
    EXPECT_EQ(ini.GetSectionName(c.Section), c.Expected) << U8(c.Section);
  }
  EXPECT_EQ(ini.User(), u"carol");  // NetUser copies the name

  ini.SetNetUser(false);
  ini.SetUser(u"bob");
  ini.WriteString(u"View", u"Zoom", u"2");
  ini.WriteString(u"", u"Grid", u"on");
  EXPECT_EQ(File("Settings.INI"), "[bob.View]\nZoom=2\nGrid=on\n");
  // The registry keeps the section as it is.
  ini.SetTarget(itRegistry);
  EXPECT_EQ(ini.GetSectionName(u"View"), u"View");
  EXPECT_EQ(ini.GetSectionName(u"#ROOT"), u"");
}

TEST_F(IniCtrlTest, NumberedEntries) {
  TKitIniCtrl ini;
  ini.SetTarget(itIniFile);
  ini.SetIniFile(u"List.ini");
  ini.WriteString(u"Files", u"Old", u"gone");
  TKitStringList items;
  for (int i = 0; i < 20; ++i) items.push_back(u"file" + KitFromPlatformText(std::to_string(i)));
  ini.WriteStrings(u"Files", u"Item", items);
  TKitStringList idents;
  ini.ReadSection(u"Files", idents);
  ASSERT_EQ(idents.size(), 16u);
  EXPECT_EQ(idents.front(), u"Item0");
  EXPECT_EQ(idents.back(), u"Item15");
  TKitStringList back;
  ini.ReadStrings(u"Files", u"Item", back);
  EXPECT_EQ(back, TKitStringList(items.begin(), items.begin() + 16));
  ini.DeleteKey(u"Files", u"Item3");
  ini.ReadStringsExt(u"Files", u"Item", 10, back);
  EXPECT_EQ(back, TKitStringList(items.begin(), items.begin() + 3));

  ini.SetMaxEntries(30);
  ini.SetAlphaCounter(true);
  EXPECT_EQ(ini.MaxEntries(), 26);  // limited when the letters begin
  ini.SetMaxEntries(27);
  EXPECT_EQ(ini.MaxEntries(), 26);  // refused
  ini.SetMaxEntries(2);
  ini.WriteStrings(u"Files", u"Item", items);
  ini.ReadSection(u"Files", idents);
  EXPECT_EQ(idents, (TKitStringList{u"ItemA", u"ItemB"}));
}

TEST_F(IniCtrlTest, EncodedValues) {
  TKitIniCtrl ini;
  ini.SetTarget(itMemIniFile);
  ini.SetEncoded(true);
  const TKitString text = u"p\u00E4ss w\u00F6rd \u20AC";
  for (TKitIniCryptMode mode : {icmKey, icmTextKey}) {
    ini.SetCryptMode(mode);
    ini.WriteString(u"S", u"Secret", text);
    EXPECT_EQ(ini.ReadString(u"S", u"Secret", u""), text);
    EXPECT_EQ(ini.ReadString(u"S", u"Missing", u"dflt"), u"dflt");
    ini.SetEncoded(false);
    const TKitString stored = ini.ReadString(u"S", u"Secret", u"");
    ini.SetEncoded(true);
    EXPECT_NE(stored, text);
    if (mode == icmTextKey) {
      const size_t colon = stored.find(u':');
      ASSERT_NE(colon, TKitString::npos);
      EXPECT_EQ(stored.substr(0, colon), u"11");  // the byte count
      for (char16_t c : stored.substr(colon + 1)) EXPECT_TRUE(c >= u'0' && c <= u'o');
    }
  }
  ini.SetCryptMode(icmCustom);
  ini.OnEncodeString = [](TObject*, TKitString& T) { T = u"<" + T + u">"; };
  ini.OnDecodeString = [](TObject*, TKitString& T) { T = T.substr(1, T.size() - 2); };
  ini.WriteStrings(u"L", u"N", {u"a", u"b"});
  TKitStringList back;
  ini.ReadStrings(u"L", u"N", back);
  EXPECT_EQ(back, (TKitStringList{u"a", u"b"}));
  ini.SetEncoded(false);
  EXPECT_EQ(ini.ReadString(u"L", u"N1", u""), u"<b>");
}

// Scrambling may give any byte, line breaks included, which a line of a settings file
// cannot hold: every one-character text, each scrambling to another byte, reads back.
TEST_F(IniCtrlTest, EveryScrambledByteReadsBack) {
  TKitIniCtrl ini;
  ini.SetTarget(itIniFile);
  ini.SetEncoded(true);
  for (TKitIniCryptMode mode : {icmKey, icmTextKey}) {
    ini.SetCryptMode(mode);
    for (int b = 1; b < 256; ++b) {
      const TKitString text = KitAnsiToString(std::string(1, static_cast<char>(b))) + u"x";
      ini.WriteString(u"S", u"V", text);
      ASSERT_EQ(ini.ReadString(u"S", u"V", u""), text) << mode << " " << b;
    }
  }
}

TEST_F(IniCtrlTest, TypedValues) {
  TKitIniCtrl ini;
  ini.SetTarget(itMemIniFile);
  ini.WriteInteger(u"T", u"Int", -42);
  ini.WriteBool(u"T", u"Bool", true);
  ini.WriteFloat(u"T", u"Float", 0.1);
  const TDateTime when = EncodeDateTime(2024, 3, 5, 13, 45, 7);
  ini.WriteDateTime(u"T", u"When", when);
  ini.WriteDate(u"T", u"Day", when);
  ini.WriteTime(u"T", u"Time", when);
  ini.WriteColor(u"T", u"Color", clBtnFace);
  ini.WritePoint(u"T", u"Point", {3, -4});
  ini.WriteRect(u"T", u"Rect", {1, 2, 3, 4});
  const TKitFont font{u"Mono", 11, clRed, fsBold};
  ini.WriteFont(u"T", u"Font", font);

  EXPECT_EQ(ini.ReadInteger(u"T", u"Int", 0), -42);
  EXPECT_TRUE(ini.ReadBool(u"T", u"Bool", false));
  EXPECT_EQ(ini.ReadFloat(u"T", u"Float", 0), 0.1);
  EXPECT_EQ(ini.ReadString(u"T", u"When", u""), u"2024-03-05 13:45:07");
  EXPECT_EQ(ini.ReadDateTime(u"T", u"When", 0), when);
  EXPECT_EQ(ini.ReadDate(u"T", u"Day", 0), EncodeDateTime(2024, 3, 5, 0, 0, 0));
  EXPECT_NEAR(ini.ReadTime(u"T", u"Time", 0), (13 * 3600 + 45 * 60 + 7) / 86400.0, 1e-12);
  EXPECT_EQ(ini.ReadColor(u"T", u"Color", clNone), clBtnFace);
  EXPECT_EQ(ini.ReadPoint(u"T", u"Point", {}), (TKitPoint{3, -4}));
  EXPECT_EQ(ini.ReadRect(u"T", u"Rect", {}), (TKitRect{1, 2, 3, 4}));
  TKitFont read;
  EXPECT_TRUE(ini.ReadFont(u"T", u"Font", read));
  EXPECT_EQ(read, font);
  TKitFont untouched;
  EXPECT_FALSE(ini.ReadFont(u"T", u"NoFont", untouched));
  EXPECT_EQ(untouched, TKitFont());

  // A date typed with another separator; values that are not what they should be.
  ini.WriteString(u"T", u"Typed", u"2023.12.31");
  EXPECT_EQ(ini.ReadDate(u"T", u"Typed", 0), EncodeDateTime(2023, 12, 31, 0, 0, 0));
  ini.WriteString(u"T", u"Bad", u"2023-02-30");
  EXPECT_EQ(ini.ReadDate(u"T", u"Bad", 1.5), 1.5);
  EXPECT_EQ(ini.ReadFloat(u"T", u"Bad", 2.5), 2.5);
  EXPECT_EQ(ini.ReadColor(u"T", u"Bad", clRed), clRed);
  EXPECT_EQ(ini.ReadInteger(u"T", u"Bad", 7), 7);
}

TEST_F(IniCtrlTest, MemoryTarget) {
  const std::string path = FSettings.Folder() + "Mem.ini";
  std::ofstream(path) << "[A]\nx=1\n";
  TKitIniCtrl ini;
  ini.SetIniFile(u"Mem.ini");
  ini.SetTarget(itMemIniFile);
  ASSERT_NE(ini.MemIniFile(), nullptr);
  EXPECT_EQ(ini.ReadInteger(u"A", u"x", 0), 1);
  ini.WriteInteger(u"A", u"y", 2);
  EXPECT_EQ(File("Mem.ini"), "[A]\nx=1\n");  // memory only until saved
  ini.Save();
  EXPECT_EQ(File("Mem.ini"), "[A]\nx=1\ny=2\n");
  ini.WriteInteger(u"A", u"z", 3);
  ini.Load();  // back to what the file holds
  EXPECT_FALSE(ini.ValueExists(u"A", u"z"));
  EXPECT_TRUE(ini.SectionExists(u"A"));
  ini.Clear();
  EXPECT_FALSE(ini.SectionExists(u"A"));
  // Renaming the file moves where Save writes.
  ini.WriteString(u"B", u"k", u"v");
  ini.SetIniFile(u"Other.ini");
  ini.Save();
  EXPECT_EQ(File("Other.ini"), "[B]\nk=v\n");
  ini.SetTarget(itIniFile);
  EXPECT_EQ(ini.MemIniFile(), nullptr);
  EXPECT_EQ(ini.ReadString(u"B", u"k", u""), u"v");

  TKitStringList colors;
  ini.WriteColorList(u"Colors", {u"Text=clBlack", u"no pair", u"Back=$00FFFFFF"});
  ini.ReadColorList(u"Colors", colors);
  EXPECT_EQ(colors, (TKitStringList{u"Text=clBlack", u"Back=$00FFFFFF"}));
}

TEST_F(IniCtrlTest, MemIniFile) {
  TKitMemIniFile mem(KitFromPlatformText(FSettings.Folder() + "none.ini"));
  TKitStringList lines;
  const std::string text = "[A]\r\n k = v ;c\nj=w\n;c\n[B] ;c\nx=1\n";
  TKitMemoryStream stream(TKitByteArray(text.begin(), text.end()));
  mem.LoadFromStream(stream);
  EXPECT_EQ(mem.ReadString(u"A", u"k", u""), u"v ;c");
  mem.Normalize(u";", true);
  mem.GetStrings(lines);
  EXPECT_EQ(lines, (TKitStringList{u"[A]", u"k=v", u"j=w", u"", u"[B]", u"x=1"}));
  mem.RenameSection(u"B", u"C");
  mem.RenameSection(u"Q", u"R");
  EXPECT_EQ(mem.ReadInteger(u"C", u"x", 0), 1);
  TKitStringList sections;
  mem.ReadSections(sections);
  EXPECT_EQ(sections, (TKitStringList{u"A", u"C"}));
  mem.ReadSectionValues(u"A", lines);
  EXPECT_EQ(lines, (TKitStringList{u"k=v", u"j=w"}));
}

}  // namespace
}  // namespace zv

#include "kit/text/sys_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace zv {
namespace {

TEST(SysInfoTest, Classification) {
  struct TCase {
    uint32_t Platform, Major, Minor;
    uint8_t ProductType;
    uint16_t Suite;
    TKitString ServicePack;
    int Index;
  };
  const TCase cases[] = {
      {KitPlatform9x, 4, 0, 0, 0, u"", 0},   {KitPlatform9x, 4, 10, 0, 0, u"", 1},
      {KitPlatform9x, 4, 90, 0, 0, u"", 2},  {KitPlatformNT, 4, 0, 1, 0, u"", 3},
      {KitPlatformNT, 5, 0, 1, 2, u"", 4},   {KitPlatformNT, 5, 1, 1, 0, u"Service Pack 2", 5},
      {KitPlatformNT, 5, 2, 3, 2, u"", 6},   {KitPlatformNT, 6, 0, 1, 0, u"", 7},
      {KitPlatformNT, 6, 0, 3, 0, u"", 8},   {KitPlatformNT, 6, 1, 1, 0, u"", 9},
      {KitPlatformNT, 6, 1, 2, 0, u"", 10},  {KitPlatformNT, 6, 2, 1, 0, u"", 11},
      {KitPlatformNT, 6, 2, 3, 0, u"", 12},  {KitPlatformNT, 6, 3, 1, 0, u"", 13},
      {KitPlatformNT, 6, 3, 3, 0, u"", 14},  {KitPlatformNT, 10, 0, 1, 0, u"", 3},
  };
  for (const TCase& c : cases) {
    TKitOSVersionRecord v;
    v.PlatformId = c.Platform;
    v.Major = c.Major;
    v.Minor = c.Minor;
    v.ProductType = c.ProductType;
    v.SuiteMask = c.Suite;
    v.ServicePack = c.ServicePack;
    const TKitOSInfo i = KitClassifyOS(v);
    EXPECT_EQ(i.Index, c.Index) << c.Major << "." << c.Minor;
    EXPECT_TRUE(i.Initialized);
    EXPECT_EQ(i.IsNT, c.Platform == KitPlatformNT);
  }
  TKitOSVersionRecord v;
  v.PlatformId = KitPlatformNT;
  v.Major = 10;
  TKitOSInfo i = KitClassifyOS(v);
  EXPECT_TRUE(i.AtLeast50 && i.AtLeast51 && i.AtLeast52 && i.AtLeast60 && i.AtLeast61 && i.AtLeast62);
  EXPECT_TRUE(i.ServicePack2or3OrAtLeast52 && i.Extensions);
  EXPECT_FALSE(i.Is62 || i.IsXPFamily);

  v.Major = 5;
  v.Minor = 1;
  v.ServicePack = u"Service Pack 3";
  i = KitClassifyOS(v);
  EXPECT_TRUE(i.IsXPFamily && i.ServicePack3 && i.ServicePack2or3 && i.IsXPStandard && i.AtLeast51);
  EXPECT_FALSE(i.AtLeast52);
  v.MediaCenter = true;
  EXPECT_TRUE(KitClassifyOS(v).IsMediaCenter);
  v.SuiteMask = 3;
  EXPECT_TRUE(KitClassifyOS(v).IsXPSuite3);
  EXPECT_EQ(std::u16string(KitOSNames[KitClassifyOS(v).Index]), u"Windows XP");

  // What this platform reports.
  EXPECT_TRUE(KitIsWinNT());
  EXPECT_EQ(KitOSInfo().Index, 3);
  EXPECT_EQ(KitDisplayColorDepth(), 32);
  EXPECT_EQ(KitGetOSVersionValue(0), 10u);
  EXPECT_EQ(KitGetOSVersionValue(2), KitPlatformNT);
  EXPECT_EQ(KitGetOSVersionValue(8), 0u);
  EXPECT_TRUE(KitIsWindowsVersion(10, 0));
  EXPECT_FALSE(KitGetUserName().empty());
}

TEST(SysInfoTest, Files) {
  const auto dir = std::filesystem::temp_directory_path() / ("kit_sysinfo_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const TKitString folder = KitFromPlatformText(dir.string());
  std::ofstream(dir / "empty");
  std::ofstream(dir / "five") << "12345";
  EXPECT_EQ(KitFileSize(folder), -1);
  EXPECT_EQ(KitFileSize(folder + u"/empty"), 0);
  EXPECT_EQ(KitFileSize(folder + u"/five"), 5);
  EXPECT_EQ(KitFileSize(folder + u"/missing"), -1);
  std::filesystem::remove_all(dir);

  EXPECT_EQ(KitExtractFileName(KitExeName()), u"kit_text_more_tests");
  struct TCase {
    TKitString Path, Ext, Changed;
  };
  const TCase cases[] = {
      {u"/a/b.c/name.log", u".l0", u"/a/b.c/name.l0"},
      {u"/a/b.c/name", u".LOG", u"/a/b.c/name.LOG"},
      {u"name.tar.gz", u"", u"name.tar"},
  };
  for (const TCase& c : cases) EXPECT_EQ(KitChangeFileExt(c.Path, c.Ext), c.Changed);
  EXPECT_FALSE(KitHasFileExt(u"/a.b/c"));
}

}  // namespace
}  // namespace zv

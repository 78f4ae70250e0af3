// A save puts the new file in place of the old one in one step: whatever fails, the old file
// and the text in the editor stay as they were, and the error names the file and the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "kit/editor/edit_document.h"
#include "kit/text/helpers.h"
#include "kit/text/sys_info.h"
#include "support/error_of.h"
#include "support/full_folder.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::ErrorOf;

std::string Read(const fs::path& Name) {
  std::ifstream f(Name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

unsigned Mode(const fs::path& Name) {
  struct stat st;
  return ::stat(Name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TKitString Text(TKitEditDocument& Doc) { return KitSeqToStr(Doc.Chars()); }

class SavingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("kit_editor_saving_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  fs::path Dir;
};

// On a full disk: the old file keeps its bytes and permissions, no temporary file is left,
// the text stays modified; once there is room the same save goes through.
TEST_F(SavingTest, AFullDiskLeavesTheOldFileAndTheTextAsTheyWere) {
  test::TFullFolder full(Dir / "full");
  const std::string file = full.File("device.txt");
  std::ofstream(file, std::ios::binary) << "<LogicalDevice>\r\n</LogicalDevice>\r\n";
  ::chmod(file.c_str(), 0640);

  TKitEditDocument doc;
  doc.SetCodePage(65001);
  TKitString text;
  for (int i = 0; i < 4000; ++i) text += u"<DataObject> <Name Value=\"0000600A01FF\" /> </DataObject>\r\n";
  doc.Insert(0, text);
  full.Fill(64);
  EXPECT_EQ(ErrorOf([&] { doc.SaveToFile(KitFromPlatformText(file)); }),
            "Stream write error: " + file + ": " + std::strerror(full.Error()));
  EXPECT_EQ(Read(file), "<LogicalDevice>\r\n</LogicalDevice>\r\n");
  EXPECT_EQ(Mode(file), 0640u);
  EXPECT_EQ(full.Names(), std::vector<std::string>{"device.txt"});
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(Text(doc), text);

  full.MakeRoom();
  doc.SaveToFile(KitFromPlatformText(file));
  EXPECT_EQ(Read(file).size(), text.size());
  EXPECT_EQ(Mode(file), 0640u);
  EXPECT_EQ(full.Names(), std::vector<std::string>{"device.txt"});
  EXPECT_FALSE(doc.Modified());
}

// The file a link names is replaced and the link stays; a new file gets the usual rights.
TEST_F(SavingTest, ASaveKeepsPermissionsAndLinks) {
  const fs::path real = Dir / "real.txt", link = Dir / "link.txt", fresh = Dir / "new.txt";
  std::ofstream(real, std::ios::binary) << "old";
  ::chmod(real.c_str(), 0600);
  fs::create_symlink(real, link);
  KitReplaceFile(link.string(), "new", 3);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(real), "new");
  EXPECT_EQ(Mode(real), 0600u);

  const mode_t mask = ::umask(022);
  KitReplaceFile(fresh.string(), "x", 1);
  ::umask(mask);
  EXPECT_EQ(Mode(fresh), 0644u);
  size_t names = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Dir)) ++names;
  EXPECT_EQ(names, 3u);  // no temporary file left behind
}

// The run time's text comes first, then the file and what the system said.
TEST_F(SavingTest, ErrorsNameTheFileAndTheReason) {
  const std::string missing = (Dir / "no such folder" / "device.txt").string();
  const std::string folder = (Dir / "a folder").string();
  fs::create_directories(folder);
  const std::string locked = (Dir / "locked" / "device.txt").string();
  fs::create_directories(Dir / "locked");
  ::chmod((Dir / "locked").c_str(), 0555);
  TKitEditDocument doc;
  doc.Insert(0, u"text");
  const struct {
    std::string expected;
    std::function<void()> call;
  } rows[] = {
      {"Cannot create file " + missing + ": No such file or directory",
       [&] { doc.SaveToFile(KitFromPlatformText(missing)); }},
      {"Cannot create file " + missing + ": No such file or directory", [&] { TKitFileStream file(missing, fmCreate); }},
      {"Cannot create file " + folder + ": Is a directory", [&] { doc.SaveToFile(KitFromPlatformText(folder)); }},
      {"Cannot create file " + folder + ": Is a directory", [&] { TKitFileStream file(folder, fmCreate); }},
      {"Stream write error: /dev/full: No space left on device",
       [] {
         TKitFileStream full(std::string("/dev/full"), fmOpenWrite);
         full.WriteBuffer("x", 1);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(ErrorOf(row.call), row.expected);
  }
  // Root writes into any folder and over any file.
  if (::geteuid() != 0) {
    EXPECT_EQ(ErrorOf([&] { doc.SaveToFile(KitFromPlatformText(locked)); }),
              "Cannot create file " + locked + ": Permission denied");
    const std::string readOnly = (Dir / "read-only.txt").string();
    std::ofstream(readOnly) << "kept";
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(ErrorOf([&] { doc.SaveToFile(KitFromPlatformText(readOnly)); }),
              "Cannot create file " + readOnly + ": Permission denied");
    EXPECT_EQ(Read(readOnly), "kept");
  }
  EXPECT_TRUE(doc.Modified());
  ::chmod((Dir / "locked").c_str(), 0755);
}

}  // namespace
}  // namespace zv

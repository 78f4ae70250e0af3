#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/errors.h"
#include "foundation/ini_file.h"

using namespace zv;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zv_ini_XXXXXX").string();
    Dir = mkdtemp(tmpl.data());
    Name = Dir + "/Zorvan.ini";
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  void WriteFile(const std::string& text) { std::ofstream(Name, std::ios::binary) << text; }
  std::string ReadFile() {
    std::ifstream in(Name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Dir, Name;
};

}  // namespace

TEST_F(IniFileTest, MissingFileGivesDefaults) {
  TIniFile ini(Name);
  EXPECT_EQ(ini.ReadString("FormPreferences", "EDITSystemTitle", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("FormPreferences", "EDITBaud", 9600), 9600);
  EXPECT_TRUE(ini.ReadBool("FormPreferences", "CHKGBTAbortToAbort", true));
  EXPECT_FALSE(std::filesystem::exists(Name));  // reading never creates the file
}

TEST_F(IniFileTest, WritesTypedValuesAndReadsThemBack) {
  {
    TIniFile ini(Name);
    ini.WriteString("FormPreferences", "EDITSystemTitle", "0102030405060708");
    ini.WriteInteger("FormPreferences", "EDITServerPortNr", 4059);
    ini.WriteInteger("FormMain", "Left", -8);
    ini.WriteBool("FormPreferences", "RBTCPSelected", true);
    ini.WriteBool("FormPreferences", "CHKDoNotSign", false);
    ini.WriteString("FormPreferences", "EDITServerPortNr", "4060");  // replaces in place
  }
  EXPECT_EQ(ReadFile(),
            "[FormPreferences]\nEDITSystemTitle=0102030405060708\nEDITServerPortNr=4060\n"
            "RBTCPSelected=1\nCHKDoNotSign=0\n\n[FormMain]\nLeft=-8\n");
  TIniFile again(Name);
  EXPECT_EQ(again.ReadInteger("FormPreferences", "EDITServerPortNr", 0), 4060);
  EXPECT_EQ(again.ReadInteger("formmain", "LEFT", 0), -8);  // names in any case
  EXPECT_TRUE(again.ReadBool("FormPreferences", "RBTCPSelected", false));
  EXPECT_FALSE(again.ReadBool("FormPreferences", "CHKDoNotSign", true));
  // Values with outer blanks or quotes keep them.
  for (const char* v : {"  padded ", "\"quoted\"", "'x'", "\"", "a=b", ""}) {
    again.WriteString("S", "K", v);
    EXPECT_EQ(TIniFile(Name).ReadString("S", "K", "?"), v);
  }
  for (const auto& entry : std::filesystem::directory_iterator(Dir))
    EXPECT_EQ(entry.path().filename(), "Zorvan.ini");  // no temporary file is left behind
}

TEST_F(IniFileTest, HandWrittenValues) {
  WriteFile(
      "\xEF\xBB\xBF; settings\r\n"
      "[Misc]\r\n"
      "  Tools = TRUE \r\n"
      "[FormPreferences]\r\n"
      "CHKAcceptAARQ=false\r\n"
      "CHKIgnoreUnconfirmed=7\r\n"
      "CHKDoNotSign=yes\r\n"
      "EDITBaud=  19200\r\n"
      "EDITCOMNr=COM3\r\n"
      "EDITServerPortNr=\r\n"
      "EDITSystemTitle=\"\\ABCDEFGH\"\r\n"
      "[formpreferences]\r\n"
      "EDITMaxLogSize=500\r\n"
      "garbage line\r\n");
  TIniFile ini(Name);
  struct Row { const char* key; bool def; bool expected; };
  const Row bools[] = {
      {"CHKAcceptAARQ", true, false},       {"CHKIgnoreUnconfirmed", false, true},
      {"CHKDoNotSign", true, true},         {"CHKDoNotSign", false, false},  // unreadable: default
      {"EDITServerPortNr", true, true},     {"Missing", true, true},
  };
  for (const Row& r : bools) {
    SCOPED_TRACE(r.key);
    EXPECT_EQ(ini.ReadBool("FormPreferences", r.key, r.def), r.expected);
  }
  EXPECT_TRUE(ini.ReadBool("Misc", "Tools", false));
  EXPECT_EQ(ini.ReadInteger("FormPreferences", "EDITBaud", 9600), 19200);
  EXPECT_EQ(ini.ReadInteger("FormPreferences", "EDITCOMNr", 1), 1);
  EXPECT_EQ(ini.ReadInteger("FormPreferences", "EDITServerPortNr", 0), 0);
  EXPECT_EQ(ini.ReadString("FormPreferences", "EDITServerPortNr", "d"), "");
  EXPECT_EQ(ini.ReadString("FormPreferences", "EDITSystemTitle", ""), "\\ABCDEFGH");
  EXPECT_EQ(ini.ReadInteger("FormPreferences", "EDITMaxLogSize", 0), 500);  // repeated section

  // Writing keeps the comment and the other lines, and puts a new key into its section.
  ini.WriteBool("Misc", "Other", true);
  std::string text = ReadFile();
  EXPECT_TRUE(text.starts_with("; settings\n[Misc]\n  Tools = TRUE \nOther=1\n[FormPreferences]\n")) << text;
  EXPECT_NE(text.find("garbage line\n"), std::string::npos);
  EXPECT_TRUE(TIniFile(Name).ReadBool("misc", "other", false));
}

TEST_F(IniFileTest, EraseSectionAndChangesOnDisk) {
  TIniFile ini(Name);
  ini.WriteString("FormMain.LB", "c", "2");
  ini.WriteString("FormMain.LB", "0", "a");
  ini.WriteString("LastFiles", "DEVICE", "/tmp/d.txt");
  ini.EraseSection("formmain.lb");
  EXPECT_EQ(ini.ReadString("FormMain.LB", "c", "none"), "none");
  EXPECT_EQ(ini.ReadString("LastFiles", "DEVICE", ""), "/tmp/d.txt");
  EXPECT_EQ(ReadFile(), "[LastFiles]\nDEVICE=/tmp/d.txt\n");
  // An edit by hand while the program runs is seen at the next call.
  WriteFile("[LastFiles]\nDEVICE=/home/x.txt\nLOG=/tmp/l.txt\n");
  EXPECT_EQ(ini.ReadString("LastFiles", "DEVICE", ""), "/home/x.txt");
  ini.WriteString("LastFiles", "IMPORT", "/tmp/i.txt");
  EXPECT_EQ(ReadFile(), "[LastFiles]\nDEVICE=/home/x.txt\nLOG=/tmp/l.txt\nIMPORT=/tmp/i.txt\n");
}

TEST_F(IniFileTest, AValueThatStaysIsNotWrittenAgain) {
  const auto inode = [&] {
    struct stat st {};
    EXPECT_EQ(stat(Name.c_str(), &st), 0);
    return st.st_ino;
  };
  TIniFile ini(Name);
  ini.WriteInteger("FormPreferences", "EDITBaud", 9600);
  const auto first = inode();
  ini.WriteString("formpreferences", "EDITBAUD", "9600");
  EXPECT_EQ(inode(), first);  // not replaced
  ini.WriteInteger("FormPreferences", "EDITBaud", 19200);
  EXPECT_NE(inode(), first);
  EXPECT_EQ(ReadFile(), "[FormPreferences]\nEDITBaud=19200\n");
}

TEST_F(IniFileTest, FailedWriteRaises) {
  TIniFile ini(Dir + "/no such folder/Zorvan.ini");
  try {
    ini.WriteInteger("S", "K", 1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + Dir + "/no such folder/Zorvan.ini: No such file or directory");
  }
  EXPECT_EQ(ini.ReadInteger("S", "K", 9), 9);  // what is on disk, not the failed write
}

TEST_F(IniFileTest, SharedBetweenThreads) {
  TIniFile ini(Name);
  constexpr int kThreads = 4, kKeys = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "K" + std::to_string(t) + "_" + std::to_string(k);
        ini.WriteInteger("Section" + std::to_string(t % 2), key, k);
        EXPECT_EQ(ini.ReadInteger("Section" + std::to_string(t % 2), key, -1), k);
      }
    });
  }
  for (auto& th : threads) th.join();
  TIniFile reread(Name);
  for (int t = 0; t < kThreads; ++t)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(reread.ReadInteger("Section" + std::to_string(t % 2), "K" + std::to_string(t) + "_" + std::to_string(k), -1), k);
}

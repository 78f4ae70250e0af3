#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "foundation/ini_file.h"
#include "server/settings.h"

using namespace zv;

TEST(Settings, DefaultsAndHandWrittenValues) {
  auto dir = std::filesystem::temp_directory_path() / ("zv-settings-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  TIniFile ini((dir / "Zorvan.ini").string());
  TFormPreferences::SetIniFile(&ini);
  // Without a file: HDLC on COM1 at 9600 baud, port 0.
  EXPECT_EQ(TFormPreferences::GetCommunicationProfile(), 3);
  EXPECT_EQ(TFormPreferences::GetHDLCCOMNr(), 1);
  EXPECT_EQ(TFormPreferences::GetHDLCBaud(), 9600);
  EXPECT_EQ(TFormPreferences::GetServerPortNr(), 0);
  EXPECT_EQ(TFormPreferences::GetEDITReceiveTimeout(), 5000);
  EXPECT_TRUE(TFormPreferences::GetGBTAbortToAbort());
  EXPECT_FALSE(TFormPreferences::GetAcceptAARQWhenAssociated());
  {
    std::ofstream f(dir / "Zorvan.ini");
    f << "[FormPreferences]\r\nRBTCPSelected=1\r\nEDITServerPortNr=4059\r\nEDITSystemTitle=4D4D4D0000BC614E\r\n"
         "CHKGBTAbortToAbort=false\r\nCHKAcceptAARQ=True\r\n";
  }
  EXPECT_EQ(TFormPreferences::GetCommunicationProfile(), 1);
  EXPECT_EQ(TFormPreferences::GetServerPortNr(), 4059);
  EXPECT_EQ(TFormPreferences::GetSystemTitle(), "4D4D4D0000BC614E");
  EXPECT_FALSE(TFormPreferences::GetGBTAbortToAbort());
  EXPECT_TRUE(TFormPreferences::GetAcceptAARQWhenAssociated());
  TFormPreferences::SetIniFile(nullptr);
  std::filesystem::remove_all(dir);
}

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "app/font_dispatcher.h"
#include "app/settings_dialog.h"
#include "app/shell_test_support.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {
namespace {

using Dialog = app::TFormPreferences;
using SettingsDialogTest = ShellTest;

struct OkRow {
  const char* name;
  bool tcp, hdlc;
  const char *port, *com, *baud, *title;
  // Empty when OK closes the dialog, else the field that gets the focus.
  const char* faulty;
};

TEST_F(SettingsDialogTest, OkChecksTheFieldsOfTheSelectedProfile) {
  const OkRow rows[] = {
      {"TCP with a hex title", true, false, "4059", "1", "9600", "0102030405060708", ""},
      {"hex title with blanks", true, false, "4059", "1", "9600", "01 02 03 04 05 06 07 08", ""},
      {"title of 8 characters", true, false, "1", "1", "9600", "\\ABCDEFGH", ""},
      {"HDLC fields not checked under TCP", true, false, "65535", "0", "x", "0102030405060708", ""},
      {"HDLC", false, true, "0", "255", "300", "0102030405060708", ""},
      {"short title", true, false, "4059", "1", "9600", "01020304", "EDITSystemTitle"},
      {"empty title", true, false, "4059", "1", "9600", "", "EDITSystemTitle"},
      {"dotted title", true, false, "4059", "1", "9600", "1.2.3.4.5.6", "EDITSystemTitle"},
      {"7 characters", true, false, "4059", "1", "9600", "\\ABCDEFG", "EDITSystemTitle"},
      {"not hex", true, false, "4059", "1", "9600", "01020304050607XY", "EDITSystemTitle"},
      {"port 0", true, false, "0", "1", "9600", "0102030405060708", "EDITServerPortNr"},
      {"port above 65535", true, false, "65536", "1", "9600", "0102030405060708", "EDITServerPortNr"},
      {"port no number", true, false, "port", "1", "9600", "0102030405060708", "EDITServerPortNr"},
      {"COM 0", false, true, "0", "0", "9600", "0102030405060708", "EDITCOMNr"},
      {"COM 256", false, true, "0", "256", "9600", "0102030405060708", "EDITCOMNr"},
      {"baud 299", false, true, "0", "1", "299", "0102030405060708", "EDITBaud"},
  };
  for (const OkRow& row : rows) {
    SCOPED_TRACE(row.name);
    WriteIni("");
    TFakePrompter prompter;
    Dialog dialog;
    dialog.show();
    dialog.RBTCPSelected->setChecked(row.tcp);
    dialog.RBHDLCSelected->setChecked(row.hdlc);
    dialog.EDITServerPortNr->setText(QString::fromLatin1(row.port));
    dialog.EDITCOMNr->setText(QString::fromLatin1(row.com));
    dialog.EDITBaud->setText(QString::fromLatin1(row.baud));
    dialog.EDITSystemTitle->setText(QString::fromLatin1(row.title));
    dialog.BTNOk->click();
    EXPECT_TRUE(prompter.Messages.empty());
    if (*row.faulty == 0) {
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_FALSE(dialog.isVisible());
      EXPECT_EQ(prompter.Beeps, 0);
      EXPECT_EQ(Dialog::GetCommunicationProfile(), row.tcp ? 1 : 3);
      EXPECT_EQ(Dialog::GetSystemTitle(), row.title);
    } else {
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ(prompter.Beeps, 1);
      ASSERT_NE(dialog.focusWidget(), nullptr);
      EXPECT_EQ(dialog.focusWidget()->objectName(), QLatin1String(row.faulty));
      // Nothing is stored before every field passed.
      EXPECT_EQ(IniFile().ReadString("FormPreferences", "EDITSystemTitle", "none"), "none");
    }
  }
}

TEST_F(SettingsDialogTest, OkWithoutAProfileSaysSo) {
  Dialog dialog;
  dialog.show();
  dialog.RBTCPSelected->setChecked(false);
  dialog.RBHDLCSelected->setChecked(false);
  dialog.BTNOk->click();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("No communication profile selected."));
  EXPECT_EQ(Prompter.Beeps, 0);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SettingsDialogTest, TheEngineReadsWhatOkWrote) {
  // Without a settings file: HDLC on COM1 at 9600 baud, port 0.
  EXPECT_EQ(Dialog::GetCommunicationProfile(), 3);
  EXPECT_EQ(Dialog::GetHDLCCOMNr(), 1);
  EXPECT_EQ(Dialog::GetHDLCBaud(), 9600);
  EXPECT_EQ(Dialog::GetServerPortNr(), 0);

  // Values this version does not offer are forced; the hidden tweaks and the receive
  // timeout, which the server reads, are kept as stored.
  WriteIni("[FormPreferences]\nCHKAcceptAARQ=1\nCHKGBTSendStreams=1\nEDITReceiveTimeout=99\n"
           "CHKDoNotSign=1\nCHKUseUDP=1\nEDITMaxLogSize=500\nCHKGBTAbortToAbort=0\n");
  Dialog dialog;
  dialog.show();
  EXPECT_FALSE(dialog.CHKUseUDP->isVisible());
  EXPECT_FALSE(dialog.CHKUseUDP->isChecked());
  EXPECT_FALSE(dialog.GRPTweaks->isVisible());
  EXPECT_FALSE(dialog.GRPGBT->isVisible());
  EXPECT_FALSE(dialog.EDITReceiveTimeout->isVisible());
  EXPECT_FALSE(dialog.SPINGBTWindowSize->isEnabled());
  EXPECT_EQ(dialog.GRPTCP->title(), QStringLiteral("TCP Profile"));
  dialog.RBHDLCSelected->setChecked(true);
  dialog.RBTCPSelected->setChecked(true);
  EXPECT_FALSE(dialog.RBHDLCSelected->isChecked());
  dialog.EDITServerPortNr->setText(QStringLiteral("4059"));
  dialog.EDITCOMNr->setText(QStringLiteral("3"));
  dialog.EDITBaud->setText(QStringLiteral("19200"));
  dialog.EDITSystemTitle->setText(QStringLiteral("4D4D4D0000BC614E"));
  dialog.CHKShortenLongXmlLogging->setChecked(true);
  dialog.BTNOk->click();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);

  TIniFile& ini = IniFile();
  EXPECT_TRUE(ini.ReadBool("FormPreferences", "CHKAcceptAARQ", false));
  EXPECT_FALSE(ini.ReadBool("FormPreferences", "CHKGBTSendStreams", true));
  EXPECT_FALSE(ini.ReadBool("FormPreferences", "CHKUseUDP", true));
  EXPECT_EQ(ini.ReadString("FormPreferences", "EDITReceiveTimeout", ""), "99");
  EXPECT_EQ(ini.ReadString("FormPreferences", "SPINGBTWindowSize", ""), "1");
  EXPECT_EQ(Dialog::GetCommunicationProfile(), 1);
  EXPECT_EQ(Dialog::GetServerPortNr(), 4059);
  EXPECT_EQ(Dialog::GetHDLCCOMNr(), 3);
  EXPECT_EQ(Dialog::GetHDLCBaud(), 19200);
  EXPECT_EQ(Dialog::GetSystemTitle(), "4D4D4D0000BC614E");
  EXPECT_EQ(Dialog::GetEDITReceiveTimeout(), 99);
  EXPECT_EQ(Dialog::GetMaxLogSize(), 500);
  EXPECT_TRUE(Dialog::GetAcceptAARQWhenAssociated());
  EXPECT_TRUE(Dialog::GetCHKDoNotSign());
  EXPECT_FALSE(Dialog::GetCHKDoNotEncrypt());
  EXPECT_FALSE(Dialog::GetGBTAbortToAbort());
  EXPECT_TRUE(Dialog::GetCHKShortenLongXmlLogging());
  EXPECT_FALSE(Dialog::GetCHKComleteObjecList());
}

// What the server would use, getter by getter.
std::map<std::string, std::string> ServerSettings() {
  using G = std::function<std::string()>;
  auto b = [](bool (*Get)()) { return G([Get] { return std::string(Get() ? "True" : "False"); }); };
  auto i = [](int (*Get)()) { return G([Get] { return std::to_string(Get()); }); };
  const std::pair<const char*, G> getters[] = {
      {"CommunicationProfile", i(&Dialog::GetCommunicationProfile)},
      {"ServerPortNr", i(&Dialog::GetServerPortNr)},
      {"HDLCCOMNr", i(&Dialog::GetHDLCCOMNr)},
      {"HDLCBaud", i(&Dialog::GetHDLCBaud)},
      {"ReceiveTimeout", i(&Dialog::GetEDITReceiveTimeout)},
      {"MaxLogSize", i(&Dialog::GetMaxLogSize)},
      {"SystemTitle", [] { return Dialog::GetSystemTitle(); }},
      {"AcceptAARQWhenAssociated", b(&Dialog::GetAcceptAARQWhenAssociated)},
      {"CompleteObjectList", b(&Dialog::GetCHKComleteObjecList)},
      {"DoNotLogSupportingLayerFrames", b(&Dialog::GetCHKDoNotLogSupportingLayerFrames)},
      {"IgnoreUnconfirmed", b(&Dialog::GetCHKIgnoreUnconfirmed)},
      {"ShortenLongXmlLogging", b(&Dialog::GetCHKShortenLongXmlLogging)},
      {"GBTAbortToAbort", b(&Dialog::GetGBTAbortToAbort)},
      {"DoNotSign", b(&Dialog::GetCHKDoNotSign)},
      {"DoNotAuthenticate", b(&Dialog::GetCHKDoNotAuthenticate)},
      {"DoNotEncrypt", b(&Dialog::GetCHKDoNotEncrypt)},
      {"GBTWindowSize", i(&Dialog::GetGBTWindowSize)},
      {"GBTSendStreams", b(&Dialog::GetGBTSendStreams)},
      {"IPv6", b(&Dialog::GetIPv6)},
      {"UseUDP", b(&Dialog::GetUseUDP)},
  };
  std::map<std::string, std::string> values;
  for (const auto& [name, get] : getters) values[name] = get();
  return values;
}

// A key the file lacks shows the value the server uses without it, so that OK on a dialog
// nobody changed leaves the server as it was, for every control: defaults, values other
// than the defaults, and values written by hand in forms the dialog does not write itself.
TEST_F(SettingsDialogTest, OkWithoutAChangeLeavesTheServerAsItWas) {
  const struct {
    const char* name;
    const char* file;
    bool accepted;  // OK passes its checks
  } rows[] = {
      {"a new settings slot", "", false},  // no system title yet: OK refuses
      {"only a system title", "[FormPreferences]\nEDITSystemTitle=0102030405060708\n", true},
      {"every key off its default",
       "[FormPreferences]\nRBTCPSelected=1\nRBHDLCSelected=0\nEDITServerPortNr=4059\nEDITCOMNr=3\n"
       "EDITBaud=19200\nEDITReceiveTimeout=2000\nEDITMaxLogSize=500\nEDITSystemTitle=\\ABCDEFGH\n"
       "CHKAcceptAARQ=1\nCHKCompleteObjectList=1\nCHKDoNotLogSupportingLayerFrames=1\nCHKIgnoreUnconfirmed=1\n"
       "CHKShortenLongXmlLogging=1\nCHKGBTAbortToAbort=0\nCHKDoNotSign=1\nCHKDoNotAuthenticate=1\n"
       "CHKDoNotEncrypt=1\nCHKGBTSendStreams=1\nSPINGBTWindowSize=7\nCHKUseUDP=1\nCHKIPv6=1\n",
       true},
      {"written by hand",
       "[FormPreferences]\nRBTCPSelected=true\nEDITServerPortNr=4059\nEDITSystemTitle=01 02 03 04 05 06 07 08\n"
       "CHKGBTAbortToAbort=False\nCHKDoNotSign=TRUE\nCHKDoNotEncrypt=maybe\nEDITMaxLogSize=lots\n"
       "EDITCOMNr=x\n",
       true},
      {"both profiles stored as selected",
       "[FormPreferences]\nRBHDLCSelected=1\nRBTCPSelected=1\nEDITServerPortNr=4059\n"
       "EDITSystemTitle=0102030405060708\n",
       true},
      {"HDLC by the TCP key alone", "[FormPreferences]\nRBTCPSelected=0\nEDITSystemTitle=0102030405060708\n", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteIni(row.file);
    const std::map<std::string, std::string> before = ServerSettings();
    Dialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.RBTCPSelected->isChecked(), Dialog::GetCommunicationProfile() == 1);
    EXPECT_EQ(dialog.RBHDLCSelected->isChecked(), Dialog::GetCommunicationProfile() == 3);
    dialog.BTNOk->click();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, row.accepted);
    EXPECT_EQ(ServerSettings(), before);
  }
  // The slot a second instance starts with: HDLC is shown, as Run would serve it, and the
  // block-transfer abort answer is on.
  WriteIni("");
  Dialog dialog;
  dialog.show();
  EXPECT_TRUE(dialog.RBHDLCSelected->isChecked());
  EXPECT_FALSE(dialog.RBTCPSelected->isChecked());
  EXPECT_TRUE(dialog.CHKGBTAbortToAbort->isChecked());
  EXPECT_EQ(dialog.EDITCOMNr->text(), QStringLiteral("1"));
  EXPECT_EQ(dialog.EDITBaud->text(), QStringLiteral("9600"));
}

TEST_F(SettingsDialogTest, CancelStoresNothingAndTheNextShowingReloads) {
  WriteIni("[FormPreferences]\nRBTCPSelected=1\nRBHDLCSelected=0\nEDITServerPortNr=4059\n");
  Dialog dialog;
  dialog.show();
  EXPECT_TRUE(dialog.RBTCPSelected->isChecked());
  dialog.RBHDLCSelected->setChecked(true);
  dialog.EDITServerPortNr->setText(QStringLiteral("1"));
  dialog.BTNCancel->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(Dialog::GetServerPortNr(), 4059);
  dialog.show();
  EXPECT_TRUE(dialog.RBTCPSelected->isChecked());
  EXPECT_FALSE(dialog.RBHDLCSelected->isChecked());
  EXPECT_EQ(dialog.EDITServerPortNr->text(), QStringLiteral("4059"));
}

// The device a COM number means: the link COMn in the settings folder, else /dev/ttyS(n-1).
TEST_F(SettingsDialogTest, TheDialogShowsTheDeviceOfTheChosenPort) {
  std::filesystem::create_symlink("/dev/ttyUSB0", SettingsFolder() + "COM3");
  WriteIni("[FormPreferences]\nEDITCOMNr=3\n");
  Dialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.LBLCOMDevice->text(), QString::fromStdString(SettingsFolder() + "COM3 -> /dev/ttyUSB0"));
  dialog.EDITCOMNr->setText(QStringLiteral("2"));
  EXPECT_EQ(dialog.LBLCOMDevice->text(), QStringLiteral("/dev/ttyS1"));
  dialog.EDITCOMNr->setText(QStringLiteral("x"));
  EXPECT_EQ(dialog.LBLCOMDevice->text(), QStringLiteral("-"));
}

TEST_F(SettingsDialogTest, DefaultFontChoosesTheScriptFont) {
  int told = 0;
  FontDispatcher().Subscribe(this, [&] { ++told; });
  Prompter.FontAnswer = TFakePrompter::TFont{QStringLiteral("DejaVu Sans Mono"), 12};
  Dialog dialog;
  dialog.show();
  dialog.BTNDefaultFont->click();
  FontDispatcher().UnSubscribe(this);
  ASSERT_EQ(Prompter.FontPresets.size(), 1u);
  EXPECT_EQ(Prompter.FontPresets[0].Name, QStringLiteral("Courier New"));
  EXPECT_EQ(Prompter.FontPresets[0].Size, 10);
  EXPECT_EQ(FontDispatcher().CurrentFontName(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace zv

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QTextBrowser>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/first_start.h"
#include "app/font_dispatcher.h"
#include "app/help.h"
#include "app/import/import_device.h"
#include "app/last_files.h"
#include "app/library_loader.h"
#include "app/shell_test_support.h"
#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "import/import_support.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"
#include "support/test_server.h"

namespace zv {
namespace {

using ScriptFontTest = ShellTest;

TEST_F(ScriptFontTest, NameAndSizeComeFromTheSettingsWithDefaults) {
  TFontDispatcher& fonts = FontDispatcher();
  EXPECT_EQ(fonts.CurrentFontName(), QStringLiteral("Courier New"));
  EXPECT_EQ(fonts.CurrentFontSize(), 10);
  WriteIni("[ScriptFont]\n0=\n1=14\n");
  EXPECT_EQ(fonts.CurrentFontName(), QStringLiteral("Courier New"));
  EXPECT_EQ(fonts.CurrentFontSize(), 14);
  // A missing face falls back to a fixed-pitch one.
  WriteIni("[ScriptFont]\n0=No Such Face\n1=11\n");
  QFont font = fonts.CurrentFont();
  EXPECT_EQ(font.pointSize(), 11);
  EXPECT_EQ(font.styleHint(), QFont::TypeWriter);
}

TEST_F(ScriptFontTest, ChangesAreStoredThenToldToSubscribersInOrder) {
  TFontDispatcher& fonts = FontDispatcher();
  std::vector<std::string> told;
  int first = 0, second = 0, third = 0;
  fonts.Subscribe(&first, [&] {
    told.push_back("first:" + std::to_string(fonts.CurrentFontSize()));
    fonts.UnSubscribe(&second);  // leaving during a change: not told any more
  });
  fonts.Subscribe(&second, [&] { told.push_back("second"); });
  fonts.Subscribe(&third, [&] { told.push_back("third"); });
  fonts.SetCurrentFontSize(12);
  EXPECT_EQ(IniFile().ReadString("ScriptFont", "0", ""), "Courier New");
  EXPECT_EQ(IniFile().ReadInteger("ScriptFont", "1", 0), 12);
  EXPECT_EQ(told, (std::vector<std::string>{"first:12", "third"}));

  told.clear();
  fonts.SelectFont();  // cancelled
  EXPECT_TRUE(told.empty());
  ASSERT_EQ(Prompter.FontPresets.size(), 1u);
  EXPECT_EQ(Prompter.FontPresets[0].Size, 12);
  Prompter.FontAnswer = TFakePrompter::TFont{QStringLiteral("DejaVu Sans Mono"), 9};
  fonts.SelectFont();
  EXPECT_EQ(IniFile().ReadString("ScriptFont", "0", ""), "DejaVu Sans Mono");
  EXPECT_EQ(fonts.CurrentFontSize(), 9);
  EXPECT_EQ(told, (std::vector<std::string>{"first:9", "third"}));
  fonts.UnSubscribe(&first);
  fonts.UnSubscribe(&third);
}

using LastFilesTest = ShellTest;

TEST_F(LastFilesTest, TheDialogStartsAtTheLastFileAndRemembersTheChoice) {
  EXPECT_EQ(ReadLastFile(QStringLiteral("IMPORT")), QString());
  TFileDialog dialog;
  dialog.Filter = QStringLiteral("*.txt|*.txt");
  EXPECT_FALSE(ExecuteFileDialog(nullptr, dialog, QStringLiteral("IMPORT")));
  EXPECT_EQ(ReadLastFile(QStringLiteral("IMPORT")), QString());

  WriteLastFile(QStringLiteral("IMPORT"), QStringLiteral("/data/logs/raw log.txt"));
  Prompter.FileAnswer = QStringLiteral("/data/other/next.txt");
  EXPECT_TRUE(ExecuteFileDialog(nullptr, dialog, QStringLiteral("IMPORT")));
  ASSERT_EQ(Prompter.FileDialogs.size(), 2u);
  EXPECT_EQ(Prompter.FileDialogs[1].FileName, QStringLiteral("raw log.txt"));
  EXPECT_EQ(Prompter.FileDialogs[1].InitialDir, QStringLiteral("/data/logs"));
  EXPECT_EQ(dialog.FileName, QStringLiteral("/data/other/next.txt"));
  EXPECT_EQ(ReadLastFile(QStringLiteral("IMPORT")), QStringLiteral("/data/other/next.txt"));
  EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), QString());

  // A dialog that has a file name keeps it.
  Prompter.FileAnswer.reset();
  EXPECT_FALSE(ExecuteFileDialog(nullptr, dialog, QStringLiteral("DEVICE")));
  EXPECT_EQ(Prompter.FileDialogs[2].FileName, QStringLiteral("/data/other/next.txt"));
  EXPECT_EQ(QtFileFilter(dialog.Filter), QStringLiteral("*.txt (*.txt)"));
}

using HelpTest = ShellTest;

TEST_F(HelpTest, HelpIsInertWithoutAPage) {
  QWidget window;
  ShowHelpContents(&window);
  EXPECT_TRUE(window.findChildren<QTextBrowser*>().isEmpty());
  EXPECT_EQ(HtmlHelp(&window, QString::fromStdString((ExeFolder / "missing.html").string()), kHelpDisplayContents, 0),
            nullptr);
}

TEST_F(HelpTest, HelpShowsThePageBesideTheExecutable) {
  std::ofstream(ExeFolder / "Zorvan.html") << "<html><head><title>Zorvan help</title></head>"
                                              "<body><h1>Contents</h1></body></html>";
  InitGlobals({ConfigFolder.string(), ExeFolder.string()});  // the page is looked for at start-up
  QWidget window;
  ShowHelpContents(&window);
  auto* browser = window.findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->isVisible());
  EXPECT_EQ(browser->windowTitle(), QStringLiteral("Zorvan help"));
  EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Contents")));
  ShowHelpContents(&window);
  EXPECT_EQ(window.findChildren<QTextBrowser*>().size(), 1);
  EXPECT_EQ(HtmlHelp(&window, HelpFile(), 99, 0), nullptr);
}

// The text of <pre id="Id"> in the help page, its entities undone.
std::string HelpBlock(const std::string& Page, const std::string& Id) {
  const std::string open = "<pre id=\"" + Id + "\">\n";
  const size_t start = Page.find(open);
  if (start == std::string::npos) return std::string();
  const size_t from = start + open.size();
  QString text = QString::fromStdString(Page.substr(from, Page.find("</pre>", from) - from));
  text.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  return text.replace(QStringLiteral("&amp;"), QStringLiteral("&")).toStdString();
}

// What the help page shows works as it says: its device description loads as a device,
// and its raw log imports as the attribute the response carries.
TEST_F(HelpTest, TheHelpPagesExamplesWork) {
  const std::string page = test::ReadFile(ZV_HELP_FILE);
  auto device = TMiscHelpers::MakeLogicalDevice(HelpBlock(page, "device"));
  TLogicalDeviceHelper::CheckDuplicateInstanceIds(*device);
  ASSERT_EQ(TLogicalDevice::ObjectCount(*device), 2);
  EXPECT_EQ(ByteStrToHexStr(TLogicalDevice::Object(*device, 1).LogicalName()), "0100010800FF");

  const std::string rawLog = HelpBlock(page, "rawlog");
  test::TRecordingLog pane;
  TImportDevice import(pane);
  const std::vector<std::string> entries = import.RawLogToEntries(SplitRawLogLines(rawLog));
  ASSERT_FALSE(entries.empty()) << rawLog;
  EXPECT_EQ(entries[0], "Instance=\"0100010800FF\", ClassId=3, AttributeId=2");
  std::string value;
  for (size_t i = 1; i < entries.size(); ++i) value += entries[i] + "\n";
  EXPECT_NE(value.find("<DoubleLongUnsigned Value=\"0012D687\" />"), std::string::npos) << value;
}

using FirstStartTest = ShellTest;

// The first start gives the editor a copy of the example in the user's data folder, never
// the program's own file, and keeps what the user has done with it.
TEST_F(FirstStartTest, TheExampleIsCopiedForTheUserOnce) {
  const std::filesystem::path data = ConfigFolder / "data" / "Zorvan";
  const QString copy = QString::fromStdString((data / "meter.txt").string());
  EXPECT_EQ(SeedExampleDevice(QString::fromStdString(data.string())), copy);
  EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), copy);
  EXPECT_EQ(test::ReadFile(copy.toStdString()), test::ReadFile(ZV_EXAMPLES_DIR "/meter.txt"));
  EXPECT_TRUE(QFileInfo(copy).isWritable());

  // The settings name a file: nothing happens.
  std::ofstream(copy.toStdString()) << "<LogicalDevice>changed</LogicalDevice>";
  EXPECT_EQ(SeedExampleDevice(QString::fromStdString(data.string())), QString());
  // The file named is gone: the user's copy is named again, as the user left it.
  WriteLastFile(QStringLiteral("DEVICE"), QString::fromStdString((ConfigFolder / "gone.txt").string()));
  EXPECT_EQ(SeedExampleDevice(QString::fromStdString(data.string())), copy);
  EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), copy);
  EXPECT_EQ(test::ReadFile(copy.toStdString()), "<LogicalDevice>changed</LogicalDevice>");

  // No data folder to be had: the settings stay as they are.
  WriteIni("");
  std::ofstream((ConfigFolder / "file").string()) << "x";
  EXPECT_EQ(SeedExampleDevice(QString::fromStdString((ConfigFolder / "file" / "Zorvan").string())), QString());
  EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), QString());
}

// Every window carries the program's icon, drawn for small and large sizes.
TEST(ProgramIconTest, TheApplicationCarriesTheIcon) {
  const QIcon icon = QApplication::windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes().size(), 8);
  EXPECT_EQ(icon.pixmap(QSize(16, 16)).width(), 16);
  EXPECT_EQ(icon.pixmap(QSize(256, 256)).width(), 256);
  QWidget window;
  EXPECT_EQ(window.windowIcon().cacheKey(), icon.cacheKey());
}

TEST(DelayedLibrary, FailuresNameTheLibraryAndTheEntry) {
  TDelayedLibrary missing("libzorvan-missing.so.1");
  try {
    missing.Entry("AnyEntry");
    ADD_FAILURE() << "no error";
  } catch (const ELoadLibrary& e) {
    EXPECT_EQ(e.Message(), "Could not load libzorvan-missing.so.1");
  }
  TDelayedLibrary libm("libm.so.6");
  auto cosine = libm.Entry<double (*)(double)>("cos");
  EXPECT_EQ(cosine(0.0), 1.0);
  try {
    libm.Entry("NoSuchEntry");
    ADD_FAILURE() << "no error";
  } catch (const EGetProcAddress& e) {
    EXPECT_EQ(e.Message(), "Could not load NoSuchEntry from libm.so.6");
    EXPECT_STREQ(e.ClassName(), "EGetProcAddress");
  }
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw Exception("Failure in a handler");
    if (e->type() == QEvent::User + 1) throw EAbort("USER ABORT");
    return QObject::event(e);
  }
};

using ApplicationTest = ShellTest;

TEST_F(ApplicationTest, ExceptionsFromHandlersGoToTheExceptionBox) {
  Thrower thrower;
  QEvent failure(QEvent::User), abort(static_cast<QEvent::Type>(QEvent::User + 1));
  QApplication::sendEvent(&thrower, &failure);
  QApplication::sendEvent(&thrower, &abort);
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Caption, QStringLiteral("Zorvan"));
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("Failure in a handler"));
  EXPECT_EQ(Prompter.Messages[0].Type, mtError);
}

}  // namespace
}  // namespace zv

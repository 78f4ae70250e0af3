#include <QApplication>
#include <QEvent>
#include <QTextBrowser>

#include <fstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/font_dispatcher.h"
#include "app/help.h"
#include "app/last_files.h"
#include "app/library_loader.h"
#include "app/shell_test_support.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"

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

#include <QAction>
#include <QKeyEvent>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <deque>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/editor_frames.h"
#include "app/frame_view.h"
#include "app/import_window.h"
#include "app/last_files.h"
#include "app/main_window.h"
#include "app/shell_test_support.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "foundation/errors.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "foundation/logger.h"
#include "import/import_support.h"
#include "kit/editor/qt/find_dialog.h"
#include "server/logical_device_wrapper.h"
#include "support/full_folder.h"
#include "support/test_client.h"
#include "support/test_server.h"

namespace zv {
namespace {

// A device of one data object per logical name; Name is the device's name.
std::string SmallDevice(const std::string& Name, const std::vector<std::string>& LogicalNames = {"0000600A01FF"}) {
  std::string xml = "<LogicalDevice>\n  <Name Value=\"\\" + Name +
                    "\" />\n  <ServerSAP Value=\"0001\" />\n  <COSEMObjectList Qty=\"AUTO\" >\n";
  for (const std::string& ln : LogicalNames)
    xml += "    <DataObject>\n      <Name Value=\"" + ln +
           "\" />\n      <DataValue>\n        <LongUnsigned Value=\"0005\" />\n      </DataValue>\n    </DataObject>\n";
  return xml + "  </COSEMObjectList>\n</LogicalDevice>\n";
}

// While it lives, the modal dialog that a step opens is cancelled, and its title and place kept.
class TModalCanceller {
 public:
  TModalCanceller() {
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (modal == nullptr || !modal->isVisible()) return;
      Title = modal->windowTitle();
      Frame = modal->frameGeometry();
      modal->reject();
    });
    FTimer.start(1);
  }
  QString Title;
  QRect Frame;

 private:
  QTimer FTimer;
};

class MainWindowTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    WriteSettings();
  }

  // TCP on a port the system picks (the server tells it, see Port), the device file as
  // the last device. A port picked here beforehand could be taken by a parallel test.
  void WriteSettings(const std::string& Extra = "") {
    WriteIni("[FormPreferences]\nRBTCPSelected=1\nEDITServerPortNr=0\nEDITSystemTitle=5A564D0000000001\n" + Extra);
  }
  // Writes Text as the device file Name and makes it the last device.
  QString DeviceFile(const std::string& Text, const char* Name = "name.txt") {
    const std::string path = (ConfigFolder / Name).string();
    std::ofstream(path, std::ios::binary) << Text;
    WriteLastFile(QStringLiteral("DEVICE"), QString::fromStdString(path));
    return QString::fromStdString(path);
  }
  // The window with a server bound to loopback and a device holder of the test's own.
  TFormMain* Window() {
    TApplicationProcessOptions options;
    options.BindAddress = "127.0.0.1";
    options.DeviceHolder = &Holder;
    options.AnyPort = true;  // the settings ask for port 0; the tests connect to the port bound
    options.OnListening = [this](int APort) {
      Port = APort;
      Listening = true;
    };
    auto* window = new TFormMain(options);
    window->resize(640, 400);
    return window;
  }
  static bool WaitFor(const std::function<bool()>& Done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // Running, and the window has seen it.
  bool Started(TFormMain& W) {
    return WaitFor([&] { return Listening && W.ApplicationProcess().State() == isRunning && W.MMRunAbort->isEnabled(); });
  }
  static bool Stopped(TFormMain& W) {
    W.MMRunAbort->trigger();
    return WaitFor([&] { return W.ApplicationProcess().State() == isIdle && W.MMRunRun->isEnabled(); });
  }
  // Shows W and gives it the keyboard, as a user's click would; false when it never became
  // the active window.
  static bool ShownActive(QWidget& W) {
    W.show();
    QApplication::setActiveWindow(&W);
    return QTest::qWaitForWindowActive(&W);
  }
  std::string DeviceName() {
    TDeviceLock lock(Holder);
    return Holder.LogicalDevice() ? TLogicalDevice::Name(*Holder.LogicalDevice()) : std::string();
  }

  std::atomic<int> Port{0};  // the port the server listens on, once it does
  TLogicalDeviceWrapper Holder;
  std::atomic<bool> Listening{false};
};

TEST_F(MainWindowTest, CaptionNamesTheInstanceSlotAndTheDeviceFile) {
  DeviceFile(SmallDevice("ONE"));
  {
    std::unique_ptr<TFormMain> w(Window());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Zorvan - [1] name.txt"));
    EXPECT_FALSE(w->MMTools->menuAction()->isVisible());
    EXPECT_EQ(w->PGControl->tabText(0).trimmed(), QStringLiteral("Device"));
    for (int i = 0; i < 2; ++i)
      EXPECT_GE(QFontMetrics(w->font()).horizontalAdvance(w->PGControl->tabText(i)), 100);
  }
  // A second copy of the program takes slot 2, with settings of its own.
  const std::string folder = SettingsFolder();
  DoneGlobals();
  TInstanceSlot first = AcquireInstanceSlot(folder);
  TGlobalsOptions options;
  options.ConfigRoot = ConfigFolder.string();
  options.ExeFolder = ExeFolder.string();
  InitGlobals(options);
  ASSERT_EQ(InstanceNr(), 2);
  WriteSettings("[Misc]\nTools=1\n");
  {
    std::unique_ptr<TFormMain> w(Window());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Zorvan - [2] "));
    EXPECT_TRUE(w->MMTools->menuAction()->isVisible());
  }
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zorvan - [2] name.txt"));
  // Save as... names another file.
  Prompter.FileAnswer = QString::fromStdString((ConfigFolder / "other.txt").string());
  w->DeviceEditorFrame->PMSaveAs->trigger();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zorvan - [2] other.txt"));
}

TEST_F(MainWindowTest, RunAsksToSaveFirstAndNoRunsTheEditedText) {
  WriteSettings("EDITMaxLogSize=1234\n");
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  TFrameKit& editor = *w->DeviceEditorFrame;
  editor.KitView().SetCursor(16, 1);  // behind the backslash of the name
  QTest::keyClicks(editor.KitView().Widget(), QStringLiteral("X"));

  Prompter.MessageAnswers = {mrCancel};
  w->MMRunRun->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("DEVICE file not saved, save?"));
  EXPECT_EQ(DeviceName(), "");
  EXPECT_EQ(w->PGControl->currentWidget(), w->TSDevice);
  EXPECT_EQ(w->ApplicationProcess().State(), isIdle);

  Prompter.MessageAnswers = {mrNo};
  w->MMRunRun->trigger();
  EXPECT_EQ(DeviceName(), "XONE");
  EXPECT_EQ(w->PGControl->currentWidget(), w->TSLog);
  EXPECT_EQ(Logger().MaxLogSize(), 1234);
  ASSERT_TRUE(Started(*w));
  EXPECT_FALSE(w->MMRunRun->isEnabled());
  EXPECT_TRUE(w->MMRunAbort->isEnabled());
  EXPECT_TRUE(w->StatusPanels[0]->text().startsWith(QStringLiteral("Running 0'0")));
  ASSERT_TRUE(Stopped(*w));
  EXPECT_EQ(w->StatusPanels[0]->text(), QStringLiteral("Idle"));
  EXPECT_TRUE(w->MMRunRun->isEnabled());
  // The file itself was left as it was.
  EXPECT_EQ(test::ReadFile(editor.CurrentFileName().toStdString()), SmallDevice("ONE"));
}

TEST_F(MainWindowTest, AnXmlErrorPutsTheCursorWhereItIs) {
  std::string text = SmallDevice("ONE");
  text.replace(text.find("<DataValue>"), 11, "<DataVal>");  // line 7
  DeviceFile(text);
  // The error names the unknown tag: the cursor goes to its name, after the "<".
  const std::string faulty = "      <DataVal>";
  ASSERT_NE(text.find("\n" + faulty + "\n"), std::string::npos);
  const int posX = static_cast<int>(faulty.find("DataVal"));
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  // The faulty line is hidden in a fold.
  TKitEditView& view = w->DeviceEditorFrame->KitView().View();
  view.FoldAllIn(-1, false);
  ASSERT_FALSE(view.IsLineStartVisible(6));
  w->PGControl->setCurrentWidget(w->TSLog);
  w->MMRunRun->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Type, mtError);
  EXPECT_EQ(w->PGControl->currentWidget(), w->TSDevice);
  EXPECT_TRUE(view.IsLineStartVisible(6));
  EXPECT_EQ(view.GetVisibleCountScroll(), view.Document()->LinesCount());
  EXPECT_EQ(w->DeviceEditorFrame->KitView().CursorPos(), QPoint(posX, 6));
  EXPECT_EQ(w->StatusPanels[2]->text(), QStringLiteral("%1:6").arg(posX));
  EXPECT_EQ(DeviceName(), "");
  EXPECT_EQ(w->ApplicationProcess().State(), isIdle);
}

// The caret lands on the faulty tag also behind characters of more than one UTF-8 octet, a
// character of two UTF-16 units and a tab.
TEST_F(MainWindowTest, AnXmlErrorBehindWideCharactersPutsTheCursorOnTheTag) {
  std::string text = SmallDevice("Z\xC3\xA4hler \xE2\x82\xAC");
  const std::string name = "\" />\n";
  text.replace(text.find(name), name.size(), "\" />\t(* \xF0\x9F\x98\x80 *) <Bogus />\n");
  DeviceFile(text);
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  w->MMRunRun->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("'Bogus' unknown identifier"));
  const QString shown = w->DeviceEditorFrame->Text();
  ASSERT_EQ(shown, QString::fromStdString(text));
  EXPECT_EQ(w->DeviceEditorFrame->KitView().View().CursorOffset(), shown.indexOf(QLatin1String("Bogus")));
  EXPECT_EQ(w->DeviceEditorFrame->KitView().CursorLine(), 1);
}

// Each command of the menu as a user chooses it; a modal dialog is answered by a timer, a
// message by the prompter.
TEST_F(MainWindowTest, EveryMenuCommandDoesItsWork) {
  WriteSettings("[Misc]\nTools=1\n");
  // A help page beside the executable, as an installed program has it.
  std::ofstream(ExeFolder / "Zorvan.html") << "<html><head><title>Zorvan help</title></head><body>Help</body></html>";
  DoneGlobals();
  TGlobalsOptions options;
  options.ConfigRoot = ConfigFolder.string();
  options.ExeFolder = ExeFolder.string();
  InitGlobals(options);
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  w->show();

  // Run, then Abort (Stopped chooses it).
  w->MMRunRun->trigger();
  ASSERT_TRUE(Started(*w));
  ASSERT_TRUE(Stopped(*w));
  EXPECT_TRUE(WaitFor([&] { return w->LogFrame->Text().contains(QLatin1String("STOPPED after ")); }));
  // Clear Log.
  w->MMRunClearLog->trigger();
  EXPECT_TRUE(WaitFor([&] { return w->LogFrame->Text().isEmpty(); }));

  // Settings: modal, centred on the window; Cancel.
  {
    TModalCanceller settings;
    w->MMSettings->trigger();
    EXPECT_EQ(settings.Title, QStringLiteral("Settings"));
    EXPECT_LE((settings.Frame.center() - w->frameGeometry().center()).manhattanLength(), 4);
  }

  // Import Device: the modeless import window.
  w->MMToolsImportDevice->trigger();
  EXPECT_TRUE(w->FormImportDevice().isVisible());
  EXPECT_EQ(w->FormImportDevice().windowTitle(), QStringLiteral("Import Device"));
  w->FormImportDevice().close();

  // Help: the page in the help window.
  w->MMHelpHelp->trigger();
  auto* help = w->findChild<QTextBrowser*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->windowTitle(), QStringLiteral("Zorvan help"));
  EXPECT_TRUE(help->toPlainText().contains(QLatin1String("Help")));
  help->close();

  // About.
  w->MMHelpAbout->trigger();
  ASSERT_FALSE(Prompter.Messages.empty());
  EXPECT_EQ(Prompter.Messages.back().Caption, QStringLiteral("About"));
  EXPECT_TRUE(Prompter.Messages.back().Text.startsWith(QStringLiteral("Zorvan (FREE) 101\n")));
  EXPECT_EQ(Prompter.Messages.back().Buttons, mbOK);
}

// The keyboard as a user meets the window: it starts in the device editor, and a lone Alt or
// F10 opens the first menu.
TEST_F(MainWindowTest, TheKeyboardStartsInTheEditorAndReachesTheMenus) {
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  ASSERT_TRUE(ShownActive(*w));
  QWidget* editor = w->DeviceEditorFrame->KitView().Widget();
  EXPECT_EQ(QApplication::focusWidget(), editor);

  // Each way opens the first menu: the menu bar has the keyboard.
  const auto opened = [&] { return w->menuBar()->activeAction() == w->MMRun->menuAction() && w->MMRun->isVisible(); };
  QTest::keyClick(editor, Qt::Key_Alt, Qt::AltModifier);
  EXPECT_TRUE(opened());
  w->MMRun->close();
  ASSERT_TRUE(ShownActive(*w));
  editor->setFocus();
  // Alt with another key is no lone Alt.
  QTest::keyPress(editor, Qt::Key_Alt, Qt::AltModifier);
  QTest::keyClick(editor, Qt::Key_X, Qt::AltModifier);
  QTest::keyRelease(editor, Qt::Key_Alt, Qt::AltModifier);
  EXPECT_FALSE(w->MMRun->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), editor);

  QTest::keyClick(editor, Qt::Key_F10);
  EXPECT_TRUE(opened());
  w->MMRun->close();
}

// Moved by the keyboard onto Settings, which has no menu, the bar keeps the keys: Return
// opens the settings instead of typing a line break into the editor, which still has the
// focus; Right goes on to the next menu, and Escape gives the keys back.
TEST_F(MainWindowTest, TheMenuBarKeepsTheKeysOnAnItemWithoutAMenu) {
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  ASSERT_TRUE(ShownActive(*w));
  QWidget* editor = w->DeviceEditorFrame->KitView().Widget();
  const QString text = w->DeviceEditorFrame->Text();
  const auto toSettings = [&] {
    QTest::keyClick(editor, Qt::Key_F10);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    ASSERT_EQ(w->menuBar()->activeAction(), w->MMSettings);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
  };

  {
    TModalCanceller settings;
    toSettings();
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(settings.Title, QStringLiteral("Settings"));
  }
  EXPECT_EQ(w->DeviceEditorFrame->Text(), text);
  EXPECT_EQ(w->menuBar()->activeAction(), nullptr);

  // Tools shows only when the settings file turns it on.
  QMenu* next = w->MMTools->menuAction()->isVisible() ? w->MMTools : w->MMHelp;
  toSettings();
  QTest::keyClick(editor, Qt::Key_Right);
  EXPECT_TRUE(next->isVisible());
  next->close();
  toSettings();
  QTest::keyClick(editor, Qt::Key_Left);
  EXPECT_TRUE(w->MMRun->isVisible());
  w->MMRun->close();

  toSettings();
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_EQ(w->menuBar()->activeAction(), nullptr);
  EXPECT_EQ(w->DeviceEditorFrame->Text(), text);
  QTest::keyClick(editor, Qt::Key_Z);
  EXPECT_NE(w->DeviceEditorFrame->Text(), text);
}

// A status panel is as wide as its text needs: the cursor far into a long line.
TEST_F(MainWindowTest, TheStatusPanelsWidenForTheirText) {
  DeviceFile(SmallDevice("ONE") + "// " + std::string(1300, 'x') + "\n");
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  w->DeviceEditorFrame->GotoPosAndFocus(1213, 13);
  QApplication::processEvents();
  QLabel* panel = w->StatusPanels[2];
  ASSERT_EQ(panel->text(), QStringLiteral("1213:12"));
  EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(panel->text()));
  EXPECT_GE(panel->width(), 50);
  EXPECT_EQ(w->StatusPanels[0]->width(), 150);
}

// The editor's status panel names the encoding of a device file that is not UTF-8, and is
// wide enough to show it.
TEST_F(MainWindowTest, TheStatusNamesTheEncodingOfADeviceFileThatIsNotUTF8) {
  DeviceFile(SmallDevice("ONE") + "<!-- Z\xE4hler -->\n");
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  w->resize(800, 400);
  QApplication::processEvents();
  QLabel* panel = w->StatusPanels[2];
  EXPECT_EQ(panel->text(), QStringLiteral("0:0 Windows-1252"));
  EXPECT_GE(panel->width(), panel->sizeHint().width());
}

// A device with two objects of one name is refused before it is installed: the device
// served until then stays.
TEST_F(MainWindowTest, ADuplicateNameKeepsThePreviousDevice) {
  const QString file = DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  w->MMRunRun->trigger();
  ASSERT_TRUE(Started(*w));
  ASSERT_TRUE(Stopped(*w));
  ASSERT_EQ(DeviceName(), "ONE");
  TSequence* served = Holder.LogicalDevice();

  std::ofstream(file.toStdString(), std::ios::binary) << SmallDevice("TWO", {"0000600A01FF", "0000600A01FF"});
  w->DeviceEditorFrame->LoadFromFile(file);
  Prompter.Messages.clear();
  w->MMRunRun->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Caption, QStringLiteral("Zorvan"));
  EXPECT_TRUE(Prompter.Messages[0].Text.startsWith(QStringLiteral("InstanceId ")));
  EXPECT_TRUE(Prompter.Messages[0].Text.endsWith(QStringLiteral(" is duplicated")));
  EXPECT_EQ(Holder.LogicalDevice(), served);
  EXPECT_EQ(DeviceName(), "ONE");
  EXPECT_EQ(w->ApplicationProcess().State(), isIdle);
}

// Ctrl+R is Run wherever the focus is in the main window, also in the device editor and
// the log; Ctrl+F stays the editor's search. The import window has no Run: there Ctrl+R is
// the editor's Replace... The editor claims its own keys ahead of the window's shortcuts
// through ShortcutOverride and leaves Run's to the window.
TEST_F(MainWindowTest, CtrlRRunsExceptInTheImportWindow) {
  DeviceFile(SmallDevice("ONE"));
  std::unique_ptr<TFormMain> w(Window());
  ASSERT_TRUE(ShownActive(*w));
  std::vector<QString> captions;
  TFindDialogAnswerer answer([&](TKitSedFindDlg& Dialog) {
    captions.push_back(Dialog.windowTitle());
    Dialog.reject();
  });
  auto claims = [](QWidget* Editor, int Key) {
    QKeyEvent event(QEvent::ShortcutOverride, Key, Qt::ControlModifier);
    event.ignore();
    QApplication::sendEvent(Editor, &event);
    return event.isAccepted();
  };
  QWidget* device = w->DeviceEditorFrame->KitView().Widget();
  QWidget* log = w->LogFrame->KitView().Widget();
  EXPECT_FALSE(claims(device, Qt::Key_R));
  EXPECT_FALSE(claims(log, Qt::Key_R));
  EXPECT_TRUE(claims(device, Qt::Key_F));
  // The popup still offers Replace..., without the key.
  EXPECT_TRUE(w->DeviceEditorFrame->PMReplace->shortcut().isEmpty());
  EXPECT_EQ(w->DeviceEditorFrame->PMSearch->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));

  device->setFocus();
  QTest::keyClick(device, Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(Started(*w));
  // Ctrl+F is still the editor's search.
  w->PGControl->setCurrentWidget(w->TSDevice);
  device->setFocus();
  QTest::keyClick(device, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(captions, (std::vector<QString>{"Search text"}));
  EXPECT_TRUE(Stopped(*w));

  TFormImportDevice& import = w->FormImportDevice();
  ASSERT_TRUE(ShownActive(import));
  QWidget* editor = import.Editor->KitView().Widget();
  EXPECT_TRUE(claims(editor, Qt::Key_R));
  editor->setFocus();
  QTest::keyClick(editor, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(captions, (std::vector<QString>{"Search text", "Replace text"}));
  EXPECT_EQ(w->ApplicationProcess().State(), isIdle);
}

TEST_F(MainWindowTest, ClosingWhileRunningAsksAndClosesOnceStopped) {
  DeviceFile(SmallDevice("ONE"));
  TFormMain* w = Window();
  w->show();
  w->MMRunRun->trigger();
  ASSERT_TRUE(Started(*w));
  Prompter.MessageAnswers = {mrNo};
  EXPECT_FALSE(w->close());
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("Server is running, close anyway?"));
  EXPECT_EQ(Prompter.Messages[0].Buttons, mbYes | mbNo);
  EXPECT_TRUE(w->isVisible());
  QApplication::processEvents();
  EXPECT_EQ(w->ApplicationProcess().State(), isRunning);

  Prompter.MessageAnswers = {mrYes};
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(WaitFor([&] { return !w->isVisible(); }));
  EXPECT_EQ(w->ApplicationProcess().State(), isIdle);
  EXPECT_EQ(Prompter.Messages.size(), 2u);
  delete w;
}

// Closing with typed text that is not saved: the window asks first. Cancel keeps the window
// and the text, No closes and leaves the file, Yes saves and closes; a Yes whose save fails
// (a full disk) keeps the window, the text and the file.
TEST_F(MainWindowTest, ClosingAsksToSaveTypedText) {
  test::TFullFolder full(ConfigFolder / "full");
  const struct {
    const char* name;
    TModalResult answer;
    bool diskFull, closes, saved;
  } rows[] = {
      {"Cancel", mrCancel, false, false, false},
      {"No", mrNo, false, true, false},
      {"Yes", mrYes, false, true, true},
      {"Yes on a full disk", mrYes, true, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string file = full.File("name.txt");
    std::ofstream(file, std::ios::binary) << SmallDevice("ONE");
    WriteLastFile(QStringLiteral("DEVICE"), QString::fromStdString(file));
    TFormMain* w = Window();
    w->show();
    TFrameKit& editor = *w->DeviceEditorFrame;
    editor.KitView().SetCursor(16, 1);  // behind the backslash of the name
    QTest::keyClicks(editor.KitView().Widget(), QStringLiteral("X"));
    const QString typed = editor.Text();
    if (row.diskFull) full.Fill(0);
    Prompter.Messages.clear();
    Prompter.MessageAnswers = {row.answer};
    EXPECT_EQ(w->close(), row.closes);
    full.MakeRoom();
    ASSERT_GE(Prompter.Messages.size(), 1u);
    EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("DEVICE file not saved, save?"));
    EXPECT_EQ(Prompter.Messages[0].Buttons, mbYes | mbNo | mbCancel);
    EXPECT_EQ(Prompter.Messages.size(), row.diskFull ? 2u : 1u);  // the full disk is reported
    EXPECT_EQ(test::ReadFile(file), row.saved ? typed.toStdString() : SmallDevice("ONE"));
    EXPECT_EQ(full.Names(), std::vector<std::string>{"name.txt"});
    EXPECT_EQ(w->isVisible(), !row.closes);
    if (!row.closes) {
      EXPECT_EQ(editor.Text(), typed);
      EXPECT_TRUE(editor.KitView().Document().Modified());
    }
    delete w;
  }
}

// While the server runs, the save question comes first and then "Server is running, close
// anyway?". The window closes once the session has ended, without asking either question
// again; Cancel and No keep the window, the text and the session.
TEST_F(MainWindowTest, ClosingWhileRunningAsksBothQuestionsInOrder) {
  const struct {
    const char* name;
    std::deque<TModalResult> answers;
    bool closes, saved;
  } rows[] = {
      {"not saved, close anyway", {mrNo, mrYes}, true, false},
      {"saved, close anyway", {mrYes, mrYes}, true, true},
      {"not saved, keep running", {mrNo, mrNo}, false, false},
      {"Cancel, keep running", {mrCancel, mrNo}, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QString file = DeviceFile(SmallDevice("ONE"));
    Listening = false;
    TFormMain* w = Window();
    w->show();
    w->MMRunRun->trigger();
    ASSERT_TRUE(Started(*w));
    w->PGControl->setCurrentWidget(w->TSDevice);
    TFrameKit& editor = *w->DeviceEditorFrame;
    editor.KitView().SetCursor(16, 1);
    QTest::keyClicks(editor.KitView().Widget(), QStringLiteral("X"));
    const QString typed = editor.Text();
    Prompter.Messages.clear();
    Prompter.MessageAnswers = row.answers;
    EXPECT_FALSE(w->close());
    if (row.closes) {
      EXPECT_TRUE(WaitFor([&] { return !w->isVisible(); }));
      EXPECT_EQ(w->ApplicationProcess().State(), isIdle);
    } else {
      QApplication::processEvents();
      EXPECT_TRUE(w->isVisible());
      EXPECT_EQ(w->ApplicationProcess().State(), isRunning);
      EXPECT_EQ(editor.Text(), typed);
      EXPECT_TRUE(editor.KitView().Document().Modified());
    }
    ASSERT_EQ(Prompter.Messages.size(), 2u);
    EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("DEVICE file not saved, save?"));
    EXPECT_EQ(Prompter.Messages[1].Text, QStringLiteral("Server is running, close anyway?"));
    EXPECT_EQ(test::ReadFile(file.toStdString()), row.saved ? typed.toStdString() : SmallDevice("ONE"));
    if (!row.closes) {
      EXPECT_TRUE(Stopped(*w));
    }
    delete w;
  }
}

// The log of the session is written to "LastLog.txt" on close through a new file: on a full
// disk the log of the session before stays whole, and the failure is reported.
TEST_F(MainWindowTest, AFullDiskOnCloseKeepsTheLastLog) {
  std::unique_ptr<test::TFullFolder> full = std::make_unique<test::TFullFolder>(ConfigFolder / "full");
  auto settingsIn = [&](const std::filesystem::path& Root) {
    DoneGlobals();
    TGlobalsOptions options;
    options.ConfigRoot = Root.string();
    options.ExeFolder = ExeFolder.string();
    InitGlobals(options);
  };
  settingsIn(full->Path());
  WriteSettings();
  const std::string previous = "STARTED before\nSTOPPED after 00m 01s\n";
  std::ofstream(LastLogFileName(), std::ios::binary) << previous;
  TFormMain* w = Window();
  w->show();
  for (int i = 0; i < 3000; ++i) w->LogFrame->AddLine(QStringLiteral("a line of the session, number %1").arg(i));
  QApplication::processEvents();
  ASSERT_GT(w->LogFrame->Text().size(), 65536);
  full->Fill(8192);  // the settings still fit, the log does not
  Prompter.Messages.clear();
  EXPECT_TRUE(w->close());
  const std::string reason = std::strerror(full->Error());
  full->MakeRoom();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text,
            QString::fromStdString("Stream write error: " + LastLogFileName() + ": " + reason));
  EXPECT_EQ(test::ReadFile(LastLogFileName()), previous);
  for (const auto& entry : std::filesystem::directory_iterator(SettingsFolder()))
    EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos) << entry.path();
  delete w;
  settingsIn(ConfigFolder);
  full.reset();
}

// The whole road: settings and a device file as a user has them, Run, a client's session
// over loopback, Abort, close, and a new window that shows the old log.
TEST_F(MainWindowTest, ServesAClientAndRestoresTheLogAfterARestart) {
  DeviceFile(test::ReadFile(ZV_EXAMPLES_DIR "/meter.txt"), "meter.txt");
  TFormMain* w = Window();
  w->show();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zorvan - [1] meter.txt"));
  EXPECT_EQ(w->PGControl->currentWidget(), w->TSDevice);
  w->MMRunRun->trigger();
  ASSERT_TRUE(Started(*w));
  {
    test::TTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", Port));
    ASSERT_TRUE(client.RequestXml(test::AarqXml({})));
    COSEMpduPtr answer = client.RequestXml(test::GetXml(8, "0000010000FF", 2));
    ASSERT_TRUE(answer);
    EXPECT_NE(test::Flat(answer).find("<Data>"), std::string::npos) << test::Flat(answer);
    ASSERT_TRUE(client.RequestXml(test::RlrqXml()));
  }
  auto logHas = [&](const char* Text) { return w->LogFrame->Text().contains(QLatin1String(Text)); };
  EXPECT_TRUE(WaitFor([&] { return logHas("ReleaseResponse"); }));
  ASSERT_TRUE(Stopped(*w));
  EXPECT_TRUE(WaitFor([&] { return logHas("STOPPED after "); }));
  const QStringList lines = w->LogFrame->Lines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("STARTED ")));
  for (const char* text : {"<AssociationRequest>", "<AssociationResponse>", "<GetRequest>", "<GetResponse>",
                           "<ReleaseRequest>", "<ReleaseResponse>"})
    EXPECT_TRUE(logHas(text)) << text;
  // Received before sent, in the order they happened.
  EXPECT_LT(w->LogFrame->Text().indexOf(QLatin1String("<GetRequest>")),
            w->LogFrame->Text().indexOf(QLatin1String("<GetResponse>")));
  EXPECT_TRUE(lines.back().contains(QLatin1String("STOPPED after 00m 0")));
  const QString log = w->LogFrame->Text();

  EXPECT_TRUE(w->close());
  delete w;
  EXPECT_EQ(test::ReadFile(LastLogFileName()), log.toStdString());
  EXPECT_EQ(IniFile().ReadInteger("FormMain", "0", -1), 1);

  std::unique_ptr<TFormMain> again(Window());
  again->show();
  EXPECT_EQ(again->LogFrame->Text(), log);
  EXPECT_EQ(again->PGControl->currentWidget(), again->TSLog);
}

// A client's flood of GETs from a thread of its own while the window takes the log: every
// line arrives, in the order the server logged it.
TEST_F(MainWindowTest, HeavyLoggingKeepsEveryLineInOrder) {
  DeviceFile(test::ReadFile(ZV_EXAMPLES_DIR "/meter.txt"), "meter.txt");
  std::unique_ptr<TFormMain> w(Window());
  w->show();
  w->MMRunRun->trigger();
  ASSERT_TRUE(Started(*w));
  constexpr int kGets = 2000;
  std::atomic<bool> done{false}, failed{false};
  std::thread client([&] {
    test::TTestClient c;
    failed = !c.Connect("127.0.0.1", Port) || !c.RequestXml(test::AarqXml({}));
    const PduStr get = test::ApduFromXml(test::GetXml(3, "0100010800FF", 2));
    for (int i = 0; i < kGets && !failed; ++i) failed = !c.SendApdu(get) || c.ReceiveApdu().empty();
    done = true;
  });
  // The window answers while the flood goes on.
  int turns = 0;
  EXPECT_TRUE(WaitFor([&] {
    ++turns;
    return done.load();
  }));
  client.join();
  ASSERT_FALSE(failed);
  EXPECT_GT(turns, 1);
  auto count = [&](const char* Text) { return w->LogFrame->Text().count(QLatin1String(Text)); };
  ASSERT_TRUE(WaitFor([&] { return count("<GetResponse>") == kGets; }));
  // Each request is followed by its answer, and the time stamps never go back.
  int expectRequest = 1, stamps = 0;
  QString lastStamp;
  for (const QString& line : w->LogFrame->Lines()) {
    if (line.contains(QLatin1String("<GetRequest>"))) {
      EXPECT_EQ(expectRequest, 1);
      expectRequest = 0;
    } else if (line.contains(QLatin1String("<GetResponse>"))) {
      EXPECT_EQ(expectRequest, 0);
      expectRequest = 1;
    }
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    const QString stamp = line.left(blank);
    if (blank > 0 && stamp.contains(QLatin1Char('\'')) && stamp.contains(QLatin1Char('.'))) {
      const QString padded = stamp.rightJustified(12, QLatin1Char('0'));
      EXPECT_GE(padded, lastStamp) << line.toStdString();
      lastStamp = padded;
      ++stamps;
    }
  }
  EXPECT_GT(stamps, 0);
  EXPECT_TRUE(Stopped(*w));
}

// The import window over the main window's log: a raw log becomes entries in its editor,
// the entries become a device description in the log, and errors reach the exception box.
TEST_F(MainWindowTest, TheImportWindowTurnsARawLogIntoADevice) {
  test::TRawLogWriter raw;
  raw.GetDevice(*MakeLogicalDevice(SmallDevice("ONE", {"0000600A01FF", "0000600A02FF"})));
  const std::string rawFile = (ConfigFolder / "raw.txt").string();
  {
    std::ofstream out(rawFile, std::ios::binary);
    for (const std::string& line : raw.Lines) out << line << "\r\n";
  }
  std::unique_ptr<TFormMain> w(Window());
  TFormImportDevice& import = w->FormImportDevice();
  EXPECT_EQ(import.windowTitle(), QStringLiteral("Import Device"));
  import.BTNRawLog->click();  // cancelled
  EXPECT_EQ(import.Editor->Text(), QString());
  ASSERT_EQ(Prompter.FileDialogs.size(), 1u);
  EXPECT_EQ(Prompter.FileDialogs[0].Filter, QStringLiteral("*.txt|*.txt"));

  Prompter.FileAnswer = QString::fromStdString(rawFile);
  import.BTNRawLog->click();
  EXPECT_TRUE(Prompter.Messages.empty());
  EXPECT_EQ(ReadLastFile(QStringLiteral("IMPORT")), QString::fromStdString(rawFile));
  const QStringList entries = import.Editor->Lines();
  EXPECT_EQ(entries.filter(QStringLiteral("Instance=")).size(), 4);
  EXPECT_EQ(entries[0], QStringLiteral("Instance=\"0000600A01FF\", ClassId=1, AttributeId=1"));
  EXPECT_TRUE(w->LogFrame->Text().contains(QLatin1String("*** SERVICES ****")));

  import.BTNToDevice->click();
  EXPECT_TRUE(Prompter.Messages.empty());
  std::unique_ptr<TSequence> device = MakeLogicalDevice(w->LogFrame->Text().toStdString());
  EXPECT_EQ(TLogicalDevice::ObjectCount(*device), 2);

  // A syntax error in the edited entries names its line; the log stays as it was.
  const QString log = w->LogFrame->Text();
  import.Editor->AddLine(QStringLiteral("Instance=\"0000600A03FF\", ClassId=1 AttributeId=1"));
  import.BTNToDevice->click();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_TRUE(Prompter.Messages[0].Text.startsWith(QStringLiteral("Syntax error in line %1 ").arg(entries.size() + 1)))
      << Prompter.Messages[0].Text.toStdString();
  EXPECT_EQ(w->LogFrame->Text(), log);

  // A line of broken hex ends step one; the editor keeps its entries.
  std::ofstream(rawFile, std::ios::binary) << "7E A0 0G\r\n";
  const QString edited = import.Editor->Text();
  import.BTNRawLog->click();
  EXPECT_EQ(Prompter.Messages.size(), 2u);
  EXPECT_EQ(import.Editor->Text(), edited);
}

// Step one in the window reads the log on a thread of its own while the window answers:
// the entries in its editor and the lines in the log pane are those of the core on the same
// log (segmented frames, data blocks, and more APDUs and entries than the window takes in
// one turn).
TEST_F(MainWindowTest, TheImportWindowGivesWhatTheCoreGives) {
  test::TRawLogWriter raw;
  raw.Note("capture of a long session");
  raw.GetDevice(*MakeLogicalDevice(SmallDevice("ONE", {"0000600A01FF", "0000600A02FF"})));
  const PduStr name("\x00\x00\x60\x0A\x03\xFF", 6);
  raw.Get(1, name, 1, *TDataHelper::MakeFromXml("<Data><OctetString Value=\"0000600A03FF\" /></Data>"));
  raw.Get(1, name, 2, *TDataHelper::MakeFromXml("<Data><OctetString Value=\"" + std::string(1200, 'A') + "\" /></Data>"),
          100);
  for (int i = 0; i < 3000; ++i)
    raw.Get(1, name, 2, *TDataHelper::MakeFromXml("<Data><Unsigned Value=\"" + IntToHex(i % 256, 2) + "\" /></Data>"));
  const std::string rawFile = (ConfigFolder / "raw.txt").string();
  {
    std::ofstream out(rawFile, std::ios::binary);
    for (const std::string& line : raw.Lines) out << line << "\r\n";
  }
  test::TRecordingLog pane;
  TImportDevice core(pane);
  const std::vector<std::string> entries = core.RawLogToEntries(raw.Lines);

  std::unique_ptr<TFormMain> w(Window());
  TFormImportDevice& import = w->FormImportDevice();
  // A file that does not open is reported before anything starts; the window stays usable.
  Prompter.FileAnswer = QString::fromStdString(rawFile + ".gone");
  import.BTNRawLog->click();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_TRUE(Prompter.Messages[0].Text.startsWith(QStringLiteral("Cannot open file"))) << Prompter.Messages[0].Text.toStdString();
  EXPECT_TRUE(import.BTNRawLog->isEnabled());
  Prompter.Messages.clear();

  Prompter.FileAnswer = QString::fromStdString(rawFile);
  // A turn of the event loop while the step runs: the buttons wait for it to end.
  bool turned = false;
  QTimer::singleShot(0, &import, [&] {
    turned = true;
    EXPECT_FALSE(import.BTNRawLog->isEnabled());
    EXPECT_FALSE(import.BTNToDevice->isEnabled());
  });
  import.BTNRawLog->click();
  EXPECT_TRUE(turned);
  EXPECT_TRUE(import.BTNRawLog->isEnabled());
  EXPECT_TRUE(import.BTNToDevice->isEnabled());
  EXPECT_TRUE(Prompter.Messages.empty());

  QStringList expected;
  for (const std::string& line : entries) expected << QString::fromStdString(line);
  ASSERT_GT(expected.size(), 6000);
  EXPECT_EQ(import.Editor->Lines(), expected);
  // The log pane's lines are the core's, those written as single lines behind a time stamp.
  const QStringList log = w->LogFrame->Lines();
  ASSERT_EQ(static_cast<size_t>(log.size()), pane.Lines.size());
  ASSERT_GT(pane.Lines.size(), 50000u);
  for (size_t i = 0; i < pane.Lines.size(); ++i) {
    const QString line = QString::fromStdString(pane.Lines[i]);
    if (line.startsWith(QLatin1String("PDU: ")) || line.startsWith(QLatin1String("*** ")))
      EXPECT_TRUE(log[static_cast<qsizetype>(i)].endsWith(QLatin1Char(' ') + line)) << i;
    else
      EXPECT_EQ(log[static_cast<qsizetype>(i)], line) << i;
  }
}

}  // namespace
}  // namespace zv

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QListWidget>
#include <QPalette>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/editor_frames.h"
#include "app/frame_view.h"
#include "app/last_files.h"
#include "app/shell_test_support.h"
#include "foundation/logger.h"
#include "kit/editor/qt/find_dialog.h"
#include "kit/editor/qt/qt_completion_popup.h"
#include "kit/editor/scheme_collections.h"
#include "platform/clock.h"
#include "support/full_folder.h"
#include "support/test_server.h"

namespace zv {
namespace {

class FramesTest : public ShellTest {
 protected:
  std::string Path(const char* Name) { return (ConfigFolder / Name).string(); }
  static void Write(const std::string& Path, const std::string& Text) { std::ofstream(Path, std::ios::binary) << Text; }
  // The frame on screen with room for a few lines.
  template <class TFrame>
  static TFrame* Shown() {
    auto* frame = new TFrame;
    frame->resize(300, 160);
    frame->show();
    QApplication::processEvents();
    return frame;
  }
  static QStringList Numbered(int From, int Count) {
    QStringList lines;
    for (int i = From; i < From + Count; ++i) lines << QStringLiteral("line %1").arg(i);
    return lines;
  }
  static void Type(TFrameKit& Frame, const QString& Text) { QTest::keyClicks(Frame.KitView().Widget(), Text); }
};

TEST_F(FramesTest, AddLineFollowsOnlyAnEndThatIsInView) {
  TFrameKit* frame = Shown<TFrameKit>();
  auto endInView = [&] { return frame->KitView().TopLine() + frame->KitView().LinesOnScreen() >= frame->LineCount(); };
  frame->AddLines(Numbered(0, 100));
  EXPECT_EQ(frame->LineCount(), 100);
  EXPECT_TRUE(endInView());  // followed to the end
  frame->AddLine(QStringLiteral("one more"));
  QApplication::processEvents();  // appended lines reach the view with the event loop
  EXPECT_TRUE(endInView());
  EXPECT_EQ(frame->Lines().back(), QStringLiteral("one more"));

  frame->KitView().ScrollTo(0, 0);  // the user looks at the start
  ASSERT_EQ(frame->KitView().TopLine(), 0);
  frame->AddLines(Numbered(100, 50));
  EXPECT_EQ(frame->LineCount(), 151);
  QApplication::processEvents();
  EXPECT_EQ(frame->KitView().TopLine(), 0);
  EXPECT_EQ(frame->Lines()[150], QStringLiteral("line 149"));
}

TEST_F(FramesTest, TheLogFrameIsReadOnlyAndNeverOffersLoadOrReplace) {
  TFrameLog* log = Shown<TFrameLog>();
  log->AddLine(QStringLiteral("something"));
  emit log->PopUpMenu->aboutToShow();
  EXPECT_TRUE(log->ReadOnly());
  for (QAction* a : {log->PMLoad, log->PMReplace, log->PMDelete, log->PMIndent, log->PMUnindent, log->PMNew,
                     log->PMSave, log->PMUndo, log->PMPaste})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  for (QAction* a : {log->PMSearch, log->PMSelecteAll, log->PMSaveAs}) EXPECT_TRUE(a->isEnabled());
  // A file name makes Save possible; Load and Replace stay off.
  const std::string file = Path("log.txt");
  Write(file, "old log\n");
  log->LoadFromFile(QString::fromStdString(file));
  emit log->PopUpMenu->aboutToShow();
  EXPECT_TRUE(log->PMSave->isEnabled());
  EXPECT_FALSE(log->PMLoad->isEnabled());
  EXPECT_FALSE(log->PMReplace->isEnabled());
  // Typing changes nothing.
  Type(*log, QStringLiteral("xyz"));
  EXPECT_EQ(log->Text(), QStringLiteral("old log\n"));
}

// A right click on the text moves the cursor there (outside the selection) and opens the
// popup, its items enabled as the view allows.
TEST_F(FramesTest, ARightClickOpensThePopupAtTheText) {
  TFrameKit* frame = Shown<TFrameKit>();
  frame->AddLines(QStringList{"alpha", "beta"});
  TKitEditView& view = frame->KitView().View();
  auto* area = static_cast<QAbstractScrollArea*>(frame->KitView().Widget());
  // Where column 2 of line 1 is on screen.
  bool hidden = false;
  const TKitRect cell = view.ScrollPosToClient({2, 1}, hidden);
  ASSERT_FALSE(hidden);
  const QPoint at(cell.Left + 1, cell.Top + 1);
  auto rightClick = [&] {
    bool shown = false, copy = false;
    QTimer::singleShot(0, [&] {
      QWidget* popup = QApplication::activePopupWidget();
      shown = popup == frame->PopUpMenu;
      copy = frame->PMCopy->isEnabled();
      if (popup) popup->close();
    });
    // As the window system has it: the press, the menu event, then the release.
    QTest::mousePress(area->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, area->viewport()->mapToGlobal(at));
    QApplication::sendEvent(area->viewport(), &menu);
    QTest::mouseRelease(area->viewport(), Qt::RightButton, {}, at);
    EXPECT_TRUE(shown);
    return copy;
  };
  EXPECT_FALSE(rightClick());  // nothing selected
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(2, 1));
  // Inside the selection the cursor stays and the selection with it.
  frame->PMSelecteAll->trigger();
  const QPoint end = frame->KitView().CursorPos();
  EXPECT_TRUE(rightClick());
  EXPECT_EQ(frame->KitView().CursorPos(), end);
  EXPECT_EQ(ToQString(view.SelectedText()), frame->Text());
}

TEST_F(FramesTest, CloseQueryAsksWithTheFileKey) {
  const QString file = QString::fromStdString(Path("device.txt"));
  struct TCase {
    const char* Name;
    std::vector<TModalResult> Answers;
    bool FileChosen;
    bool Result, Saved;
  } cases[] = {
      {"No keeps the text unsaved", {mrNo}, false, true, false},
      {"Cancel", {mrCancel}, false, false, false},
      {"Yes, then the save dialog is cancelled", {mrYes}, false, false, false},
      {"Yes and a file", {mrYes}, true, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove(file.toStdString());
    WriteLastFile(QStringLiteral("DEVICE"), QString());
    TFrameKit frame;
    frame.SetFileKey(QStringLiteral("DEVICE"));
    frame.SetFileExtension(QStringLiteral("txt"));
    EXPECT_TRUE(frame.CloseQuery());  // nothing changed: no question
    Type(frame, QStringLiteral("<LogicalDevice>"));
    Prompter.Messages.clear();
    Prompter.FileDialogs.clear();
    Prompter.MessageAnswers.assign(c.Answers.begin(), c.Answers.end());
    Prompter.FileAnswer.reset();
    if (c.FileChosen) Prompter.FileAnswer = file;
    EXPECT_EQ(frame.CloseQuery(), c.Result);
    ASSERT_EQ(Prompter.Messages.size(), 1u);
    EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("DEVICE file not saved, save?"));
    EXPECT_EQ(Prompter.Messages[0].Buttons, mbYes | mbNo | mbCancel);
    if (c.Answers[0] == mrYes) {
      ASSERT_EQ(Prompter.FileDialogs.size(), 1u);
      EXPECT_EQ(Prompter.FileDialogs[0].Title, QStringLiteral("Save DEVICE file"));
      EXPECT_EQ(Prompter.FileDialogs[0].Filter, QStringLiteral("*.txt|*.txt"));
      EXPECT_TRUE(Prompter.FileDialogs[0].OverwritePrompt);
    }
    EXPECT_EQ(std::filesystem::exists(file.toStdString()), c.Saved);
    if (c.Saved) {
      EXPECT_EQ(test::ReadFile(file.toStdString()), "<LogicalDevice>");
      EXPECT_EQ(frame.CurrentFileName(), file);
      EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), file);
      Prompter.Messages.clear();
      EXPECT_TRUE(frame.CloseQuery());
      EXPECT_TRUE(Prompter.Messages.empty());
    }
  }
}

TEST_F(FramesTest, NewAsksFirstAndCancelKeepsTheText) {
  TFrameKit frame;
  frame.SetFileKey(QStringLiteral("DEVICE"));
  Type(frame, QStringLiteral("abc"));
  Prompter.MessageAnswers = {mrCancel};
  frame.PMNew->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("DEVICE file not saved, save?"));
  EXPECT_EQ(frame.Text(), QStringLiteral("abc"));
  Prompter.MessageAnswers = {mrNo};
  frame.PMNew->trigger();
  EXPECT_EQ(frame.Text(), QString());
}

TEST_F(FramesTest, PopupSaveStoresTheFileAsSaveAsDoes) {
  const std::string file = Path("meter.txt");
  Write(file, "first\r\nsecond\r\n");
  TFrameKit frame;
  frame.SetFileKey(QStringLiteral("DEVICE"));
  int changes = 0;
  frame.OnFileNameChanged = [&](TFrameKit*) { ++changes; };
  // Load... starts at the last file and loads the chosen one.
  WriteLastFile(QStringLiteral("DEVICE"), QStringLiteral("/data/devices/last.txt"));
  Prompter.FileAnswer = QString::fromStdString(file);
  frame.PMLoad->trigger();
  ASSERT_EQ(Prompter.FileDialogs.size(), 1u);
  EXPECT_EQ(Prompter.FileDialogs[0].Title, QStringLiteral("Open DEVICE file"));
  EXPECT_EQ(Prompter.FileDialogs[0].FileName, QStringLiteral("last.txt"));
  EXPECT_EQ(Prompter.FileDialogs[0].InitialDir, QStringLiteral("/data/devices"));
  EXPECT_EQ(frame.CurrentFileName(), QString::fromStdString(file));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(frame.Lines(), (QStringList{"first", "second", ""}));

  WriteLastFile(QStringLiteral("DEVICE"), QString());
  frame.KitView().SetCursor(0, 2);
  Type(frame, QStringLiteral("third"));
  emit frame.PopUpMenu->aboutToShow();
  ASSERT_TRUE(frame.PMSave->isEnabled());
  frame.PMSave->trigger();
  // The line breaks stay as the file had them; the text is no longer modified and is the
  // last file of its kind.
  EXPECT_EQ(test::ReadFile(file), "first\r\nsecond\r\nthird");
  EXPECT_EQ(ReadLastFile(QStringLiteral("DEVICE")), QString::fromStdString(file));
  Prompter.Messages.clear();
  EXPECT_TRUE(frame.CloseQuery());
  EXPECT_TRUE(Prompter.Messages.empty());
}

// A save that does not fit on the disk: the file keeps its old content, no half-written file
// is left, the editor keeps its text, its modified state and the file it belongs to, and the
// message names the file and the reason. Once there is room the same Save goes through.
TEST_F(FramesTest, ASaveOnAFullDiskKeepsTheFileAndTheText) {
  test::TFullFolder full(ConfigFolder / "full");
  const std::string file = full.File("device.txt");
  Write(file, "<LogicalDevice>\r\n");
  TFrameDeviceEditor frame;
  frame.SetFileKey(QStringLiteral("DEVICE"));
  frame.LoadFromFile(QString::fromStdString(file));
  Type(frame, QStringLiteral("<!-- typed -->"));
  frame.KitView().Document().Insert(0, TKitString(20000, u' '));  // more than the room left
  const QString typed = frame.Text();
  full.Fill(4096);  // the settings still fit
  const std::string reason = std::strerror(full.Error());

  frame.PMSave->trigger();
  Prompter.FileAnswer = QString::fromStdString(full.File("other.txt"));
  frame.PMSaveAs->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 2u);
  EXPECT_EQ(Prompter.Messages[0].Type, mtError);
  EXPECT_EQ(Prompter.Messages[0].Text, QString::fromStdString("Stream write error: " + file + ": " + reason));
  EXPECT_EQ(Prompter.Messages[1].Text,
            QString::fromStdString("Stream write error: " + full.File("other.txt") + ": " + reason));
  EXPECT_EQ(test::ReadFile(file), "<LogicalDevice>\r\n");
  EXPECT_EQ(full.Names(), std::vector<std::string>{"device.txt"});
  EXPECT_EQ(frame.Text(), typed);
  EXPECT_TRUE(frame.KitView().Document().Modified());
  EXPECT_EQ(frame.CurrentFileName(), QString::fromStdString(file));

  full.MakeRoom();
  frame.PMSave->trigger();
  EXPECT_EQ(Prompter.Messages.size(), 2u);
  EXPECT_EQ(QString::fromStdString(test::ReadFile(file)), typed);
  EXPECT_FALSE(frame.KitView().Document().Modified());
}

// A description written with Windows tools (not UTF-8) loads without a replaced byte, the
// status names its encoding, and Save writes every byte the user did not touch back as it
// came. A UTF-8 file, with its mark or without, and a new text are UTF-8 and say nothing.
TEST_F(FramesTest, TheDeviceEditorSavesAFileBackInTheEncodingItCameIn) {
  TFrameDeviceEditor* editor = Shown<TFrameDeviceEditor>();
  editor->SetFileKey(QStringLiteral("DEVICE"));
  QString status;
  editor->OnEditorStatusChanged = [&](TFrameKit*, const QString& Text) { status = Text; };
  struct Row {
    const char* name;
    std::string first, rest;  // the user types between them
    QString status;
  } rows[] = {
      {"windows-1252", "<Data>\r\n", "  <!-- Z\xE4hler \x80 \x81 -->\r\n</Data>\r\n", QStringLiteral("2:1 Windows-1252")},
      {"utf8", "<Data>\r\n", "  <!-- Z\xC3\xA4hler \xE2\x82\xAC -->\r\n</Data>", QStringLiteral("2:1")},
      {"utf8 with mark", "\xEF\xBB\xBF<Data>\n", "</Data>\n", QStringLiteral("2:1")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string file = Path("device.txt");
    Write(file, r.first + r.rest);
    editor->LoadFromFile(QString::fromStdString(file));
    EXPECT_EQ(editor->Text().indexOf(QChar(0xFFFD)), -1);
    editor->KitView().SetCursor(0, 1);
    Type(*editor, QStringLiteral("ab"));
    EXPECT_EQ(status, r.status);
    editor->SaveToFile(QString::fromStdString(file));
    EXPECT_EQ(test::ReadFile(file), r.first + "ab" + r.rest);
  }
  // The Windows-1252 file again, then a new text: UTF-8.
  Write(Path("device.txt"), "\xE4");
  editor->LoadFromFile(QString::fromStdString(Path("device.txt")));
  EXPECT_EQ(status, QStringLiteral("0:0 Windows-1252"));
  editor->Clear();
  EXPECT_EQ(status, QStringLiteral("0:0"));
  editor->KitView().Document().Insert(0, u"\u00E4");
  editor->SaveToFile(QString::fromStdString(Path("new.txt")));
  EXPECT_EQ(test::ReadFile(Path("new.txt")), "\xC3\xA4");
}

TEST_F(FramesTest, F3RepeatsTheSearchAndBeepsWithoutOne) {
  TFrameKit* frame = Shown<TFrameKit>();
  frame->AddLines(QStringList{"alpha", "beta alpha", "gamma"});
  QWidget* view = frame->KitView().Widget();
  QTest::keyClick(view, Qt::Key_F3);
  EXPECT_EQ(Prompter.Beeps, 1);
  EXPECT_TRUE(Prompter.Messages.empty());
  // The view's question at the end of the text is answered No.
  frame->KitView().View().OnNotFound = [](TObject*, TKitEditNotFoundAction& Action) { Action = saCancel; };

  // The dialog's part: the user types the text (and the replacement) and presses a button.
  std::vector<QString> captions;
  auto press = [&](const char* Text, QPushButton* TKitSedFindDlg::*Button) {
    return [&captions, Text, Button](TKitSedFindDlg& Dialog) {
      captions.push_back(Dialog.windowTitle());
      Dialog.edTextToSearch->setEditText(QString::fromLatin1(Text));
      Dialog.edReplaceText->setEditText(QStringLiteral("omega"));
      (Dialog.*Button)->click();
    };
  };
  TFindDialogAnswerer answer(press("alpha", &TKitSedFindDlg::btnFind));
  frame->KitView().SetCursor(0, 0);
  frame->PMSearch->trigger();
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(5, 0));
  QTest::keyClick(view, Qt::Key_F3);
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(10, 1));
  EXPECT_TRUE(Prompter.Messages.empty());
  QTest::keyClick(view, Qt::Key_F3);
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("Search string 'alpha' not found"));
  EXPECT_EQ(Prompter.Messages[0].Type, mtInformation);
  EXPECT_EQ(Prompter.Beeps, 1);

  // Replace all (in the whole text: nothing is selected) reports its count.
  frame->KitView().SetCursor(0, 0);
  Prompter.Messages.clear();
  answer.Act = press("alpha", &TKitSedFindDlg::btnReplaceAll);
  frame->PMReplace->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("2 time(s) replaced."));
  EXPECT_EQ(frame->Lines(), (QStringList{"omega", "beta omega", "gamma"}));
  Prompter.Messages.clear();
  frame->PMReplace->trigger();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0].Text, QStringLiteral("Search string 'alpha' not found"));
  EXPECT_EQ(captions, (std::vector<QString>{"Search text", "Replace text", "Replace text"}));
  EXPECT_EQ(answer.Seen, 3);
}

// In incremental search (Ctrl+E) F3 is the view's own next match: one step per press.
TEST_F(FramesTest, F3InIncrementalSearchStepsOnce) {
  TFrameKit* frame = Shown<TFrameKit>();
  frame->AddLines(QStringList{"ab ab ab ab"});
  QWidget* view = frame->KitView().Widget();
  frame->KitView().SetCursor(0, 0);
  QTest::keyClick(view, Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(frame->KitView().View().InIncrementalSearch());
  QTest::keyClicks(view, QStringLiteral("ab"));
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(0, 0));  // at the match
  QTest::keyClick(view, Qt::Key_F3);
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(3, 0));
  QTest::keyClick(view, Qt::Key_F3);
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(6, 0));
  EXPECT_TRUE(Prompter.Messages.empty());
  EXPECT_EQ(Prompter.Beeps, 0);
}

TEST_F(FramesTest, GotoPosAndFocusPutsTheCursorOnTheOneBasedLine) {
  TFrameKit* frame = Shown<TFrameKit>();
  frame->AddLines(Numbered(0, 200));
  QString status;
  frame->OnEditorStatusChanged = [&](TFrameKit* Sender, const QString& Text) {
    EXPECT_EQ(Sender, frame);
    status = Text;
  };
  frame->GotoPosAndFocus(4, 120);
  EXPECT_EQ(frame->KitView().CursorPos(), QPoint(4, 119));
  EXPECT_EQ(status, QStringLiteral("4:119"));
  const int top = frame->KitView().TopLine();
  EXPECT_LE(top, 119);
  EXPECT_GT(top + frame->KitView().LinesOnScreen(), 119);
}

// The device editor highlights with the device schemes; its fold items fold the blocks
// inside the one at the cursor and open them all again, and a jump to a line opens the fold
// it is hidden in.
TEST_F(FramesTest, TheDeviceEditorFoldsAndHighlightsADescription) {
  TFrameDeviceEditor* editor = Shown<TFrameDeviceEditor>();
  TKitEditDocument& doc = editor->KitView().Document();
  EXPECT_EQ(doc.ActiveColorScheme(), u"colors");
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"syntax");
  const TKitEditParserSchemeCollectionItem* colors = doc.ColorSchemes().FindItem(u"colors");
  ASSERT_NE(colors, nullptr);
  EXPECT_NE(ToQString(colors->Scheme().Text()).indexOf(QStringLiteral("<Token name=\"comment\"  textColor=\"#0000FF\" />")),
            -1);
  const TKitEditParserSchemeCollectionItem* syntax = doc.SyntaxSchemes().FindItem(u"syntax");
  ASSERT_NE(syntax, nullptr);
  EXPECT_NE(ToQString(syntax->Scheme().Text()).indexOf(QStringLiteral("LNAssociationObject_3")), -1);
  QList<QAction*> items = editor->PopUpMenu->actions();
  ASSERT_GE(items.size(), 3);
  EXPECT_TRUE(items[items.size() - 3]->isSeparator());
  QAction* foldChilds = items[items.size() - 2];
  QAction* unfoldAll = items[items.size() - 1];
  EXPECT_EQ(foldChilds->text(), QStringLiteral("Fold childs"));
  EXPECT_EQ(unfoldAll->text(), QStringLiteral("Unfold All"));

  const std::string file = Path("meter.txt");
  Write(file, test::ReadFile(ZV_EXAMPLES_DIR "/meter.txt"));
  editor->LoadFromFile(QString::fromStdString(file));
  TKitEditView& view = editor->KitView().View();
  const QStringList lines = editor->Lines();
  auto lineOf = [&](const char* Text) {
    for (int i = 0; i < lines.size(); ++i)
      if (lines[i].startsWith(QLatin1String(Text))) return i;
    return -1;
  };
  const int device = lineOf("<LogicalDevice>"), list = lineOf("  <COSEMObjectList"),
            assoc = lineOf("    <LNAssociationObject_3>"), clock = lineOf("    <ClockObject>");
  ASSERT_GE(device, 0);
  ASSERT_LT(device, list);
  ASSERT_LT(assoc, clock);
  // On the line <LogicalDevice> the element's name is a keyword, in bold.
  TKitEditParserBase& parser = doc.GetParser();
  TKitEditParsedLine* parsed = parser.GetParsedLine(device);
  ASSERT_NE(parsed, nullptr);
  std::vector<TKitEditParsedToken> tokens(1);
  ASSERT_EQ(parsed->GetTokens(parsed->GetTokenIdx(3), 1, tokens), 1);
  EXPECT_EQ(KitSegmentToStr(tokens[0].Seg), u"LogicalDevice");
  EXPECT_EQ(tokens[0].Attrs.FontStyle, fsBold);
  ASSERT_TRUE(parser.IsFoldStart(list));
  ASSERT_TRUE(parser.IsFoldStart(clock));

  // On a line that starts no fold nothing happens.
  editor->KitView().SetCursor(0, device);
  foldChilds->trigger();
  EXPECT_EQ(view.GetVisibleCountScroll(), doc.LinesCount());
  // On the object list's line the blocks inside fold; the list's own block stays open.
  editor->KitView().SetCursor(0, list);
  foldChilds->trigger();
  EXPECT_FALSE(view.IsCollapsedFold(list));
  EXPECT_TRUE(view.IsCollapsedFold(assoc));
  EXPECT_TRUE(view.IsCollapsedFold(clock));
  EXPECT_TRUE(view.IsLineStartVisible(clock));
  EXPECT_FALSE(view.IsLineStartVisible(clock + 1));
  unfoldAll->trigger();
  EXPECT_FALSE(view.IsCollapsedFold(clock));
  EXPECT_EQ(view.GetVisibleCountScroll(), doc.LinesCount());

  // The error of a description on a folded line: every fold opens.
  editor->KitView().SetCursor(0, list);
  foldChilds->trigger();
  ASSERT_FALSE(view.IsLineStartVisible(clock + 1));
  editor->GotoPosAndFocus(4, clock + 2);
  EXPECT_TRUE(view.IsLineStartVisible(clock + 1));
  EXPECT_EQ(view.GetVisibleCountScroll(), doc.LinesCount());
  EXPECT_EQ(editor->KitView().CursorPos(), QPoint(4, clock + 1));
}

// Completion as a user meets it in the device editor: three characters of a word the text
// holds and a pause, or Ctrl+Space, list the words that begin so; Return takes one.
TEST_F(FramesTest, TheDeviceEditorCompletesWordsOfItsText) {
  std::unique_ptr<TFrameDeviceEditor> editor(Shown<TFrameDeviceEditor>());
  QApplication::setActiveWindow(editor.get());
  editor->AddLines(QStringList{QStringLiteral("<LogicalDevice>"), QStringLiteral("  <ClockObject>"),
                               QStringLiteral("  </ClockObject>"), QStringLiteral("  <CloseRequest />"),
                               QStringLiteral("  "), QStringLiteral("</LogicalDevice>")});
  QWidget* widget = editor->KitView().Widget();
  widget->setFocus();
  auto popup = [&]() -> QListWidget* {
    auto* window = dynamic_cast<TQtPopupList*>(editor->KitView().View().CompletionList().Window());
    return window != nullptr ? window->Widget() : nullptr;
  };
  auto shownItems = [&] {
    QStringList items;
    if (QListWidget* list = popup(); list != nullptr && list->isVisible())
      for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  };
  const QStringList words{QStringLiteral("<ClockObject>"), QStringLiteral("<CloseRequest")};

  editor->KitView().SetCursor(2, 4);
  Type(*editor, QStringLiteral("<Clo"));
  EXPECT_EQ(shownItems(), QStringList());  // not before the pause
  QTest::qWait(700);
  EXPECT_EQ(shownItems(), words);
  QTest::keyClick(widget, Qt::Key_Escape);
  EXPECT_EQ(shownItems(), QStringList());

  QTest::keyClick(widget, Qt::Key_Backspace);
  QTest::keyClick(widget, Qt::Key_Backspace);
  QTest::keyClick(widget, Qt::Key_Space, Qt::ControlModifier);  // two characters are enough here
  EXPECT_EQ(shownItems(), words);
  QTest::keyClick(widget, Qt::Key_Down);
  QTest::keyClick(widget, Qt::Key_Return);
  EXPECT_EQ(shownItems(), QStringList());
  EXPECT_EQ(editor->Lines()[4], QStringLiteral("  <CloseRequest"));
  EXPECT_TRUE(widget->hasFocus());
  // Ending a word keeps it as typed.
  Type(*editor, QStringLiteral(" <Clo "));
  EXPECT_EQ(editor->Lines()[4], QStringLiteral("  <CloseRequest <Clo "));
  EXPECT_EQ(shownItems(), QStringList());
}

// The editors paint with the desktop's colours: the text's background is the palette's base,
// in the device editor and in the read-only log alike.
TEST_F(FramesTest, TheEditorsTakeTheDesktopsWindowColour) {
  const QPalette standard = QApplication::palette();
  QPalette dark = standard;
  dark.setColor(QPalette::Base, QColor(0x20, 0x30, 0x40));
  QApplication::setPalette(dark);
  std::unique_ptr<TFrameDeviceEditor> editor(Shown<TFrameDeviceEditor>());
  std::unique_ptr<TFrameLog> log(Shown<TFrameLog>());
  for (TFrameKit* frame : {static_cast<TFrameKit*>(editor.get()), static_cast<TFrameKit*>(log.get())}) {
    SCOPED_TRACE(frame == log.get() ? "log" : "device editor");
    frame->AddLine(QStringLiteral("a"));
    QApplication::processEvents();
    auto* area = static_cast<QAbstractScrollArea*>(frame->KitView().Widget());
    const QImage image = area->viewport()->grab().toImage();
    // Right of the text, on a line below the cursor's.
    const int lineHeight = frame->KitView().View().LineHeight();
    EXPECT_EQ(image.pixel(image.width() - 5, 2 * lineHeight + 2), qRgb(0x20, 0x30, 0x40));
  }
  QApplication::setPalette(standard);
}

// The log frame as the logger's pane: session lines, and the limit that empties it.
TEST_F(FramesTest, TheLoggerWritesSessionsIntoTheLogFrame) {
  class TTestClock : public IClock {
   public:
    int64_t NowMs() const override { return Ms; }
    int64_t Ms = 5000;
  } clock;
  TDateTime now = 45000.5;
  TLogger logger(clock, [&] { return now; });
  TFrameLog log;
  logger.Attach(log, {});
  logger.BeginSession();
  ASSERT_EQ(log.Lines().size(), 1);
  EXPECT_TRUE(log.Lines()[0].startsWith(QStringLiteral("STARTED ")));
  clock.Ms += 3725000;
  now += 3725.0 / 86400;
  logger.EndSession();
  EXPECT_EQ(log.Lines().back(), QStringLiteral("62'05.000 STOPPED after 1h 02m 05s"));

  logger.SetMaxLogSize(3);
  logger.StringListToLog({"a", "b"});
  EXPECT_EQ(log.Text(), QString());  // four lines are above the limit: the pane was emptied
  logger.Detach();
}

}  // namespace
}  // namespace zv

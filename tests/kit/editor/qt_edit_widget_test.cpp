// The editor widget offscreen: a device description in token colours with the gutter, the
// caret drawn where the view puts it, keys and input-method text, the wheel and the scroll
// bars, a fold from a gutter click, double and triple clicks, a text drop, the window's
// operations, the completion popup that never takes the focus, and the translation of Qt
// keys.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/qt/qt_completion_popup.h"
#include "kit/editor/qt/qt_edit_widget.h"
#include "kit/text/unicode.h"
#include "scheme_support.h"

namespace zv {
namespace {

// A widget showing a device description: every word red, folds from a table.
struct WidgetFixture {
  WidgetFixture() {
    auto p = std::make_unique<TFakeFoldParser>();
    parser = p.get();
    parser->WordTokens = true;
    parser->Folds = {{1, 6}, {2, 4}};
    doc.SetParser(std::move(p));
    TKitString path;
    KitUTF8OrAnsiToString(std::string(ZV_FIXTURES_DIR) + "/push_device.xml", path);
    doc.LoadFromFile(path);
    widget.resize(640, 400);
    widget.SetDocument(&doc);
    widget.View().Gutter().SetLineNumberingInterval(1);
    widget.show();
    QApplication::setActiveWindow(&widget);
    widget.setFocus();
    QApplication::processEvents();
  }
  QImage Grab() { return widget.viewport()->grab().toImage(); }
  int LineHeight() { return widget.View().LineHeight(); }
  int CharWidth() { return widget.View().ScreenCache().SpaceCharW(); }
  // The middle of a character's cell on a screen line, in viewport pixels.
  QPointF At(int ACol, int ALine) {
    return {widget.View().GutterWidth() + ACol * CharWidth() + CharWidth() / 4.0, ALine * LineHeight() + 3.0};
  }
  void Mouse(QEvent::Type AType, const QPointF& AAt, Qt::KeyboardModifiers AMods = Qt::NoModifier) {
    const Qt::MouseButtons held = AType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(AType, AAt, widget.viewport()->mapToGlobal(AAt), Qt::LeftButton, held, AMods);
    QApplication::sendEvent(widget.viewport(), &e);
  }
  // Answers whether the widget took the key.
  bool Key(int AKey, Qt::KeyboardModifiers AMods = Qt::NoModifier, const QString& AText = {}) {
    QKeyEvent e(QEvent::KeyPress, AKey, AMods, AText);
    QApplication::sendEvent(&widget, &e);
    return e.isAccepted();
  }
  QString Line(int ALine) { return QString::fromStdU16String(KitSegmentToStr(doc.GetLine(ALine))); }

  TKitEditDocument doc;
  TFakeFoldParser* parser = nullptr;
  TQtEditWidget widget;
};

bool IsRed(QRgb C) { return qRed(C) > 180 && qGreen(C) < 90 && qBlue(C) < 90; }

TEST(QtEditWidgetTest, ShowsTheTextInTokenColoursWithTheGutter) {
  WidgetFixture f;
  ASSERT_GT(f.doc.LinesCount(), 20);
  TKitEditView& v = f.widget.View();
  EXPECT_EQ(v.ScreenCache().ScreenWidthPixels(), f.widget.viewport()->width() - v.GutterWidth());
  const QImage image = f.Grab();
  // Red ink on the text of the second row (its words are tokens), none in the gutter.
  const int lh = f.LineHeight();
  int red = 0, gutterRed = 0;
  for (int y = lh; y < 2 * lh; ++y)
    for (int x = 0; x < image.width(); ++x)
      if (IsRed(image.pixel(x, y))) ++(x < v.GutterWidth() ? gutterRed : red);
  EXPECT_GT(red, 20);
  EXPECT_EQ(gutterRed, 0);
  // The line-number bar's colour, and the current line's colour right of the first row.
  const TKitGutterBar* numbers = v.Gutter().Bars().Items(2);
  ASSERT_EQ(numbers->Kind(), gbLineNumberBar);
  const int barLeft = v.Gutter().BarLeft(numbers);
  EXPECT_EQ(image.pixel(barLeft + 1, lh * 3 + 1) & 0xFFFFFF, 0xF4F4F4u);
  EXPECT_EQ(image.pixelColor(image.width() - 2, 2), KitToQColor(v.SelectedLineBg()));
  EXPECT_EQ(image.pixelColor(image.width() - 2, lh + 2), QColor(Qt::white));
}

// A picture of the widget for the eye: the device editor's schemes over a device
// description, a fold, a selection and the caret. ZV_SHOT=/tmp/editor.png names the file
// (under xvfb-run with QT_QPA_PLATFORM=xcb the desktop's fonts are used); ZV_SHOT_HOLD=N
// keeps the window "Editor" open N seconds first, for real input from the screenshot tool.
TEST(QtEditWidgetTest, Screenshot) {
  const char* file = std::getenv("ZV_SHOT");
  if (file == nullptr) GTEST_SKIP() << "ZV_SHOT names the picture to write";
  RegisterDeviceClasses();
  TKitEditDocument doc;
  TKitString path;
  KitUTF8OrAnsiToString(std::string(ZV_FIXTURES_DIR) + "/push_device.xml", path);
  doc.LoadFromFile(path);
  KitSetDeviceSchemes(doc);
  TQtEditWidget widget;
  widget.resize(760, 460);
  widget.SetDocument(&doc);
  TKitEditView& v = widget.View();
  v.Gutter().SetLineNumberingInterval(1);
  widget.show();
  QApplication::setActiveWindow(&widget);
  widget.setFocus();
  QApplication::processEvents();
  v.Fold(16, false);  // the first attribute access list
  v.SetSelection(TKitPoint{6, 6}, TKitPoint{27, 7}, false);
  widget.setWindowTitle("Editor");
  QApplication::processEvents();
  if (const char* hold = std::getenv("ZV_SHOT_HOLD")) {
    QEventLoop loop;
    QTimer::singleShot(std::atoi(hold) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  EXPECT_TRUE(widget.grab().save(file));
}

TEST(QtEditWidgetTest, DrawsTheCaretWhereTheViewPutsIt) {
  WidgetFixture f;
  ASSERT_TRUE(f.widget.hasFocus());
  TKitEditView& v = f.widget.View();
  v.BeginUpdate();
  v.ScreenCache().SetCursorPos({3, 2}, scBackward, false);
  v.EndUpdate();
  const QRect expected(v.GutterWidth() + 3 * f.CharWidth(), 2 * f.LineHeight(), 2, f.LineHeight());
  EXPECT_EQ(f.widget.Host().CaretRect(), expected);
  ASSERT_EQ(f.widget.DrawnCaret(), expected);
  const QImage image = f.Grab();
  // The caret inverts the current line's light background into a dark bar.
  EXPECT_LT(qGray(image.pixel(expected.left(), expected.center().y())), 60);
  EXPECT_GT(qGray(image.pixel(expected.left() - 3, expected.top() + 1)), 200);
  // Without the focus there is no caret.
  f.widget.clearFocus();
  QApplication::processEvents();
  EXPECT_TRUE(f.widget.DrawnCaret().isEmpty());
}

TEST(QtEditWidgetTest, TheWheelScrollsAndAGutterClickFolds) {
  WidgetFixture f;
  TKitEditView& v = f.widget.View();
  const int lines = QGuiApplication::styleHints()->wheelScrollLines();
  const QPointF at(200, 50);
  QWheelEvent down(at, f.widget.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(f.widget.viewport(), &down);
  EXPECT_EQ(v.TopLineScroll(), lines);
  QWheelEvent half(at, f.widget.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 60), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(f.widget.viewport(), &half);
  EXPECT_EQ(v.TopLineScroll(), lines);
  QApplication::sendEvent(f.widget.viewport(), &half);
  EXPECT_EQ(v.TopLineScroll(), 0);

  // A click on the fold bar of line 1 collapses lines 2 to 6 under it.
  const TKitGutterBar* folds = v.Gutter().Bars().Items(3);
  ASSERT_EQ(folds->Kind(), gbFoldBar);
  const QPointF click(v.Gutter().BarLeft(folds) + 5, f.LineHeight() + 3);
  QMouseEvent press(QEvent::MouseButtonPress, click, f.widget.viewport()->mapToGlobal(click), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &press);
  EXPECT_TRUE(v.ScreenCache().IsCollapsedFold(1));
  EXPECT_EQ(v.ScreenCache().ScrollToPhysical(2), 7);
  QApplication::sendEvent(f.widget.viewport(), &press);
  EXPECT_FALSE(v.ScreenCache().IsCollapsedFold(1));
}

TEST(QtEditWidgetTest, DoubleAndTripleClicksSelectAWordAndALine) {
  WidgetFixture f;
  // "// A device for the push tests: ..." on the first line.
  const QPointF word = f.At(7, 0);
  f.Mouse(QEvent::MouseButtonPress, word);
  f.Mouse(QEvent::MouseButtonRelease, word);
  EXPECT_EQ(f.widget.View().CursorPos(), (TKitPoint{7, 0}));
  f.Mouse(QEvent::MouseButtonDblClick, word);
  f.Mouse(QEvent::MouseButtonRelease, word);
  EXPECT_EQ(f.widget.SelectedText(), "device");
  f.Mouse(QEvent::MouseButtonPress, word + QPointF(1, 0));  // near, within the double-click time
  f.Mouse(QEvent::MouseButtonRelease, word);
  EXPECT_EQ(f.widget.SelectedText(), f.Line(0));
  EXPECT_EQ(f.widget.View().CursorPos(), (TKitPoint{0, 0}));
  // A press elsewhere is a single click however soon it comes; a drag selects.
  f.Mouse(QEvent::MouseButtonPress, f.At(2, 5));
  f.Mouse(QEvent::MouseButtonPress, f.At(2, 5));  // a lost release does no harm
  f.Mouse(QEvent::MouseMove, f.At(8, 5));
  f.Mouse(QEvent::MouseButtonRelease, f.At(8, 5));
  EXPECT_EQ(f.widget.SelectedText(), f.Line(5).mid(2, 6));
  // With no button held the pointer's shape follows the text under it.
  f.Mouse(QEvent::MouseMove, f.At(4, 5));
  QMouseEvent hover(QEvent::MouseMove, f.At(4, 9), f.widget.viewport()->mapToGlobal(f.At(4, 9)), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &hover);
  EXPECT_EQ(f.widget.viewport()->cursor().shape(), Qt::IBeamCursor);
  QMouseEvent over(QEvent::MouseMove, f.At(4, 5), f.widget.viewport()->mapToGlobal(f.At(4, 5)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &over);
  EXPECT_EQ(f.widget.viewport()->cursor().shape(), Qt::ArrowCursor);  // over the selection: it can be dragged
}

TEST(QtEditWidgetTest, AcceptsATextDropWhereItIsHeld) {
  WidgetFixture f;
  QMimeData data;
  data.setText("dropped");
  const QPointF at = f.At(4, 3);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at.toPoint(), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
  QDragMoveEvent move(at.toPoint(), offered, &data, Qt::LeftButton, Qt::ControlModifier);
  QApplication::sendEvent(f.widget.viewport(), &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(move.dropAction(), Qt::CopyAction);  // Ctrl copies
  const QString before = f.Line(3);
  QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
  EXPECT_EQ(f.Line(3), before.left(4) + "dropped" + before.mid(4));
  EXPECT_EQ(f.widget.SelectedText(), "dropped");
  // A read-only editor refuses; data without text is refused too.
  f.widget.View().SetReadOnly(true);
  QDragEnterEvent refused(at.toPoint(), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &refused);
  EXPECT_FALSE(refused.isAccepted());
  f.widget.View().SetReadOnly(false);
  QMimeData image;
  image.setData("image/png", QByteArray("x"));
  QDragEnterEvent other(at.toPoint(), offered, &image, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.widget.viewport(), &other);
  EXPECT_FALSE(other.isAccepted());
}

TEST(QtEditWidgetTest, TakesKeysAndInputMethodTextAndLeavesTheRest) {
  WidgetFixture f;
  TKitEditView& v = f.widget.View();
  const QString line0 = f.Line(0);
  EXPECT_TRUE(f.Key(Qt::Key_X, Qt::NoModifier, "x"));
  EXPECT_TRUE(f.Key(Qt::Key_Y, Qt::ShiftModifier, "Y"));
  EXPECT_EQ(f.Line(0), "xY" + line0);
  EXPECT_TRUE(f.Key(Qt::Key_Z, Qt::ControlModifier, QString(QChar(0x1A))));  // undo types nothing
  EXPECT_EQ(f.Line(0), line0);
  EXPECT_TRUE(f.Key(Qt::Key_Right));
  EXPECT_EQ(v.CursorPos(), (TKitPoint{1, 0}));
  // AltGr types its character; a key without a virtual key types too.
  EXPECT_TRUE(f.Key(Qt::Key_Q, Qt::GroupSwitchModifier, "@"));
  EXPECT_TRUE(f.Key(Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf16(u"\u00E9")));
  const QString typed = QString::fromUtf16(u"/@\u00E9/");
  EXPECT_EQ(f.Line(0).left(4), typed);
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf16(u"\u65E5\u672C"));
  QApplication::sendEvent(&f.widget, &commit);
  const QString committed = QString::fromUtf16(u"/@\u00E9\u65E5\u672C/");
  EXPECT_EQ(f.Line(0).left(6), committed);
  // Escape means nothing to the view: it goes on to the window.
  EXPECT_FALSE(f.Key(Qt::Key_Escape, Qt::NoModifier, "\x1b"));
  // An error of the editor is a beep, not an exception through Qt.
  v.SetReadOnly(true);
  EXPECT_TRUE(f.Key(Qt::Key_A, Qt::NoModifier, "a"));
  EXPECT_EQ(f.Line(0).left(6), committed);
  v.SetReadOnly(false);
  // Return can be left to a dialog's default button.
  f.widget.SetWantReturns(false);
  const int lines = f.doc.LinesCount();
  EXPECT_FALSE(f.Key(Qt::Key_Return, Qt::NoModifier, "\r"));
  EXPECT_EQ(f.doc.LinesCount(), lines);
  f.widget.SetWantReturns(true);
  EXPECT_TRUE(f.Key(Qt::Key_Return, Qt::NoModifier, "\r"));
  EXPECT_EQ(f.doc.LinesCount(), lines + 1);
}

TEST(QtEditWidgetTest, TabAndShortcutsBetweenTheEditorAndItsWindow) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* editor = new TQtEditWidget;
  auto* field = new QLineEdit;
  layout->addWidget(editor);
  layout->addWidget(field);
  TKitEditDocument doc;
  editor->SetDocument(&doc);
  window.show();
  QApplication::setActiveWindow(&window);
  editor->setFocus();
  QApplication::processEvents();
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
  QApplication::sendEvent(editor, &tab);
  const QString indented = editor->Text();
  EXPECT_FALSE(indented.isEmpty());
  EXPECT_TRUE(editor->hasFocus());
  editor->SetWantTabs(false);
  QApplication::sendEvent(editor, &tab);
  EXPECT_EQ(editor->Text(), indented);
  EXPECT_TRUE(field->hasFocus());

  // A stroke the editor binds overrides the window's shortcut unless the window keeps it.
  const auto overrides = [&](int AKey, Qt::KeyboardModifiers AMods) {
    QKeyEvent e(QEvent::ShortcutOverride, AKey, AMods);
    e.ignore();
    QApplication::sendEvent(editor, &e);
    return e.isAccepted();
  };
  EXPECT_TRUE(overrides(Qt::Key_C, Qt::ControlModifier));
  EXPECT_TRUE(overrides(Qt::Key_Z, Qt::ControlModifier));
  EXPECT_FALSE(overrides(Qt::Key_F12, Qt::NoModifier));
  editor->SetWindowShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C)});
  EXPECT_FALSE(overrides(Qt::Key_C, Qt::ControlModifier));
  EXPECT_TRUE(overrides(Qt::Key_Z, Qt::ControlModifier));
}

TEST(QtEditWidgetTest, TheScrollBarsFollowTheViewAndDriveIt) {
  WidgetFixture f;
  TKitEditView& v = f.widget.View();
  QScrollBar* bar = f.widget.verticalScrollBar();
  const int page = v.FullLinesOnScreen();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->pageStep(), page);
  EXPECT_EQ(bar->maximum(), f.doc.LinesCount() - page);  // the view's last position less a page
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(v.TopLineScroll(), page);
  EXPECT_EQ(bar->value(), page);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(v.TopLineScroll(), f.doc.LinesCount() - page);
  EXPECT_EQ(bar->value(), bar->maximum());
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(v.TopLineScroll(), f.doc.LinesCount() - page - 1);
  EXPECT_EQ(bar->value(), v.TopLineScroll());
  // Dragging the thumb tracks; the release ends the scrolling state.
  bar->setSliderDown(true);
  bar->setSliderPosition(5);
  EXPECT_EQ(v.TopLineScroll(), 5);
  EXPECT_TRUE(v.InState(siScrolling));
  bar->setSliderDown(false);
  EXPECT_FALSE(v.InState(siScrolling));
  EXPECT_EQ(bar->value(), 5);
  // The horizontal bar moves the columns.
  f.widget.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.HorizScroll(), 1);
}

TEST(QtEditWidgetTest, TheWindowsOperations) {
  WidgetFixture f;
  EXPECT_EQ(f.widget.TextLength(), f.doc.CharsCount());
  EXPECT_EQ(f.widget.Text().left(4), "// A");
  f.widget.SetSelection(3, 9);
  EXPECT_TRUE(f.widget.HasSelection());
  f.widget.Copy();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "A devi");
  f.widget.Cut();
  EXPECT_EQ(f.widget.Text().left(6), "// ce ");
  f.widget.Paste();
  EXPECT_EQ(f.widget.Text().left(12), "// A device ");
  f.widget.SelectAll();
  EXPECT_EQ(f.widget.SelectedText().size(), f.widget.TextLength());
  f.widget.Clear();
  EXPECT_EQ(f.widget.TextLength(), 0);
  f.widget.View().Undo();
  EXPECT_EQ(f.widget.TextLength(), f.doc.CharsCount());
  EXPECT_GT(f.widget.TextLength(), 0);
  // Refusals are beeps.
  f.widget.View().SetReadOnly(true);
  f.widget.Clear();
  f.widget.Cut();
  EXPECT_GT(f.widget.TextLength(), 0);
  // At least the gutter and one line.
  const QSize least = f.widget.minimumSizeHint();
  EXPECT_GE(least.width(), f.widget.View().GutterWidth());
  EXPECT_GE(least.height(), f.LineHeight());
  EXPECT_LT(least.height(), 3 * f.LineHeight() + 40);
  f.widget.SetBorderStyle(bsNone);
  EXPECT_EQ(f.widget.frameShape(), QFrame::NoFrame);
  EXPECT_EQ(f.widget.View().BorderStyle(), bsNone);
}

TEST(QtEditWidgetTest, TheCompletionPopupLeavesTheFocusWithTheEditor) {
  TKitEditDocument doc;
  const TKitString text = u"alpha alpine alps\r\nal";
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  TQtEditWidget widget;
  widget.resize(400, 200);
  widget.SetDocument(&doc);
  widget.show();
  QApplication::setActiveWindow(&widget);
  widget.setFocus();
  QApplication::processEvents();
  TKitEditView& v = widget.View();
  v.BeginUpdate();
  v.ScreenCache().SetCursorOffset({doc.CharsCount(), 0}, scBackward, false);
  v.EndUpdate();
  v.CompletionListShow(fcForced, false);
  auto* window = dynamic_cast<TQtPopupList*>(v.CompletionList().Window());
  ASSERT_NE(window, nullptr);
  QListWidget* list = window->Widget();
  QApplication::processEvents();
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_TRUE(widget.hasFocus());
  EXPECT_EQ(QApplication::focusWidget(), &widget);
  // Under the word: its top-left is at the word's cell, one line below.
  const QPoint word = widget.viewport()->mapToGlobal(QPoint(v.GutterWidth(), 2 * v.LineHeight()));
  EXPECT_EQ(list->geometry().topLeft(), word);
  // A click on the second entry takes it.
  const QRect second = list->visualItemRect(list->item(1));
  const QPointF at = second.center();
  QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &press);
  EXPECT_EQ(KitSeqToStr(doc.Chars()), u"alpha alpine alps\r\nalpine");
  EXPECT_FALSE(list->isVisible());
  EXPECT_TRUE(widget.hasFocus());
}

TEST(QtEditWidgetTest, QtKeysBecomeVirtualKeysWithTheirShiftState) {
  const auto ctrl = KitShift(ssCtrl), shift = KitShift(ssShift), alt = KitShift(ssAlt);
  struct Row {
    int Key;
    Qt::KeyboardModifiers Mods;
    QString Text;
    uint16_t Vk;
    TKitShiftState Shift;
    TKitString Typed;
  };
  const Row rows[] = {
      {Qt::Key_A, Qt::ControlModifier, "\x01", 'A', ctrl, u""},
      {Qt::Key_A, Qt::ShiftModifier, "A", 'A', shift, u"A"},
      {Qt::Key_Space, Qt::ControlModifier, " ", 32, ctrl, u" "},
      {Qt::Key_Return, Qt::NoModifier, "\r", 13, 0, u""},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13, 0, u""},
      {Qt::Key_Backtab, Qt::ShiftModifier, "", 9, shift, u""},
      {Qt::Key_F3, Qt::NoModifier, "", 0x72, 0, u""},
      {Qt::Key_PageDown, Qt::ShiftModifier | Qt::ControlModifier, "", 34, static_cast<TKitShiftState>(shift | ctrl),
       u""},
      {Qt::Key_5, Qt::KeypadModifier, "5", 0x65, 0, u"5"},
      {Qt::Key_Colon, Qt::ShiftModifier, ":", 0xBA, shift, u":"},
      {Qt::Key_BraceLeft, Qt::ShiftModifier, "{", 0xDB, shift, u"{"},
      {Qt::Key_Delete, Qt::AltModifier, "", 46, alt, u""},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", 27, 0, u""},
      // AltGr on X11 arrives as a group switch; the bindings see Ctrl+Alt and type.
      {Qt::Key_Q, Qt::GroupSwitchModifier, "@", 'Q', static_cast<TKitShiftState>(ctrl | alt), u"@"},
      {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString::fromUtf16(u"\u20AC"), 'E',
       static_cast<TKitShiftState>(ctrl | alt), u"\u20AC"},
      {Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf16(u"\u00E9"), 0, 0, u"\u00E9"},
  };
  for (const Row& row : rows) {
    const TKitKeyStroke k = KitKeyStrokeFromQt(row.Key, row.Mods, row.Text);
    EXPECT_EQ(k.Key, row.Vk) << row.Key;
    EXPECT_EQ(k.Shift, row.Shift) << row.Key;
    EXPECT_EQ(k.Text, row.Typed) << row.Key;
  }
  EXPECT_EQ(KitScrollCodeFromSliderAction(QAbstractSlider::SliderSingleStepAdd), scLineDown);
  EXPECT_EQ(KitScrollCodeFromSliderAction(QAbstractSlider::SliderPageStepSub), scPageUp);
  EXPECT_EQ(KitScrollCodeFromSliderAction(QAbstractSlider::SliderMove), scTrack);
  EXPECT_EQ(KitScrollCodeFromSliderAction(QAbstractSlider::SliderToMaximum), scBottom);
}

}  // namespace
}  // namespace zv

// The editor widget offscreen: a device description in token colours with the gutter, the
// caret drawn where the view puts it, the wheel, a fold from a gutter click, the completion
// popup that never takes the focus, and the translation of Qt keys.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/qt/qt_completion_popup.h"
#include "kit/editor/qt/qt_edit_widget.h"
#include "kit/text/unicode.h"

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

// A picture of the widget for the eye: ZV_SHOT=/tmp/editor.png names the file (run under
// xvfb-run with QT_QPA_PLATFORM=xcb for the desktop's fonts).
TEST(QtEditWidgetTest, Screenshot) {
  const char* file = std::getenv("ZV_SHOT");
  if (file == nullptr) GTEST_SKIP() << "ZV_SHOT names the picture to write";
  WidgetFixture f;
  TKitEditView& v = f.widget.View();
  v.BeginUpdate();
  v.ScreenCache().Fold(2, false);
  v.ScreenCache().SetSelection(TKitPoint{4, 8}, TKitPoint{12, 10}, false);
  v.ScreenCache().SetCursorPos({12, 10}, scBackward, false);
  v.EndUpdate();
  EXPECT_TRUE(f.widget.grab().save(file));
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

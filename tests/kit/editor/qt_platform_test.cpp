// The platform seam over Qt, offscreen: fonts and advances, glyph-by-glyph drawing at the
// core's positions, the block clipboard, system colours and the host over a scroll area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>
#include <QtMath>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_helpers.h"
#include "kit/editor/qt/qt_edit_platform.h"

namespace zv {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Offscreen unless a platform is named; an empty name would make Qt look for a display.
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform == nullptr || *platform == '\0')
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

 private:
  int FArgc = 1;
  char FName[24] = "kit_editor_qt_tests";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApp;
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

const TKitFont kScriptFont{u"Courier New", 10, clWindowText, 0};

// The columns of the image that hold ink (pixels darker than the white background).
std::vector<bool> InkColumns(const QImage& AImage) {
  std::vector<bool> ink(static_cast<size_t>(AImage.width()), false);
  for (int x = 0; x < AImage.width(); ++x)
    for (int y = 0; y < AImage.height(); ++y)
      if (qGray(AImage.pixel(x, y)) < 160) ink[static_cast<size_t>(x)] = true;
  return ink;
}

TEST(QtPlatformTest, FontsMeasureUnitsOneByOne) {
  TQtTextMeasurer measurer;
  auto font = measurer.CreateFont(kScriptFont, 0);
  auto* qt = dynamic_cast<TQtMeasuredFont*>(font.get());
  ASSERT_NE(qt, nullptr);
  // "Courier New" or the monospace fallback: a fixed-pitch face either way.
  EXPECT_TRUE(QFontInfo(qt->QtFont()).fixedPitch()) << QFontInfo(qt->QtFont()).family().toStdString();
  const TKitTextMetrics& m = font->Metrics();
  EXPECT_GT(m.Height, 8);
  EXPECT_GT(m.Ascent, 0);
  EXPECT_LE(m.Ascent, m.Height);
  EXPECT_GT(m.AveCharWidth, 3);
  const int w = font->CharWidth(u'M');
  EXPECT_EQ(w, QFontMetrics(qt->QtFont()).horizontalAdvance(QChar(u'M')));
  EXPECT_EQ(font->CharWidth(u'i'), w);
  // Surrogates alone measure as the replacement character, paired or not.
  EXPECT_EQ(font->CharWidth(0xD83D), font->CharWidth(0xFFFD));
  EXPECT_EQ(font->CharWidth(0xDE00), font->CharWidth(0xFFFD));
  auto bold = measurer.CreateFont(TKitFont{u"Courier New", 10, clBlack, fsBold}, 0);
  EXPECT_TRUE(dynamic_cast<TQtMeasuredFont*>(bold.get())->QtFont().bold());
  EXPECT_EQ(bold->Font().Style, fsBold);
}

TEST(QtPlatformTest, GlyphsLandWhereTheCoreComputed) {
  TQtTextMeasurer measurer;
  auto font = measurer.CreateFont(kScriptFont, 0);
  const int w = font->CharWidth(u'H');
  QImage image(200, 30, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TQtCanvas canvas(painter);
    // Far apart, as a tab's expansion would put them.
    const char16_t text[] = {u'H', u' ', u'H'};
    const int xs[] = {10, 10 + w, 120};
    canvas.DrawChars(text, xs, 3, 5, *font, clBlack);
  }
  const std::vector<bool> ink = InkColumns(image);
  auto inkIn = [&](int from, int to) {
    for (int x = std::max(0, from); x < std::min(to, image.width()); ++x)
      if (ink[static_cast<size_t>(x)]) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(10, 10 + w));
  EXPECT_TRUE(inkIn(120, 120 + w));
  EXPECT_FALSE(inkIn(0, 9));
  EXPECT_FALSE(inkIn(10 + w + 2, 118));
  EXPECT_FALSE(inkIn(120 + w + 2, 200));
}

TEST(QtPlatformTest, RecordedPositionsAreThePaintedOnes) {
  TQtTextMeasurer measurer;
  auto font = measurer.CreateFont(kScriptFont, 0);
  TRecordingCanvas recording;
  KitExtTextOut(recording, {0, 0, 300, 20}, 3, 2, u"I.I", 3, true, *font, clBlack, clWhite);
  ASSERT_EQ(recording.Chars.size(), 1u);
  const std::vector<int> xs = recording.Chars[0].Xs;
  EXPECT_EQ(xs, (std::vector<int>{3, 3 + font->CharWidth(u'I'), 3 + font->CharWidth(u'I') + font->CharWidth(u'.')}));

  QImage image(300, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TQtCanvas canvas(painter);
    KitExtTextOut(canvas, {0, 0, 300, 20}, 3, 2, u"I.I", 3, true, *font, clBlack, clWhite);
    // A lone surrogate is drawn as the replacement character, never handed on alone.
    const char16_t lone[] = {0xD800, u'x', 0xDC00};
    const int loneXs[] = {150, 160, 170};
    canvas.DrawChars(lone, loneXs, 3, 2, *font, clBlack);
  }
  const std::vector<bool> ink = InkColumns(image);
  for (int x : xs) {
    bool any = false;
    for (int i = x; i < x + font->CharWidth(u'I'); ++i) any = any || ink[static_cast<size_t>(i)];
    EXPECT_TRUE(any) << x;
  }
}

TEST(QtPlatformTest, FillsLinesClipAndImages) {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TQtCanvas canvas(painter);
    canvas.FillRect({2, 2, 6, 5}, 0x0000FF);  // red as 0x00BBGGRR
    canvas.DrawLine(10, 1, 14, 1, clBlack);
    canvas.SetClipRect({20, 0, 22, 20});
    canvas.FillRect({18, 0, 30, 3}, clBlack);
    canvas.RemoveClipRect();
    canvas.DrawImage(25, 5, KitEditGlyph(egFoldPlus));
  }
  EXPECT_EQ(image.pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(5, 4), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(6, 4), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(13, 1), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(14, 1), qRgb(255, 255, 255));  // the end point is not drawn
  EXPECT_EQ(image.pixel(19, 1), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(21, 1), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(22, 1), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(30, 10), qRgb(0, 0, 0));  // the plus sign's middle
}

// The fold bar draws its line a screen line at a time. At a fractional scale the pieces
// must join: every device row between the first and the last end holds the line, and so
// does every device column of a level line.
TEST(QtPlatformTest, LinesInPiecesStaySolidAtFractionalScales) {
  for (const qreal scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
    SCOPED_TRACE(scale);
    QImage image(qCeil(40 * scale), qCeil(80 * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      TQtCanvas canvas(painter);
      for (int top = 0; top < 68; top += 17) canvas.DrawLine(10, top, 10, top + 17, clBlack);
      canvas.DrawLine(30, 70, 12, 70, clBlack);  // right to left
    }
    // Ink in every device row of the upright line and every device column of the level
    // one, within the device pixels of logical column 10 and row 70.
    const auto inked = [&](int AX, int AY) { return image.pixel(AX, AY) == qRgb(0, 0, 0); };
    const int x0 = qFloor(10 * scale), x1 = qCeil(11 * scale), y = qFloor(70.5 * scale);
    for (int row = 0; row < qFloor(68 * scale); ++row) {
      bool ink = false;
      for (int column = x0; column < x1; ++column) ink = ink || inked(column, row);
      ASSERT_TRUE(ink) << "row " << row;
    }
    for (int column = qCeil(13 * scale); column < qFloor(31 * scale); ++column)
      ASSERT_TRUE(inked(column, y)) << "column " << column;
    EXPECT_EQ(image.pixel(qFloor(12.5 * scale), y), qRgb(255, 255, 255));  // the end point is not drawn
  }
}

TEST(QtPlatformTest, BlockClipboardRoundTrip) {
  TQtClipboard clip;
  TKitString text;
  bool block = false;
  KitSetClipboardText(clip, u"ab\r\ncd", true);
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"ab\r\ncd");
  EXPECT_TRUE(block);
  EXPECT_TRUE(KitClipboardHasText(clip));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU16String(), u"ab\r\ncd");
  // Text from elsewhere carries no marker.
  QGuiApplication::clipboard()->setText(QStringLiteral("outside"));
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"outside");
  EXPECT_FALSE(block);
  KitSetClipboardText(clip, u"plain", false);
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"plain");
  EXPECT_FALSE(block);
}

TEST(QtPlatformTest, SystemColoursComeFromThePalette) {
  TQtSystemColors colors;
  KitSetSystemColors(&colors);
  const QPalette pal = QGuiApplication::palette();
  const auto rgb = [](const QColor& c) { return static_cast<TColor>(c.red() | c.green() << 8 | c.blue() << 16); };
  EXPECT_EQ(KitResolveColor(clWindow), rgb(pal.color(QPalette::Base)));
  EXPECT_EQ(KitResolveColor(clWindowText), rgb(pal.color(QPalette::Text)));
  EXPECT_EQ(KitResolveColor(clHighlight), rgb(pal.color(QPalette::Highlight)));
  EXPECT_EQ(KitResolveColor(clBtnFace), rgb(pal.color(QPalette::Button)));
  EXPECT_EQ(KitToQColor(clHighlightText), pal.color(QPalette::HighlightedText).toRgb());
  KitSetSystemColors(nullptr);
}

TEST(QtPlatformTest, HostOverAScrollArea) {
  QAbstractScrollArea area;
  area.resize(300, 200);
  area.show();
  TQtEditHost host(&area);
  EXPECT_TRUE(host.HasWindow());
  const TKitRect client = host.ClientRect();
  EXPECT_EQ(client.Right, area.viewport()->width());
  EXPECT_EQ(client.Bottom, area.viewport()->height());

  host.SetScrollBar(sbVertical, {0, 99, 10, 42});
  EXPECT_EQ(area.verticalScrollBar()->maximum(), 90);
  EXPECT_EQ(area.verticalScrollBar()->pageStep(), 10);
  EXPECT_EQ(area.verticalScrollBar()->value(), 42);
  host.ShowScrollBar(sbHorizontal, false);
  EXPECT_EQ(area.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

  EXPECT_TRUE(host.CaretRect().isNull());
  host.CreateCaret(2, 16);
  host.SetCaretPos(30, 48);
  host.ShowCaret();
  EXPECT_EQ(host.CaretRect(), QRect(30, 48, 2, 16));
  host.HideCaret();
  EXPECT_TRUE(host.CaretRect().isNull());

  host.SetCursorShape(crIBeam);
  EXPECT_EQ(area.viewport()->cursor().shape(), Qt::IBeamCursor);
  host.SetCursorShape(crLineNumbers);
  EXPECT_EQ(area.viewport()->cursor().shape(), Qt::BitmapCursor);

  int drags = 0;
  host.OnStartDrag = [&] { ++drags; };
  host.StartDrag();
  EXPECT_EQ(drags, 1);

  int ticks = 0;
  auto timer = host.CreateTimer([&] { ++ticks; });
  timer->SetInterval(1);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  for (int i = 0; i < 200 && ticks == 0; ++i) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  EXPECT_GT(ticks, 0);
  timer->SetEnabled(false);
  EXPECT_GT(host.SystemMetric(smDoubleClickTime), 0);
  const TKitPoint p = host.ClientToScreen({5, 6});
  EXPECT_EQ(host.ScreenToClient(p), (TKitPoint{5, 6}));
}

// Auto-scroll enables its timer again on every pointer move: that must not restart it, or a
// pointer that keeps moving would never see a tick.
TEST(QtPlatformTest, EnablingARunningTimerKeepsItsSchedule) {
  QAbstractScrollArea area;
  TQtEditHost host(&area);
  QEventLoop loop;
  int ticks = 0;
  auto timer = host.CreateTimer([&] {
    ++ticks;
    loop.quit();
  });
  timer->SetInterval(40);
  timer->SetEnabled(true);
  QTimer mover;
  QObject::connect(&mover, &QTimer::timeout, [&] {
    timer->SetInterval(40);
    timer->SetEnabled(true);
  });
  mover.start(5);
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_GT(ticks, 0);
}

}  // namespace
}  // namespace zv

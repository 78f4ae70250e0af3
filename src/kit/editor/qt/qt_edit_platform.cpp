#include "kit/editor/qt/qt_edit_platform.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygon>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleHints>
#include <QTimer>

#include <utility>

#include "kit/editor/qt/qt_text.h"
#include "kit/editor/view_search.h"

namespace zv {

namespace {

bool IsHigh(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLow(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

class TQtTimer : public TKitTimer {
 public:
  explicit TQtTimer(std::function<void()> AOnTick) {
    QObject::connect(&FTimer, &QTimer::timeout, [tick = std::move(AOnTick)] {
      if (tick) tick();
    });
  }
  // QTimer restarts a running timer on start() and setInterval(); a pointer that keeps
  // moving would then keep auto-scroll from ever ticking.
  void SetInterval(int AMilliseconds) override {
    if (AMilliseconds != FTimer.interval()) FTimer.setInterval(AMilliseconds);
  }
  int Interval() const override { return FTimer.interval(); }
  void SetEnabled(bool AValue) override {
    if (!AValue) FTimer.stop();
    else if (!FTimer.isActive()) FTimer.start();
  }
  bool Enabled() const override { return FTimer.isActive(); }

 private:
  QTimer FTimer;
};

// The cursor over the line-number bar: an arrow pointing right, into the line it selects.
QCursor LineNumbersCursor() {
  static const QCursor cursor = [] {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPolygon arrow({QPoint(15, 0), QPoint(15, 13), QPoint(12, 10), QPoint(9, 15), QPoint(7, 14),
                          QPoint(10, 9), QPoint(5, 9)});
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    return QCursor(pm, 15, 0);
  }();
  return cursor;
}

}  // namespace

QFont KitToQFont(const TKitFont& AFont) {
  QFont f(AFont.Name.empty() ? QStringLiteral("Courier New") : ToQString(AFont.Name));
  f.setStyleHint(QFont::Monospace);
  f.setPointSize(AFont.Size > 0 ? AFont.Size : 10);
  f.setBold((AFont.Style & fsBold) != 0);
  f.setItalic((AFont.Style & fsItalic) != 0);
  f.setUnderline((AFont.Style & fsUnderline) != 0);
  f.setStrikeOut((AFont.Style & fsStrikeOut) != 0);
  // A missing family is replaced by what the desktop offers for monospace, which need not
  // be fixed-pitch by Qt's measure; then a face that is.
  const QFontInfo info(f);
  if (info.family().compare(f.family(), Qt::CaseInsensitive) != 0 && !info.fixedPitch())
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono"})
      if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
        f.setFamily(QString::fromLatin1(family));
        break;
      }
  return f;
}

QColor KitToQColor(TColor AColor) {
  const TColor c = KitResolveColor(AColor);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

// --- fonts ---

TQtMeasuredFont::TQtMeasuredFont(const TKitFont& AFont, TKitFontCharset ACharset)
    : FFont(AFont), FCharset(ACharset), FQFont(KitToQFont(AFont)), FQMetrics(FQFont) {
  FMetrics.Height = FQMetrics.height();
  FMetrics.Ascent = FQMetrics.ascent();
  FMetrics.ExternalLeading = std::max(0, FQMetrics.leading());
  FMetrics.AveCharWidth = FQMetrics.averageCharWidth();
  FMetrics.MaxCharWidth = FQMetrics.maxWidth();
}

int TQtMeasuredFont::CharWidth(char16_t C) {
  // Units are measured alone; a surrogate alone would be shaped as garbage.
  if (IsHigh(C) || IsLow(C)) C = 0xFFFD;
  return FQMetrics.horizontalAdvance(QChar(C));
}

std::unique_ptr<TKitMeasuredFont> TQtTextMeasurer::CreateFont(const TKitFont& AFont, TKitFontCharset ACharset) {
  return std::make_unique<TQtMeasuredFont>(AFont, ACharset);
}

// --- canvas ---

void TQtCanvas::FillRect(const TKitRect& ARect, TColor AColor) {
  if (ARect.Right <= ARect.Left || ARect.Bottom <= ARect.Top) return;
  FPainter.fillRect(QRect(ARect.Left, ARect.Top, ARect.Right - ARect.Left, ARect.Bottom - ARect.Top),
                    KitToQColor(AColor));
}

void TQtCanvas::DrawLine(int AX1, int AY1, int AX2, int AY2, TColor AColor) {
  if (AX1 == AX2 && AY1 == AY2) return;
  // A level or upright line is the one-pixel rectangle it covers, the end point left out: at
  // a fractional scale pieces drawn one after another then join, where a pen leaves gaps.
  if (AX1 == AX2 || AY1 == AY2) {
    const auto span = [](int A, int B) { return A < B ? std::pair{A, B} : std::pair{B + 1, A + 1}; };
    const auto [left, right] = AY1 == AY2 ? span(AX1, AX2) : std::pair{AX1, AX1 + 1};
    const auto [top, bottom] = AX1 == AX2 ? span(AY1, AY2) : std::pair{AY1, AY1 + 1};
    FillRect({left, top, right, bottom}, AColor);
    return;
  }
  // The end point is not drawn: step back one pixel along the longer axis.
  const int dx = AX2 - AX1, dy = AY2 - AY1;
  if (std::abs(dx) >= std::abs(dy)) {
    AX2 -= dx > 0 ? 1 : -1;
    AY2 = AY1 + static_cast<int>(static_cast<int64_t>(dy) * (AX2 - AX1) / dx);
  } else {
    AY2 -= dy > 0 ? 1 : -1;
    AX2 = AX1 + static_cast<int>(static_cast<int64_t>(dx) * (AY2 - AY1) / dy);
  }
  FPainter.setPen(QPen(KitToQColor(AColor), 0));
  FPainter.drawLine(AX1, AY1, AX2, AY2);
}

void TQtCanvas::DrawChars(const char16_t* AText, const int* AXs, int ACount, int ATop, TKitMeasuredFont& AFont,
                          TColor AColor) {
  if (ACount <= 0) return;
  auto* qtFont = dynamic_cast<TQtMeasuredFont*>(&AFont);
  FPainter.setFont(qtFont != nullptr ? qtFont->QtFont() : KitToQFont(AFont.Font()));
  FPainter.setPen(KitToQColor(AColor));
  const int baseline = ATop + AFont.Metrics().Ascent;
  // Glyph by glyph at the core's positions, so that no shaping or kerning moves a
  // character away from where the caret will stand.
  for (int i = 0; i < ACount; ++i) {
    const char16_t c = AText[i];
    if (c == u' ') continue;
    QString glyph;
    if (IsHigh(c) && i + 1 < ACount && IsLow(AText[i + 1])) {
      glyph = QString::fromUtf16(AText + i, 2);
      FPainter.drawText(QPoint(AXs[i], baseline), glyph);
      ++i;
      continue;
    }
    glyph = QChar((IsHigh(c) || IsLow(c)) ? char16_t(0xFFFD) : c);
    FPainter.drawText(QPoint(AXs[i], baseline), glyph);
  }
}

void TQtCanvas::DrawImage(int AX, int AY, const TKitEditImage& AImage) {
  if (AImage.Empty()) return;
  QImage img(AImage.Width, AImage.Height, QImage::Format_ARGB32);
  for (int y = 0; y < AImage.Height; ++y)
    for (int x = 0; x < AImage.Width; ++x) {
      const TColor c = AImage.Pixel(x, y);
      img.setPixel(x, y, c == AImage.TransparentColor ? 0u : (0xFF000000u | KitToQColor(c).rgb()));
    }
  FPainter.drawImage(AX, AY, img);
}

void TQtCanvas::SetClipRect(const TKitRect& ARect) {
  FPainter.setClipRect(QRect(ARect.Left, ARect.Top, ARect.Right - ARect.Left, ARect.Bottom - ARect.Top));
}

void TQtCanvas::RemoveClipRect() { FPainter.setClipping(false); }

// --- clipboard ---

bool TQtClipboard::HasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && data->hasText();
}

void TQtClipboard::SetText(const TKitString& AText, bool AAsBlock) {
  auto* data = new QMimeData;
  if (AAsBlock) data->setData(kQtBlockMimeType, QByteArray("\x20\x00\x00\x00", 4));
  data->setText(ToQString(AText));
  QGuiApplication::clipboard()->setMimeData(data);
}

bool TQtClipboard::GetText(TKitString& AText, bool& AIsBlock) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  AIsBlock = data != nullptr && data->hasFormat(kQtBlockMimeType);
  if (data == nullptr || !data->hasText()) {
    AText.clear();
    return false;
  }
  AText = FromQString(data->text());
  return true;
}

// --- system colours ---

TColor TQtSystemColors::GetSysColor(int AIndex) {
  const QPalette pal = QGuiApplication::palette();
  QColor c;
  switch (AIndex) {
    case 0: case 15: c = pal.color(QPalette::Button); break;
    case 1: case 4: case 10: case 11: case 30: c = pal.color(QPalette::Window); break;
    case 2: case 13: case 27: case 29: c = pal.color(QPalette::Highlight); break;
    case 3: case 28: c = pal.color(QPalette::Mid); break;
    case 5: c = pal.color(QPalette::Base); break;
    case 6: case 21: c = pal.color(QPalette::Shadow); break;
    case 7: c = pal.color(QPalette::WindowText); break;
    case 8: c = pal.color(QPalette::Text); break;
    case 9: case 14: c = pal.color(QPalette::HighlightedText); break;
    case 12: case 16: c = pal.color(QPalette::Dark); break;
    case 17: c = pal.color(QPalette::Disabled, QPalette::Text); break;
    case 18: c = pal.color(QPalette::ButtonText); break;
    case 19: c = pal.color(QPalette::Inactive, QPalette::HighlightedText); break;
    case 20: c = pal.color(QPalette::Light); break;
    case 22: c = pal.color(QPalette::Midlight); break;
    case 23: c = pal.color(QPalette::ToolTipText); break;
    case 24: c = pal.color(QPalette::ToolTipBase); break;
    case 26: c = pal.color(QPalette::Link); break;
    default: return clBlack;
  }
  return static_cast<TColor>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// --- prompter ---

TKitPromptResult TQtEditPrompter::MessageBox(const TKitString& ACaption, const TKitString& AText,
                                             TKitPromptKind AKind, TKitPromptButtons AButtons,
                                             const TKitRect* ANear) {
  QMessageBox box(FParent);
  box.setWindowTitle(ToQString(ACaption));
  box.setText(ToQString(AText));
  box.setIcon(AKind == pkWarning ? QMessageBox::Warning
              : AKind == pkError ? QMessageBox::Critical
              : AKind == pkConfirmation ? QMessageBox::Question
                                        : QMessageBox::Information);
  QMessageBox::StandardButtons buttons;
  if (AButtons & pbYes) buttons |= QMessageBox::Yes;
  if (AButtons & pbNo) buttons |= QMessageBox::No;
  if (AButtons & pbOK) buttons |= QMessageBox::Ok;
  if (AButtons & pbCancel) buttons |= QMessageBox::Cancel;
  if (AButtons & pbAll) buttons |= QMessageBox::YesToAll;
  box.setStandardButtons(buttons == QMessageBox::StandardButtons() ? QMessageBox::Ok : buttons);
  if (ANear != nullptr && FParent) {
    // Next to the rectangle the user must still see, on the side with more room.
    box.adjustSize();
    const QPoint origin = FParent->mapToGlobal(QPoint(0, 0));
    const TKitRect match{origin.x() + ANear->Left, origin.y() + ANear->Top, origin.x() + ANear->Right,
                         origin.y() + ANear->Bottom};
    const TKitRect area{origin.x(), origin.y(), origin.x() + FParent->width(), origin.y() + FParent->height()};
    const QPoint centred = origin + FParent->rect().center() - box.rect().center();
    const TKitPoint p = KitPlaceNearMatch(match, area, box.width(), box.height(), {centred.x(), centred.y()});
    box.move(p.X, p.Y);
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return prOk;
    case QMessageBox::Yes: return prYes;
    case QMessageBox::No: return prNo;
    case QMessageBox::YesToAll: return prAll;
    default: return prCancel;
  }
}

// --- host ---

TQtEditHost::TQtEditHost(QAbstractScrollArea* AArea) : FArea(AArea), FPrompter(AArea) {}

TQtEditHost::~TQtEditHost() = default;

QWidget* TQtEditHost::Viewport() const { return FArea ? FArea->viewport() : nullptr; }

std::unique_ptr<TKitTimer> TQtEditHost::CreateTimer(std::function<void()> AOnTick) {
  return std::make_unique<TQtTimer>(std::move(AOnTick));
}

void TQtEditHost::Beep() { QApplication::beep(); }

int TQtEditHost::SystemMetric(TKitSystemMetric AMetric) {
  QStyleHints* hints = QGuiApplication::styleHints();
  switch (AMetric) {
    case smDoubleClickTime: return hints->mouseDoubleClickInterval();
    case smDragWidth:
    case smDragHeight: return hints->startDragDistance();
    case smWheelScrollLines: return hints->wheelScrollLines();
    case smVScrollWidth:
    case smHScrollHeight: return FArea ? FArea->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
  }
  return 0;
}

bool TQtEditHost::HasWindow() { return Viewport() != nullptr; }

TKitRect TQtEditHost::ClientRect() {
  QWidget* v = Viewport();
  if (v == nullptr) return {};
  return {0, 0, v->width(), v->height()};
}

bool TQtEditHost::Focused() { return FArea && FArea->hasFocus(); }

void TQtEditHost::SetFocus() {
  if (FArea) FArea->setFocus();
}

void TQtEditHost::Invalidate(const TKitRect& ARect) {
  if (QWidget* v = Viewport())
    v->update(QRect(ARect.Left, ARect.Top, ARect.Right - ARect.Left, ARect.Bottom - ARect.Top));
}

void TQtEditHost::InvalidateAll() {
  if (QWidget* v = Viewport()) v->update();
}

// Qt paints the invalid region on the next turn of the event loop, which comes before any
// further input: nothing is gained by painting earlier.
void TQtEditHost::UpdateNow() {}

void TQtEditHost::RepaintCaret() {
  if (QWidget* v = Viewport()) v->update(FCaret.adjusted(-1, -1, 1, 1));
}

void TQtEditHost::CreateCaret(int AWidth, int AHeight) {
  RepaintCaret();
  FCaretCreated = true;
  FCaretVisible = false;
  FCaret.setSize(QSize(AWidth, AHeight));
}

void TQtEditHost::DestroyCaret() {
  RepaintCaret();
  FCaretCreated = false;
  FCaretVisible = false;
}

void TQtEditHost::SetCaretPos(int AX, int AY) {
  if (FCaret.topLeft() == QPoint(AX, AY)) return;
  RepaintCaret();
  FCaret.moveTo(AX, AY);
  RepaintCaret();
}

void TQtEditHost::ShowCaret() {
  if (!FCaretCreated || FCaretVisible) return;
  FCaretVisible = true;
  RepaintCaret();
}

void TQtEditHost::HideCaret() {
  if (!FCaretVisible) return;
  FCaretVisible = false;
  RepaintCaret();
}

QRect TQtEditHost::CaretRect() const { return FCaretCreated && FCaretVisible ? FCaret : QRect(); }

void TQtEditHost::SetScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) {
  if (!FArea) return;
  QScrollBar* bar = AKind == sbHorizontal ? FArea->horizontalScrollBar() : FArea->verticalScrollBar();
  // The view sets the bars from its own state; their signals would only echo it back.
  const QSignalBlocker blocker(bar);
  const int page = std::max(0, AInfo.Page);
  bar->setRange(AInfo.Min, std::max(AInfo.Min, AInfo.Max - std::max(page, 1) + 1));
  bar->setPageStep(std::max(page, 1));
  bar->setValue(AInfo.Pos);
}

void TQtEditHost::ShowScrollBar(TKitScrollBarKind AKind, bool AVisible) {
  if (!FArea) return;
  const Qt::ScrollBarPolicy policy = AVisible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (AKind == sbHorizontal) FArea->setHorizontalScrollBarPolicy(policy);
  else FArea->setVerticalScrollBarPolicy(policy);
}

void TQtEditHost::SetCursorShape(TKitCursorShape AShape) {
  QWidget* v = Viewport();
  if (v == nullptr) return;
  switch (AShape) {
    case crDefault: v->unsetCursor(); break;
    case crArrow: v->setCursor(Qt::ArrowCursor); break;
    case crIBeam: v->setCursor(Qt::IBeamCursor); break;
    case crDrag: v->setCursor(Qt::DragMoveCursor); break;
    case crMultiDrag: v->setCursor(Qt::DragCopyCursor); break;
    case crNoDrop:
    case crNo: v->setCursor(Qt::ForbiddenCursor); break;
    case crHandPoint: v->setCursor(Qt::PointingHandCursor); break;
    case crLineNumbers: v->setCursor(LineNumbersCursor()); break;
  }
}

// Qt already sends every move and the release of a press to the pressed widget; the
// capture only tells the view that a press of its own is still held.
void TQtEditHost::SetCapture() { FCaptured = Viewport() != nullptr; }

void TQtEditHost::ReleaseCapture() { FCaptured = false; }

bool TQtEditHost::HasCapture() { return FCaptured; }

TKitPoint TQtEditHost::ClientToScreen(const TKitPoint& APoint) {
  QWidget* v = Viewport();
  if (v == nullptr) return APoint;
  const QPoint p = v->mapToGlobal(QPoint(APoint.X, APoint.Y));
  return {p.x(), p.y()};
}

TKitPoint TQtEditHost::ScreenToClient(const TKitPoint& APoint) {
  QWidget* v = Viewport();
  if (v == nullptr) return APoint;
  const QPoint p = v->mapFromGlobal(QPoint(APoint.X, APoint.Y));
  return {p.x(), p.y()};
}

void TQtEditHost::StartDrag() {
  if (OnStartDrag) OnStartDrag();
}

}  // namespace zv

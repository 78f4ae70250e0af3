// The editor's platform seam over Qt 6: fonts and advances from QFontMetrics, a canvas on a
// QPainter that draws glyph by glyph at the core's x positions, the system clipboard with a
// private MIME type for block copies, QTimer, the palette as system colours, message boxes,
// and a host over a scroll area's viewport. The only editor code that includes Qt.
#pragma once
#include <functional>
#include <memory>

#include <QFont>
#include <QFontMetrics>
#include <QPointer>
#include <QRect>

#include "kit/editor/edit_platform.h"

class QAbstractScrollArea;
class QPainter;
class QTimer;
class QWidget;

namespace zv {

// The MIME type that marks a block copy; its payload is a space and a zero unit.
inline constexpr char kQtBlockMimeType[] = "application/x-kit-syntax-editor-rect-block";

// "Courier New" is asked for first; a missing family falls back to the monospace hint.
QFont KitToQFont(const TKitFont& AFont);
QColor KitToQColor(TColor AColor);

class TQtMeasuredFont : public TKitMeasuredFont {
 public:
  TQtMeasuredFont(const TKitFont& AFont, TKitFontCharset ACharset);
  const TKitTextMetrics& Metrics() const override { return FMetrics; }
  int CharWidth(char16_t C) override;
  const TKitFont& Font() const override { return FFont; }
  TKitFontCharset Charset() const override { return FCharset; }
  const QFont& QtFont() const { return FQFont; }

 private:
  TKitFont FFont;
  TKitFontCharset FCharset;
  QFont FQFont;
  QFontMetrics FQMetrics;
  TKitTextMetrics FMetrics;
};

class TQtTextMeasurer : public TKitTextMeasurer {
 public:
  std::unique_ptr<TKitMeasuredFont> CreateFont(const TKitFont& AFont, TKitFontCharset ACharset) override;
};

class TQtCanvas : public TKitCanvas {
 public:
  explicit TQtCanvas(QPainter& APainter) : FPainter(APainter) {}
  void FillRect(const TKitRect& ARect, TColor AColor) override;
  void DrawLine(int AX1, int AY1, int AX2, int AY2, TColor AColor) override;
  void DrawChars(const char16_t* AText, const int* AXs, int ACount, int ATop, TKitMeasuredFont& AFont,
                 TColor AColor) override;
  void DrawImage(int AX, int AY, const TKitEditImage& AImage) override;
  void SetClipRect(const TKitRect& ARect) override;
  void RemoveClipRect() override;

 private:
  QPainter& FPainter;
};

class TQtClipboard : public TKitClipboard {
 public:
  bool HasText() override;
  void SetText(const TKitString& AText, bool AAsBlock) override;
  bool GetText(TKitString& AText, bool& AIsBlock) override;
};

class TQtSystemColors : public TKitSystemColors {
 public:
  TColor GetSysColor(int AIndex) override;
};

class TQtEditPrompter : public TKitEditPrompter {
 public:
  explicit TQtEditPrompter(QWidget* AParent) : FParent(AParent) {}
  TKitPromptResult MessageBox(const TKitString& ACaption, const TKitString& AText, TKitPromptKind AKind,
                              TKitPromptButtons AButtons, const TKitRect* ANear) override;

 private:
  QPointer<QWidget> FParent;
};

// The host of a view shown in a scroll area: invalidation, cursor and capture act on the
// viewport, the scroll bars are the area's. Qt has no system caret: the host keeps the
// caret's place and visibility and repaints it; the widget draws it (CaretRect).
class TQtEditHost : public TKitEditHost {
 public:
  explicit TQtEditHost(QAbstractScrollArea* AArea);
  ~TQtEditHost() override;

  TKitTextMeasurer& Measurer() override { return FMeasurer; }
  TKitClipboard& Clipboard() override { return FClipboard; }
  std::unique_ptr<TKitTimer> CreateTimer(std::function<void()> AOnTick) override;
  TKitEditPrompter& Prompter() override { return FPrompter; }
  void Beep() override;
  int SystemMetric(TKitSystemMetric AMetric) override;

  bool HasWindow() override;
  TKitRect ClientRect() override;
  bool Focused() override;
  void SetFocus() override;
  void Invalidate(const TKitRect& ARect) override;
  void InvalidateAll() override;
  void UpdateNow() override;
  void CreateCaret(int AWidth, int AHeight) override;
  void DestroyCaret() override;
  void SetCaretPos(int AX, int AY) override;
  void ShowCaret() override;
  void HideCaret() override;
  void SetScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) override;
  void ShowScrollBar(TKitScrollBarKind AKind, bool AVisible) override;
  void SetCursorShape(TKitCursorShape AShape) override;
  void SetCapture() override;
  void ReleaseCapture() override;
  bool HasCapture() override;
  TKitPoint ClientToScreen(const TKitPoint& APoint) override;
  TKitPoint ScreenToClient(const TKitPoint& APoint) override;
  void StartDrag() override;

  // The caret as the widget should draw it; empty when hidden.
  QRect CaretRect() const;
  // Runs the widget's drag (QDrag) when the view starts one.
  std::function<void()> OnStartDrag;

 private:
  QWidget* Viewport() const;
  void RepaintCaret();

  QPointer<QAbstractScrollArea> FArea;
  TQtTextMeasurer FMeasurer;
  TQtClipboard FClipboard;
  TQtEditPrompter FPrompter;
  bool FCaretCreated = false;
  bool FCaretVisible = false;
  bool FCaptured = false;
  QRect FCaret;
};

}  // namespace zv

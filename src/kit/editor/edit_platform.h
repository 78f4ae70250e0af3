// The editor's platform seam: the few services through which the headless editor core
// meets a window system. A text measurer makes fonts and answers advances per UTF-16 unit;
// a canvas draws rectangles, lines, small images and characters at the x positions the core
// computed; a clipboard carries text with the block flag; timers tick; the host is the
// view's window (invalidation, caret, scroll bars, cursor shape, capture, focus, screen
// mapping, system metrics, drag start, beep and questions to the user). The fakes in
// edit_fakes.h stand in for tests; kit/editor/qt implements the seam with Qt 6.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "kit/text/kit_types.h"

namespace zv {

using TKitFontStyles = uint8_t;   // TKitFontStyle bits
using TKitFontCharset = uint8_t;  // kept as a key; fonts of the platform have no character sets

struct TKitTextMetrics {
  int Height = 0;  // ascent + descent
  int Ascent = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};

// A font of one family, size, style and character set, made by a text measurer.
class TKitMeasuredFont {
 public:
  virtual ~TKitMeasuredFont() = default;
  virtual const TKitTextMetrics& Metrics() const = 0;
  // The advance of one UTF-16 unit. A surrogate unit measures as the replacement
  // character: units are measured one by one and never shaped together.
  virtual int CharWidth(char16_t C) = 0;
  virtual const TKitFont& Font() const = 0;
  virtual TKitFontCharset Charset() const = 0;
};

class TKitTextMeasurer {
 public:
  virtual ~TKitTextMeasurer() = default;
  // The font must not outlive the measurer.
  virtual std::unique_ptr<TKitMeasuredFont> CreateFont(const TKitFont& AFont, TKitFontCharset ACharset) = 0;
};

// A small picture (gutter glyphs). Pixels are 0x00BBGGRR row by row; pixels of the
// transparent colour are not drawn (clNone: none is transparent).
struct TKitEditImage {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Pixels;
  TColor TransparentColor = clNone;
  bool Empty() const { return Width <= 0 || Height <= 0; }
  TColor Pixel(int X, int Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
};

// What the editor draws on. Colours may name system colours (KitResolveColor).
class TKitCanvas {
 public:
  virtual ~TKitCanvas() = default;
  virtual void FillRect(const TKitRect& ARect, TColor AColor) = 0;
  // One pixel wide; the end point is not drawn.
  virtual void DrawLine(int AX1, int AY1, int AX2, int AY2, TColor AColor) = 0;
  // Draws each unit of AText with its left edge at AXs[i] and the cell top at ATop, over
  // a transparent background. A valid surrogate pair is drawn as one glyph at the x of its
  // first unit; a lone surrogate is drawn as the replacement character.
  virtual void DrawChars(const char16_t* AText, const int* AXs, int ACount, int ATop, TKitMeasuredFont& AFont,
                         TColor AColor) = 0;
  virtual void DrawImage(int AX, int AY, const TKitEditImage& AImage) = 0;
  virtual void SetClipRect(const TKitRect& ARect) = 0;
  virtual void RemoveClipRect() = 0;
};

// The colours of the desktop by system-colour index (the low byte of a system colour).
class TKitSystemColors {
 public:
  virtual ~TKitSystemColors() = default;
  virtual TColor GetSysColor(int AIndex) = 0;
};
// Puts a provider in place (nullptr brings back the built-in one); answers the previous.
TKitSystemColors* KitSetSystemColors(TKitSystemColors* AColors);
// A colour whose top byte is not zero names a system colour and is looked up; clNone and
// clDefault stay as they are; any other colour loses its top byte.
TColor KitResolveColor(TColor AColor);

// The text clipboard. A block (rectangular) copy travels with a private marker format.
class TKitClipboard {
 public:
  virtual ~TKitClipboard() = default;
  virtual bool HasText() = 0;
  virtual void SetText(const TKitString& AText, bool AAsBlock) = 0;
  // False when the clipboard holds no text; IsBlock tells whether the marker is there.
  virtual bool GetText(TKitString& AText, bool& AIsBlock) = 0;
};
// The name of the block marker format.
inline constexpr char kKitBlockClipboardFormat[] = "Kit Syntax Editor Rect block";

// A repeating timer. Enabling a running timer or setting the interval it has leaves it
// running as it was; restarting it is disabling and enabling it.
class TKitTimer {
 public:
  virtual ~TKitTimer() = default;
  virtual void SetInterval(int AMilliseconds) = 0;
  virtual int Interval() const = 0;
  virtual void SetEnabled(bool AValue) = 0;
  virtual bool Enabled() const = 0;
};

// Questions to the user (search wrap-around, replace confirmation, errors).
enum TKitPromptKind { pkWarning, pkError, pkInformation, pkConfirmation };
enum TKitPromptButton { pbYes = 1, pbNo = 2, pbOK = 4, pbCancel = 8, pbAll = 16 };
using TKitPromptButtons = int;
enum TKitPromptResult { prNone, prOk, prCancel, prYes, prNo, prAll };

class TKitEditPrompter {
 public:
  virtual ~TKitEditPrompter() = default;
  // ANear: a client rectangle the box should not cover (a found match), or null.
  virtual TKitPromptResult MessageBox(const TKitString& ACaption, const TKitString& AText, TKitPromptKind AKind,
                                      TKitPromptButtons AButtons, const TKitRect* ANear) = 0;
};

// The input vocabulary the window translates its events into.
enum TKitShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TKitShiftState = uint8_t;  // TKitShiftStateItem bits
inline constexpr TKitShiftState KitShift(TKitShiftStateItem AItem) { return static_cast<TKitShiftState>(1u << AItem); }
enum TKitMouseButton { mbLeft, mbRight, mbMiddle };

enum TKitCursorShape {
  crDefault,
  crArrow,
  crIBeam,
  crDrag,
  crMultiDrag,
  crNoDrop,
  crNo,
  crHandPoint,
  crLineNumbers  // over the line-number bar of the gutter
};

enum TKitScrollBarKind { sbHorizontal, sbVertical };
// A scroll bar as the window keeps it: positions Min..Max, of which Page are seen.
struct TKitScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  friend bool operator==(const TKitScrollInfo&, const TKitScrollInfo&) = default;
};

enum TKitSystemMetric {
  smDoubleClickTime,  // milliseconds
  smDragWidth,        // pixels a press must move before a drag starts
  smDragHeight,
  smWheelScrollLines,  // lines per wheel notch; -1 means a page
  smVScrollWidth,
  smHScrollHeight
};

// The completion list's window: a list box in a popup that never takes the focus. It shows
// what its owner sets and hands its mouse (in its own client pixels) and the drawing of
// owner-drawn items back to the owner.
enum TKitPopupGrip { pgNone, pgLeft, pgTop, pgRight, pgBottom, pgTopLeft, pgTopRight, pgBottomLeft, pgBottomRight };

class TKitPopupListOwner {
 public:
  virtual ~TKitPopupListOwner() = default;
  virtual void PopupMouseDown(int AX, int AY) = 0;
  virtual void PopupMouseMove(int AX, int AY) = 0;
  virtual void PopupMouseUp() = 0;
  // Owner drawing: False leaves the item to the window's plain drawing.
  virtual bool PopupDrawItem(int AIndex, const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas) = 0;
  // The height of one item of a list whose items differ in height.
  virtual int PopupItemHeight(int AIndex) = 0;
};

enum TKitPopupDrawStyle { pdPlain, pdOwnerDrawFixed, pdOwnerDrawVariable };

class TKitPopupList {
 public:
  virtual ~TKitPopupList() = default;
  virtual void SetOwner(TKitPopupListOwner* AOwner) = 0;
  virtual void SetItems(const std::vector<TKitString>& AItems) = 0;
  // Selects the item and scrolls it into view; -1 selects none.
  virtual void SetItemIndex(int AIndex) = 0;
  virtual void SetItemHeight(int AHeight) = 0;
  virtual void SetDrawStyle(TKitPopupDrawStyle AStyle) = 0;
  // The item under a client point, -1 when none.
  virtual int ItemAt(int AX, int AY) = 0;
  // Screen pixels, the border included.
  virtual void SetBounds(const TKitRect& ARect) = 0;
  // Shows without taking the focus, or hides.
  virtual void Show(bool AVisible) = 0;
  virtual void SetGripCursor(TKitPopupGrip AGrip) = 0;
  virtual void SetCapture(bool ACapture) = 0;
  // The screen area a popup at this screen point may use.
  virtual TKitRect WorkArea(const TKitPoint& AScreenPoint) = 0;
};

// The view's window and the services around it.
class TKitEditHost {
 public:
  virtual ~TKitEditHost() = default;

  // Services that exist without a window.
  virtual TKitTextMeasurer& Measurer() = 0;
  virtual TKitClipboard& Clipboard() = 0;
  virtual std::unique_ptr<TKitTimer> CreateTimer(std::function<void()> AOnTick) = 0;
  virtual TKitEditPrompter& Prompter() = 0;
  virtual void Beep() = 0;
  virtual int SystemMetric(TKitSystemMetric AMetric) = 0;

  // The window; without one the view keeps its model and paints nothing.
  virtual bool HasWindow() = 0;
  virtual TKitRect ClientRect() = 0;
  virtual bool Focused() = 0;
  virtual void SetFocus() = 0;
  virtual void Invalidate(const TKitRect& ARect) = 0;
  virtual void InvalidateAll() = 0;
  // Paints what is invalid now rather than on the next turn of the event loop.
  virtual void UpdateNow() = 0;
  virtual void CreateCaret(int AWidth, int AHeight) = 0;
  virtual void DestroyCaret() = 0;
  virtual void SetCaretPos(int AX, int AY) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;
  virtual void SetScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) = 0;
  virtual void ShowScrollBar(TKitScrollBarKind AKind, bool AVisible) = 0;
  virtual void SetCursorShape(TKitCursorShape AShape) = 0;
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  virtual bool HasCapture() = 0;
  virtual TKitPoint ClientToScreen(const TKitPoint& APoint) = 0;
  virtual TKitPoint ScreenToClient(const TKitPoint& APoint) = 0;
  // Begins dragging the view's selection; the drop comes back through the view.
  virtual void StartDrag() = 0;
  // The completion list's window; none keeps the list a model without a window.
  virtual std::unique_ptr<TKitPopupList> CreatePopupList() { return nullptr; }
};

}  // namespace zv

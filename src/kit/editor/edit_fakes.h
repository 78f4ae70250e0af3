// Stand-ins for the platform seam in tests and benchmarks: a measurer with fixed 8-pixel
// advances and 16-pixel lines (a few units may be given other widths), a canvas that
// records what it is asked to draw, a clipboard in memory, timers that tick when told, a
// prompter that answers from a script, and a host with a window of a given size that
// records invalidations, caret, scroll bars, cursor shapes and beeps. And a parser that
// reports folds from a table and a red token for every word.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kit/editor/edit_platform.h"
#include "kit/editor/parser_base.h"

namespace zv {

class TFakeMeasuredFont : public TKitMeasuredFont {
 public:
  TFakeMeasuredFont(const TKitFont& AFont, TKitFontCharset ACharset, const std::map<char16_t, int>* AWidths,
                    int ADefaultWidth, int AHeight);
  const TKitTextMetrics& Metrics() const override { return FMetrics; }
  int CharWidth(char16_t C) override;
  const TKitFont& Font() const override { return FFont; }
  TKitFontCharset Charset() const override { return FCharset; }

 private:
  TKitFont FFont;
  TKitFontCharset FCharset;
  const std::map<char16_t, int>* FWidths;
  int FDefaultWidth;
  TKitTextMetrics FMetrics;
};

class TFakeTextMeasurer : public TKitTextMeasurer {
 public:
  std::unique_ptr<TKitMeasuredFont> CreateFont(const TKitFont& AFont, TKitFontCharset ACharset) override;
  // Widths other than the default, for all styles; set before fonts are made.
  std::map<char16_t, int> Widths;
  int DefaultWidth = 8;
  int LineHeight = 16;
  int FontsCreated = 0;
  int64_t CharsMeasured = 0;
};

// One recorded drawing call, written as text so tests compare it directly:
// "fill l,t,r,b #bbggrr", "line x1,y1-x2,y2 #..", "text top=t #..: c@x c@x ...",
// "image x,y wxh", "clip l,t,r,b", "noclip".
class TRecordingCanvas : public TKitCanvas {
 public:
  void FillRect(const TKitRect& ARect, TColor AColor) override;
  void DrawLine(int AX1, int AY1, int AX2, int AY2, TColor AColor) override;
  void DrawChars(const char16_t* AText, const int* AXs, int ACount, int ATop, TKitMeasuredFont& AFont,
                 TColor AColor) override;
  void DrawImage(int AX, int AY, const TKitEditImage& AImage) override;
  void SetClipRect(const TKitRect& ARect) override;
  void RemoveClipRect() override;

  struct TCharCall {
    TKitString Text;
    std::vector<int> Xs;
    int Top = 0;
    TColor Color = 0;
    TKitFontStyles Style = 0;
  };
  std::vector<std::string> Calls;
  std::vector<TCharCall> Chars;
};

class TFakeClipboard : public TKitClipboard {
 public:
  bool HasText() override { return FHasText; }
  void SetText(const TKitString& AText, bool AAsBlock) override;
  bool GetText(TKitString& AText, bool& AIsBlock) override;
  // Text put there by another program: never a block.
  void SetForeignText(const TKitString& AText);
  void Clear();
  int SetCount = 0;

 private:
  TKitString FText;
  bool FHasText = false;
  bool FBlock = false;
};

class TFakeTimer : public TKitTimer {
 public:
  explicit TFakeTimer(std::function<void()> AOnTick) : FOnTick(std::move(AOnTick)) {}
  void SetInterval(int AMilliseconds) override { FInterval = AMilliseconds; }
  int Interval() const override { return FInterval; }
  void SetEnabled(bool AValue) override { FEnabled = AValue; }
  bool Enabled() const override { return FEnabled; }
  // Ticks once when enabled; answers whether it did.
  bool Fire();

 private:
  std::function<void()> FOnTick;
  int FInterval = 1000;
  bool FEnabled = false;
};

// Answers from a queue; prCancel when the queue is empty. Every question is kept.
class TFakePrompter : public TKitEditPrompter {
 public:
  TKitPromptResult MessageBox(const TKitString& ACaption, const TKitString& AText, TKitPromptKind AKind,
                              TKitPromptButtons AButtons, const TKitRect* ANear) override;
  std::deque<TKitPromptResult> Answers;
  std::vector<TKitString> Questions;
};

// A completion list window that keeps what it is told; tests play its mouse through Owner.
class TFakePopupList : public TKitPopupList {
 public:
  ~TFakePopupList() override;
  void SetOwner(TKitPopupListOwner* AOwner) override { Owner = AOwner; }
  void SetItems(const std::vector<TKitString>& AItems) override { Items = AItems; }
  void SetItemIndex(int AIndex) override { ItemIndex = AIndex; }
  void SetItemHeight(int AHeight) override { ItemHeight = AHeight; }
  void SetDrawStyle(TKitPopupDrawStyle AStyle) override { DrawStyle = AStyle; }
  // Items of ItemHeight pixels from the top, no scrolling.
  int ItemAt(int AX, int AY) override;
  void SetBounds(const TKitRect& ARect) override { Bounds = ARect; }
  void Show(bool AVisible) override;
  void SetGripCursor(TKitPopupGrip AGrip) override { Grip = AGrip; }
  void SetCapture(bool ACapture) override { Captured = ACapture; }
  TKitRect WorkArea(const TKitPoint&) override { return Screen; }

  TKitPopupListOwner* Owner = nullptr;
  std::vector<TKitString> Items;
  int ItemIndex = -1;
  int ItemHeight = 16;
  TKitPopupDrawStyle DrawStyle = pdPlain;
  TKitRect Bounds;
  bool Visible = false;
  int Shows = 0;
  TKitPopupGrip Grip = pgNone;
  bool Captured = false;
  TKitRect Screen{0, 0, 1024, 768};
  // Cleared when the window goes, so a test can tell.
  TFakePopupList** Tracker = nullptr;
};

class TFakeEditHost : public TKitEditHost {
 public:
  TFakeEditHost();
  ~TFakeEditHost() override;

  TKitTextMeasurer& Measurer() override { return FMeasurer; }
  TKitClipboard& Clipboard() override { return FClipboard; }
  std::unique_ptr<TKitTimer> CreateTimer(std::function<void()> AOnTick) override;
  TKitEditPrompter& Prompter() override { return FPrompter; }
  void Beep() override { ++Beeps; }
  int SystemMetric(TKitSystemMetric AMetric) override;

  bool HasWindow() override { return Window; }
  TKitRect ClientRect() override { return Client; }
  bool Focused() override { return Focus; }
  void SetFocus() override { Focus = true; }
  void Invalidate(const TKitRect& ARect) override { Invalidated.push_back(ARect); }
  void InvalidateAll() override { ++FullInvalidations; }
  void UpdateNow() override { ++Updates; }
  void CreateCaret(int AWidth, int AHeight) override;
  void DestroyCaret() override { CaretCreated = false; }
  void SetCaretPos(int AX, int AY) override { CaretPos = {AX, AY}; }
  void ShowCaret() override { CaretVisible = true; }
  void HideCaret() override { CaretVisible = false; }
  void SetScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) override { Bars[AKind] = AInfo; }
  void ShowScrollBar(TKitScrollBarKind AKind, bool AVisible) override { BarVisible[AKind] = AVisible; }
  void SetCursorShape(TKitCursorShape AShape) override { Cursor = AShape; }
  void SetCapture() override { Captured = true; }
  void ReleaseCapture() override { Captured = false; }
  bool HasCapture() override { return Captured; }
  TKitPoint ClientToScreen(const TKitPoint& P) override { return {P.X + ScreenOrigin.X, P.Y + ScreenOrigin.Y}; }
  TKitPoint ScreenToClient(const TKitPoint& P) override { return {P.X - ScreenOrigin.X, P.Y - ScreenOrigin.Y}; }
  void StartDrag() override { ++DragsStarted; }
  std::unique_ptr<TKitPopupList> CreatePopupList() override;

  // The invalid rectangles and counters since the last call.
  void ResetRecords();
  // Every timer made, in order of creation.
  std::vector<TFakeTimer*> Timers() const;

  TFakeTextMeasurer& FakeMeasurer() { return FMeasurer; }
  TFakeClipboard& FakeClipboard() { return FClipboard; }
  TFakePrompter& FakePrompter() { return FPrompter; }

  bool Window = true;
  TKitRect Client{0, 0, 800, 480};
  bool Focus = true;
  TKitPoint ScreenOrigin{100, 50};
  std::vector<TKitRect> Invalidated;
  int FullInvalidations = 0;
  int Updates = 0;
  int Beeps = 0;
  bool CaretCreated = false;
  TKitPoint CaretSize;
  TKitPoint CaretPos;
  bool CaretVisible = false;
  TKitScrollInfo Bars[2];
  bool BarVisible[2] = {false, false};
  TKitCursorShape Cursor = crDefault;
  bool Captured = false;
  int DragsStarted = 0;
  int DoubleClickTime = 500;
  int WheelScrollLines = 3;
  // The last completion list window made, null once it is gone.
  TFakePopupList* Popup = nullptr;

 private:
  TFakeTextMeasurer FMeasurer;
  TFakeClipboard FClipboard;
  TFakePrompter FPrompter;
  // Timers stay owned by whoever made them; the host only keeps track of the live ones.
  std::shared_ptr<std::vector<TFakeTimer*>> FTimers;
};


// A parsed line holding its tokens.
class TFakeParsedLine : public TKitEditParsedLine {
 public:
  int TokenCount() override { return static_cast<int>(Tokens.size()); }
  int GetTokenIdx(int ACol) override;
  int GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) override;
  std::vector<TKitEditParsedToken> Tokens;
};

// Folds come from the table as it stands (well-formed or not); with WordTokens every run
// of ASCII letters and digits is a token of id 1 drawn red.
class TFakeFoldParser : public TKitEditParserBase {
 public:
  std::vector<std::pair<int, int>> Folds;  // start line, end line
  bool WordTokens = false;
  int ParsedLines = 0;

  bool IsFoldStart(int ALine) override { return GetFoldEnd(ALine) >= 0; }
  int GetFoldEnd(int ALine) override;
  bool IsFoldEnd(int ALine) override { return GetFoldStart(ALine) >= 0; }
  int GetFoldStart(int ALine) override;
  TKitEditParsedLine* GetParsedLine(int ALine) override;

 private:
  TFakeParsedLine FLine;
};

}  // namespace zv

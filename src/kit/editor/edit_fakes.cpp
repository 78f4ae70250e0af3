#include "kit/editor/edit_fakes.h"

#include "kit/editor/edit_document.h"

#include <algorithm>
#include <cstdio>

namespace zv {

namespace {

std::string Hex(TColor C) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06x", static_cast<unsigned>(C & 0xFFFFFF));
  return buf;
}

std::string RectText(const TKitRect& R) {
  return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) + "," +
         std::to_string(R.Bottom);
}

// A timer that leaves the host's list when it goes.
class TTrackedTimer : public TFakeTimer {
 public:
  TTrackedTimer(std::function<void()> AOnTick, std::shared_ptr<std::vector<TFakeTimer*>> AList)
      : TFakeTimer(std::move(AOnTick)), FList(std::move(AList)) {
    FList->push_back(this);
  }
  ~TTrackedTimer() override { std::erase(*FList, this); }

 private:
  std::shared_ptr<std::vector<TFakeTimer*>> FList;
};

}  // namespace

// --- measurer ---

TFakeMeasuredFont::TFakeMeasuredFont(const TKitFont& AFont, TKitFontCharset ACharset,
                                     const std::map<char16_t, int>* AWidths, int ADefaultWidth, int AHeight)
    : FFont(AFont), FCharset(ACharset), FWidths(AWidths), FDefaultWidth(ADefaultWidth) {
  FMetrics.Height = AHeight;
  FMetrics.Ascent = AHeight * 3 / 4;
  FMetrics.ExternalLeading = 0;
  FMetrics.AveCharWidth = ADefaultWidth;
  int maxWidth = ADefaultWidth;
  for (const auto& [c, w] : *AWidths) maxWidth = std::max(maxWidth, w);
  FMetrics.MaxCharWidth = maxWidth;
}

int TFakeMeasuredFont::CharWidth(char16_t C) {
  if (C >= 0xD800 && C <= 0xDFFF) C = 0xFFFD;
  const auto it = FWidths->find(C);
  return it == FWidths->end() ? FDefaultWidth : it->second;
}

std::unique_ptr<TKitMeasuredFont> TFakeTextMeasurer::CreateFont(const TKitFont& AFont, TKitFontCharset ACharset) {
  ++FontsCreated;
  return std::make_unique<TFakeMeasuredFont>(AFont, ACharset, &Widths, DefaultWidth, LineHeight);
}

// --- canvas ---

void TRecordingCanvas::FillRect(const TKitRect& ARect, TColor AColor) {
  Calls.push_back("fill " + RectText(ARect) + " " + Hex(KitResolveColor(AColor)));
}

void TRecordingCanvas::DrawLine(int AX1, int AY1, int AX2, int AY2, TColor AColor) {
  Calls.push_back("line " + std::to_string(AX1) + "," + std::to_string(AY1) + "-" + std::to_string(AX2) + "," +
                  std::to_string(AY2) + " " + Hex(KitResolveColor(AColor)));
}

void TRecordingCanvas::DrawChars(const char16_t* AText, const int* AXs, int ACount, int ATop,
                                 TKitMeasuredFont& AFont, TColor AColor) {
  TCharCall call;
  call.Text.assign(AText, AText + ACount);
  call.Xs.assign(AXs, AXs + ACount);
  call.Top = ATop;
  call.Color = KitResolveColor(AColor);
  call.Style = AFont.Font().Style;
  std::string text = "text top=" + std::to_string(ATop) + " " + Hex(call.Color) + ":";
  for (int i = 0; i < ACount; ++i) {
    const char16_t c = AText[i];
    text += ' ';
    if (c >= 32 && c < 127) text += static_cast<char>(c);
    else text += "U+" + std::to_string(static_cast<unsigned>(c));
    text += "@" + std::to_string(AXs[i]);
  }
  Calls.push_back(std::move(text));
  Chars.push_back(std::move(call));
}

void TRecordingCanvas::DrawImage(int AX, int AY, const TKitEditImage& AImage) {
  Calls.push_back("image " + std::to_string(AX) + "," + std::to_string(AY) + " " + std::to_string(AImage.Width) +
                  "x" + std::to_string(AImage.Height));
}

void TRecordingCanvas::SetClipRect(const TKitRect& ARect) { Calls.push_back("clip " + RectText(ARect)); }

void TRecordingCanvas::RemoveClipRect() { Calls.push_back("noclip"); }

// --- clipboard ---

void TFakeClipboard::SetText(const TKitString& AText, bool AAsBlock) {
  FText = AText;
  FHasText = true;
  FBlock = AAsBlock;
  ++SetCount;
}

bool TFakeClipboard::GetText(TKitString& AText, bool& AIsBlock) {
  AText = FText;
  AIsBlock = FHasText && FBlock;
  return FHasText;
}

void TFakeClipboard::SetForeignText(const TKitString& AText) {
  FText = AText;
  FHasText = true;
  FBlock = false;
}

void TFakeClipboard::Clear() {
  FText.clear();
  FHasText = false;
  FBlock = false;
}

// --- timers and prompter ---

bool TFakeTimer::Fire() {
  if (!FEnabled) return false;
  if (FOnTick) FOnTick();
  return true;
}

TKitPromptResult TFakePrompter::MessageBox(const TKitString& ACaption, const TKitString& AText, TKitPromptKind,
                                           TKitPromptButtons, const TKitRect*) {
  Questions.push_back(ACaption + u": " + AText);
  if (Answers.empty()) return prCancel;
  const TKitPromptResult r = Answers.front();
  Answers.pop_front();
  return r;
}

// --- host ---

TFakeEditHost::TFakeEditHost() : FTimers(std::make_shared<std::vector<TFakeTimer*>>()) {}

TFakeEditHost::~TFakeEditHost() = default;

std::unique_ptr<TKitTimer> TFakeEditHost::CreateTimer(std::function<void()> AOnTick) {
  return std::make_unique<TTrackedTimer>(std::move(AOnTick), FTimers);
}

int TFakeEditHost::SystemMetric(TKitSystemMetric AMetric) {
  switch (AMetric) {
    case smDoubleClickTime: return DoubleClickTime;
    case smDragWidth:
    case smDragHeight: return 4;
    case smWheelScrollLines: return WheelScrollLines;
    case smVScrollWidth:
    case smHScrollHeight: return 16;
  }
  return 0;
}

void TFakeEditHost::CreateCaret(int AWidth, int AHeight) {
  CaretCreated = true;
  CaretSize = {AWidth, AHeight};
  CaretVisible = false;
}

void TFakeEditHost::ResetRecords() {
  Invalidated.clear();
  FullInvalidations = 0;
  Updates = 0;
  Beeps = 0;
}

std::vector<TFakeTimer*> TFakeEditHost::Timers() const { return *FTimers; }

std::unique_ptr<TKitPopupList> TFakeEditHost::CreatePopupList() {
  auto popup = std::make_unique<TFakePopupList>();
  popup->Tracker = &Popup;
  Popup = popup.get();
  return popup;
}

// --- completion list window ---

TFakePopupList::~TFakePopupList() {
  if (Tracker != nullptr && *Tracker == this) *Tracker = nullptr;
}

int TFakePopupList::ItemAt(int AX, int AY) {
  if (AX < 0 || AY < 0 || ItemHeight <= 0 || AX >= Bounds.Right - Bounds.Left) return -1;
  const int i = AY / ItemHeight;
  return i < static_cast<int>(Items.size()) ? i : -1;
}

void TFakePopupList::Show(bool AVisible) {
  if (AVisible && !Visible) ++Shows;
  Visible = AVisible;
}


// --- parser ---

int TFakeParsedLine::GetTokenIdx(int ACol) {
  if (Tokens.empty()) throw Exception("This line does not have any tokens");
  const int at = Tokens[0].Seg.Start + ACol;
  int idx = 0;
  for (int i = 0; i < TokenCount(); ++i)
    if (Tokens[static_cast<size_t>(i)].Seg.Start <= at) idx = i;
  return idx;
}

int TFakeParsedLine::GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) {
  const int n = std::min({TokenCount() - AStart, ACount, static_cast<int>(AArr.size())});
  for (int i = 0; i < n; ++i) AArr[static_cast<size_t>(i)] = Tokens[static_cast<size_t>(AStart + i)];
  return std::max(0, n);
}

int TFakeFoldParser::GetFoldEnd(int ALine) {
  for (const auto& [s, e] : Folds)
    if (s == ALine) return e;
  return -1;
}

int TFakeFoldParser::GetFoldStart(int ALine) {
  for (const auto& [s, e] : Folds)
    if (e == ALine) return s;
  return -1;
}

TKitEditParsedLine* TFakeFoldParser::GetParsedLine(int ALine) {
  ++ParsedLines;
  FLine.Tokens.clear();
  if (!WordTokens || FDoc == nullptr) return &FLine;
  const TKitSegment seg = FDoc->GetLine(ALine);
  const auto isWord = [&](int k) {
    const char16_t c = KitSegmentChar(seg, k);
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
  };
  for (int i = 0; i < seg.Count;) {
    if (!isWord(i)) {
      ++i;
      continue;
    }
    int j = i;
    while (j < seg.Count && isWord(j)) ++j;
    TKitEditParsedToken t;
    t.Seg = KitMakeSegment(seg.Start + i, j - i, seg.Source);
    t.TokenID = 1;
    t.Attrs.TextColor = clRed;
    t.Attrs.AttributesSet = asTextColor;
    FLine.Tokens.push_back(t);
    i = j;
  }
  return &FLine;
}

}  // namespace zv

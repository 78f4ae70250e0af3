#include "kit/editor/edit_helpers.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "kit/text/strings.h"

namespace zv {

// --- clipboard ---

bool KitClipboardHasText(TKitClipboard& AClipboard) { return AClipboard.HasText(); }

void KitSetClipboardText(TKitClipboard& AClipboard, const TKitString& AText, bool AAsBlock) {
  if (AText.empty()) return;
  AClipboard.SetText(AText, AAsBlock);
}

void KitGetClipboardText(TKitClipboard& AClipboard, TKitString& AText, bool& AIsBlock) {
  AIsBlock = false;
  AText.clear();
  if (!AClipboard.GetText(AText, AIsBlock)) {
    AText.clear();
    AIsBlock = false;
  }
}

void KitCopySegmentToClipboard(TKitClipboard& AClipboard, const TKitSegment& ASeg, bool AAsBlock) {
  KitSetClipboardText(AClipboard, KitIsValidSegment(ASeg) ? KitSegmentToStr(ASeg) : TKitString(), AAsBlock);
}

// --- text output and measuring ---

void KitExtTextOut(TKitCanvas& ACanvas, const TKitRect& ARect, int AX, int AY, const char16_t* AText, int ACount,
                   bool ATransparent, TKitMeasuredFont& AFont, TColor ATextColor, TColor ABkColor) {
  if (!ATransparent) ACanvas.FillRect(ARect, ABkColor);
  if (ACount <= 0 || AText == nullptr) return;
  std::vector<int> xs(static_cast<size_t>(ACount));
  int64_t x = AX;
  for (int i = 0; i < ACount; ++i) {
    xs[static_cast<size_t>(i)] = static_cast<int>(KitClamp<int64_t>(x, INT32_MIN, INT32_MAX));
    x += AFont.CharWidth(AText[i]);
  }
  ACanvas.DrawChars(AText, xs.data(), ACount, AY, AFont, ATextColor);
}

void KitCanvasTextOut(TKitCanvas& ACanvas, const TKitRect& ARect, int AX, const TKitString& AText, int AY,
                      TKitMeasuredFont& AFont, TColor ATextColor, TColor ABkColor) {
  KitExtTextOut(ACanvas, ARect, AX, AY, AText.data(), static_cast<int>(AText.size()), false, AFont, ATextColor,
                ABkColor);
}

void KitGetFontMetrics(TKitMeasuredFont& AFont, int& AAvgWidth, int& ALineHeight, int& AMaxWidth) {
  const TKitTextMetrics& m = AFont.Metrics();
  ALineHeight = m.Height + m.ExternalLeading;
  AAvgWidth = m.AveCharWidth;
  AMaxWidth = m.MaxCharWidth;
}

void KitGetFontSize(TKitMeasuredFont& AFont, int& AAvgWidth, int& ALineHeight) {
  int maxWidth = 0;
  KitGetFontMetrics(AFont, AAvgWidth, ALineHeight, maxWidth);
}

int KitTextWidth(TKitMeasuredFont& AFont, const TKitString& AText) {
  int64_t w = 0;
  for (char16_t c : AText) w += AFont.CharWidth(c);
  return static_cast<int>(KitClamp<int64_t>(w, 0, INT32_MAX));
}

// --- values ---

namespace {

int HexDigit(char16_t C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}

}  // namespace

bool KitSedStrToColor(const TKitString& AText, TColor& AColor) {
  TKitString s = KitTrim(AText);
  if (s.empty()) return false;
  if (s[0] == u'#') {
    s[0] = u'$';
    if (s.size() < 7) s.insert(1, 7 - s.size(), u'0');
    if (s.size() != 7) return false;
    for (size_t i = 1; i < 7; ++i)
      if (HexDigit(s[i]) < 0) return false;
    // "$RRGGBB" read as $00BBGGRR.
    const auto byte = [&](size_t i) { return static_cast<TColor>(HexDigit(s[i]) * 16 + HexDigit(s[i + 1])); };
    AColor = byte(1) | (byte(3) << 8) | (byte(5) << 16);
    return true;
  }
  try {
    AColor = KitStrToColor(u"cl" + s);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

TKitTimeOfDay KitMSecsToTime(int64_t AMSecs) {
  int64_t ms = AMSecs % 86'400'000;
  if (ms < 0) ms += 86'400'000;
  TKitTimeOfDay t;
  t.MSec = static_cast<int>(ms % 1000);
  t.Second = static_cast<int>(ms / 1000 % 60);
  t.Minute = static_cast<int>(ms / 60'000 % 60);
  t.Hour = static_cast<int>(ms / 3'600'000);
  return t;
}

void KitShortCutToKey(TKitShortCut AShortCut, uint16_t& AKey, TKitShiftState& AShift) {
  AKey = AShortCut & 0x1FFF;
  AShift = 0;
  if (AShortCut & 0x2000) AShift |= KitShift(ssShift);
  if (AShortCut & 0x4000) AShift |= KitShift(ssCtrl);
  if (AShortCut & 0x8000) AShift |= KitShift(ssAlt);
}

TKitShortCut KitShortCut(uint16_t AKey, TKitShiftState AShift) {
  uint16_t s = AKey & 0x1FFF;
  if (AShift & KitShift(ssShift)) s |= 0x2000;
  if (AShift & KitShift(ssCtrl)) s |= 0x4000;
  if (AShift & KitShift(ssAlt)) s |= 0x8000;
  return s;
}

// --- gutter glyphs ---

namespace {

constexpr TColor kClear = 0xFF00FF;  // the transparent colour of every glyph

struct TGlyphPainter {
  TKitEditImage Img;
  TGlyphPainter(int W, int H) {
    Img.Width = W;
    Img.Height = H;
    Img.Pixels.assign(static_cast<size_t>(W) * H, kClear);
    Img.TransparentColor = kClear;
  }
  void Set(int X, int Y, TColor C) {
    if (X >= 0 && Y >= 0 && X < Img.Width && Y < Img.Height) Img.Pixels[static_cast<size_t>(Y) * Img.Width + X] = C;
  }
  void Rect(int L, int T, int R, int B, TColor C) {
    for (int y = T; y < B; ++y)
      for (int x = L; x < R; ++x) Set(x, y, C);
  }
  void Frame(int L, int T, int R, int B, TColor C) {
    for (int x = L; x < R; ++x) Set(x, T, C), Set(x, B - 1, C);
    for (int y = T; y < B; ++y) Set(L, y, C), Set(R - 1, y, C);
  }
  // A disc of diameter D at (L, T), with an outline.
  void Disc(int L, int T, int D, TColor Fill, TColor Edge) {
    const double r = D / 2.0;
    for (int y = 0; y < D; ++y)
      for (int x = 0; x < D; ++x) {
        const double dx = x + 0.5 - r, dy = y + 0.5 - r, d2 = dx * dx + dy * dy;
        if (d2 <= (r - 1) * (r - 1)) Set(L + x, T + y, Fill);
        else if (d2 <= r * r) Set(L + x, T + y, Edge);
      }
  }
  // A right-pointing arrow filling the picture's middle.
  void Arrow(TColor Fill, TColor Edge) {
    const int h = Img.Height, mid = h / 2;
    for (int y = 2; y < h - 2; ++y) {
      const int dy = std::abs(y - mid);
      const int shaftEnd = Img.Width / 2;
      if (dy <= 2) Rect(1, y, shaftEnd, y + 1, Fill);
      for (int x = shaftEnd; x < Img.Width - 1 - dy; ++x) Set(x, y, Fill);
      Set(Img.Width - 1 - dy, y, Edge);
    }
  }
};

TKitEditImage MakeGlyph(TKitEditGlyph AGlyph) {
  switch (AGlyph) {
    case egBookmark: {
      TGlyphPainter p(14, 16);
      p.Rect(2, 1, 12, 15, 0xE0A040);
      p.Frame(2, 1, 12, 15, 0x804000);
      p.Rect(4, 3, 10, 5, 0xFFE0C0);
      return p.Img;
    }
    case egBreakActive: {
      TGlyphPainter p(13, 13);
      p.Disc(0, 0, 13, 0x2020E0, 0x000080);
      return p.Img;
    }
    case egBreakInactive: {
      TGlyphPainter p(13, 13);
      p.Disc(0, 0, 13, 0xC0C0F0, 0x000080);
      return p.Img;
    }
    case egBreakDisabled: {
      TGlyphPainter p(13, 13);
      p.Disc(0, 0, 13, 0xC0C0C0, 0x606060);
      return p.Img;
    }
    case egFoldPlus:
    case egFoldMinus: {
      TGlyphPainter p(11, 11);
      p.Rect(0, 0, 11, 11, clWhite);
      p.Frame(0, 0, 11, 11, clGray);
      p.Rect(2, 5, 9, 6, clBlack);
      if (AGlyph == egFoldPlus) p.Rect(5, 2, 6, 9, clBlack);
      return p.Img;
    }
    case egWrapLine: {
      TGlyphPainter p(14, 12);
      p.Rect(10, 1, 12, 8, 0x808000);   // down the right side
      p.Rect(3, 6, 12, 8, 0x808000);    // back to the left
      for (int i = 0; i < 4; ++i) p.Rect(1 + i, 7 - i, 2 + i, 8 + i, 0x808000);  // the arrow head
      return p.Img;
    }
    case egDebugTop: {
      TGlyphPainter p(14, 14);
      p.Arrow(0x00E0F0, 0x006080);
      return p.Img;
    }
    case egDebugActive: {
      TGlyphPainter p(14, 14);
      p.Arrow(0x40C040, 0x006000);
      return p.Img;
    }
  }
  return {};
}

const char* const kGlyphNames[] = {"BOOKMARK",  "BREAK_ACTIVE", "BREAK_INACTIVE", "BREAK_DISABLED", "FOLD_PLUS",
                                   "FOLD_MINUS", "WRAP_LINE",    "DBG_TOP",        "DBG_ACTIVE"};

}  // namespace

const TKitEditImage& KitEditGlyph(TKitEditGlyph AGlyph) {
  static const std::array<TKitEditImage, 9> glyphs = [] {
    std::array<TKitEditImage, 9> a;
    for (int i = 0; i < 9; ++i) a[static_cast<size_t>(i)] = MakeGlyph(static_cast<TKitEditGlyph>(i));
    return a;
  }();
  return glyphs[static_cast<size_t>(AGlyph)];
}

const TKitEditImage* KitLoadResBitmap(const char* AName) {
  if (AName == nullptr) return nullptr;
  for (int i = 0; i < 9; ++i)
    if (std::strcmp(AName, kGlyphNames[i]) == 0) return &KitEditGlyph(static_cast<TKitEditGlyph>(i));
  return nullptr;
}

}  // namespace zv

#include "kit/graphics/pixel_effects.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace zv {

namespace {

// The part [Lo, Hi) of the offsets 0..Count-1 for which every Start + offset lies in its
// bitmap's [0, Limit).
struct TSpan {
  int64_t Lo = 0;
  int64_t Hi = 0;
};

TSpan Clip(int64_t Count, std::initializer_list<std::pair<int64_t, int64_t>> StartsAndLimits) {
  TSpan s{0, Count};
  for (const auto& [start, limit] : StartsAndLimits) {
    s.Lo = std::max(s.Lo, -start);
    s.Hi = std::min(s.Hi, limit - start);
  }
  if (s.Hi < s.Lo) s.Hi = s.Lo;
  return s;
}

bool Inside(int64_t Value, int64_t Limit) { return Value >= 0 && Value < Limit; }

// The common first steps; false when the source was copied as a whole.
bool Prepare(const TKitBitmap& Source, TKitBitmap& Target) {
  if (KitBmpBytesPerPixel(Source) == 0) {
    if (&Source != &Target) Target.Assign(Source);
    return false;
  }
  if (Target.PixelFormat() != Source.PixelFormat()) Target.SetPixelFormat(Source.PixelFormat());
  return true;
}

// Applies Op(sourcePixel, targetPixel) to every pixel of Rect that maps into both bitmaps.
template <class TOp>
void ForEachPixel(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos, TOp Op) {
  if (!Prepare(Source, Target)) return;
  const int bpp = KitBmpBytesPerPixel(Source);
  const TSpan rows = Clip(int64_t(Rect.Bottom) - Rect.Top, {{Rect.Top, Source.Height()}, {Pos.Y, Target.Height()}});
  const TSpan cols = Clip(int64_t(Rect.Right) - Rect.Left, {{Rect.Left, Source.Width()}, {Pos.X, Target.Width()}});
  for (int64_t r = rows.Lo; r < rows.Hi; ++r) {
    const uint8_t* s = Source.ScanLine(static_cast<int>(Rect.Top + r)) + (Rect.Left + cols.Lo) * bpp;
    uint8_t* t = Target.ScanLine(static_cast<int>(Pos.Y + r)) + (Pos.X + cols.Lo) * bpp;
    for (int64_t c = cols.Lo; c < cols.Hi; ++c, s += bpp, t += bpp) Op(s, t);
  }
}

}  // namespace

int KitBmpBytesPerPixel(const TKitBitmap& Bitmap) {
  switch (Bitmap.PixelFormat()) {
    case pf24bit: return 3;
    case pf32bit: return 4;
    default: return 0;
  }
}

uint8_t KitBmpClampByte(int Value) { return static_cast<uint8_t>(Value < 0 ? 0 : Value > 255 ? 255 : Value); }

bool KitBmpCheckFormat(const TKitBitmap& Bitmap, const std::string& Name) {
  if (KitBmpBytesPerPixel(Bitmap) != 0) return true;
  throw EKitWrongPixelFormat("Wrong PixelFormat in " + Name + " bitmap!");
}

void KitBmpGrayScale(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos) {
  uint8_t blue[256], green[256], red[256];
  for (int i = 0; i < 256; ++i) {
    blue[i] = static_cast<uint8_t>(std::nearbyint(i * 0.11));
    green[i] = static_cast<uint8_t>(std::nearbyint(i * 0.59));
    red[i] = static_cast<uint8_t>(std::nearbyint(i * 0.3));
  }
  ForEachPixel(Source, Rect, Target, Pos, [&](const uint8_t* s, uint8_t* t) {
    const auto gray = static_cast<uint8_t>(blue[s[0]] + green[s[1]] + red[s[2]]);
    t[0] = t[1] = t[2] = gray;
  });
}

void KitBmpInvert(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos) {
  ForEachPixel(Source, Rect, Target, Pos, [](const uint8_t* s, uint8_t* t) {
    t[0] = static_cast<uint8_t>(255 - s[0]);
    t[1] = static_cast<uint8_t>(255 - s[1]);
    t[2] = static_cast<uint8_t>(255 - s[2]);
  });
}

void KitBmpBrightness(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, TKitBrightness Delta,
                      const TKitPoint& Pos) {
  ForEachPixel(Source, Rect, Target, Pos, [Delta](const uint8_t* s, uint8_t* t) {
    for (int k = 0; k < 3; ++k) t[k] = KitBmpClampByte(s[k] + Delta);
  });
}

void KitBmpFlipVertical(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos) {
  if (!Prepare(Source, Target)) return;
  const int bpp = KitBmpBytesPerPixel(Source);
  const int64_t h = int64_t(Rect.Bottom) - Rect.Top;
  const TSpan cols = Clip(int64_t(Rect.Right) - Rect.Left, {{Rect.Left, Source.Width()}, {Pos.X, Target.Width()}});
  const auto width = static_cast<size_t>((cols.Hi - cols.Lo) * bpp);
  if (h <= 0 || width == 0) return;
  // Both rows of a pair are read before either is written, so the flip works in place.
  std::vector<uint8_t> first(width), second(width);
  for (int64_t i = 0; i <= h - 1 - i; ++i) {
    const int64_t srcA = Rect.Top + i, srcB = Rect.Top + h - 1 - i;
    const int64_t dstA = Pos.Y + h - 1 - i, dstB = Pos.Y + i;
    const bool haveA = Inside(srcA, Source.Height()), haveB = Inside(srcB, Source.Height());
    if (haveA) std::memcpy(first.data(), Source.ScanLine(static_cast<int>(srcA)) + (Rect.Left + cols.Lo) * bpp, width);
    if (haveB) std::memcpy(second.data(), Source.ScanLine(static_cast<int>(srcB)) + (Rect.Left + cols.Lo) * bpp, width);
    if (haveA && Inside(dstA, Target.Height()))
      std::memcpy(Target.ScanLine(static_cast<int>(dstA)) + (Pos.X + cols.Lo) * bpp, first.data(), width);
    if (haveB && Inside(dstB, Target.Height()))
      std::memcpy(Target.ScanLine(static_cast<int>(dstB)) + (Pos.X + cols.Lo) * bpp, second.data(), width);
  }
}

void KitBmpFlipHorizontal(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos) {
  if (!Prepare(Source, Target)) return;
  const int bpp = KitBmpBytesPerPixel(Source);
  const int64_t w = int64_t(Rect.Right) - Rect.Left;
  const TSpan rows = Clip(int64_t(Rect.Bottom) - Rect.Top, {{Rect.Top, Source.Height()}, {Pos.Y, Target.Height()}});
  uint8_t first[4], second[4];
  for (int64_t r = rows.Lo; r < rows.Hi; ++r) {
    const uint8_t* s = Source.ScanLine(static_cast<int>(Rect.Top + r));
    uint8_t* t = Target.ScanLine(static_cast<int>(Pos.Y + r));
    // The middle pixel of an odd width is not written.
    for (int64_t i = 0; i < w / 2; ++i) {
      const int64_t srcA = Rect.Left + i, srcB = Rect.Left + w - 1 - i;
      const int64_t dstA = Pos.X + w - 1 - i, dstB = Pos.X + i;
      const bool haveA = Inside(srcA, Source.Width()), haveB = Inside(srcB, Source.Width());
      if (haveA) std::memcpy(first, s + srcA * bpp, bpp);
      if (haveB) std::memcpy(second, s + srcB * bpp, bpp);
      if (haveA && Inside(dstA, Target.Width())) std::memcpy(t + dstA * bpp, first, bpp);
      if (haveB && Inside(dstB, Target.Width())) std::memcpy(t + dstB * bpp, second, bpp);
    }
  }
}

void KitBmpBlend(const TKitBitmap& Source1, const TKitBitmap& Source2, const TKitRect& Rect,
                 const TKitPoint& Source2Pos, TKitBitmap& Target, float Strength, const TKitPoint& TargetPos) {
  KitBmpCheckFormat(Source1, "Source 1");
  KitBmpCheckFormat(Source2, "Source 2");
  KitBmpCheckFormat(Target, "Target");
  if (Target.PixelFormat() != Source1.PixelFormat()) Target.SetPixelFormat(Source1.PixelFormat());
  uint8_t table[511];
  for (int d = -255; d <= 255; ++d) {
    double v = std::nearbyint(d * static_cast<double>(Strength));
    v = std::isfinite(v) ? std::fmod(v, 256.0) : 0.0;  // only the low byte counts
    table[d + 255] = static_cast<uint8_t>(static_cast<int>(v));
  }
  const int bpp1 = KitBmpBytesPerPixel(Source1), bpp2 = KitBmpBytesPerPixel(Source2), bppT = KitBmpBytesPerPixel(Target);
  const TSpan rows = Clip(int64_t(Rect.Bottom) - Rect.Top,
                          {{Rect.Top, Source1.Height()}, {Source2Pos.Y, Source2.Height()}, {TargetPos.Y, Target.Height()}});
  const TSpan cols = Clip(int64_t(Rect.Right) - Rect.Left,
                          {{Rect.Left, Source1.Width()}, {Source2Pos.X, Source2.Width()}, {TargetPos.X, Target.Width()}});
  for (int64_t r = rows.Lo; r < rows.Hi; ++r) {
    const uint8_t* s1 = Source1.ScanLine(static_cast<int>(Rect.Top + r)) + (Rect.Left + cols.Lo) * bpp1;
    const uint8_t* s2 = Source2.ScanLine(static_cast<int>(Source2Pos.Y + r)) + (Source2Pos.X + cols.Lo) * bpp2;
    uint8_t* t = Target.ScanLine(static_cast<int>(TargetPos.Y + r)) + (TargetPos.X + cols.Lo) * bppT;
    for (int64_t c = cols.Lo; c < cols.Hi; ++c, s1 += bpp1, s2 += bpp2, t += bppT)
      for (int k = 0; k < 3; ++k) t[k] = static_cast<uint8_t>(s2[k] + table[s1[k] - s2[k] + 255]);
  }
}

}  // namespace zv

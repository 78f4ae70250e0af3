#include "kit/graphics/bitmap_drawing.h"

#include <cmath>
#include <vector>

#include "kit/text/helpers.h"

namespace zv {

void KitAlphaBlendDC(TKitCanvas& Dest, const TKitRect& DestRect, const TKitCanvas& Source, bool ConstantAlpha,
                     uint8_t Alpha, const TKitRect& SourceRect) {
  const int64_t dw = KitRectWidth(DestRect), dh = KitRectHeight(DestRect);
  const int64_t sw = KitRectWidth(SourceRect), sh = KitRectHeight(SourceRect);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const TKitRect area = KitIntersectRect(DestRect, Dest.ClipRect());
  const int w = KitRectWidth(area), h = KitRectHeight(area);
  if (w <= 0) return;
  // The source is read in full before anything is written: it may be the destination.
  struct TSample {
    TColor Color;
    uint8_t Alpha;
  };
  std::vector<TSample> samples(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const int64_t sy = SourceRect.Top + KitStretchSource(area.Top + y - DestRect.Top, sh, dh);
    for (int x = 0; x < w; ++x) {
      const int64_t sx = SourceRect.Left + KitStretchSource(area.Left + x - DestRect.Left, sw, dw);
      const bool inside = sx >= 0 && sy >= 0 && sx < Source.Width() && sy < Source.Height();
      samples[static_cast<size_t>(y) * w + x] =
          inside ? TSample{Source.Pixel(static_cast<int>(sx), static_cast<int>(sy)),
                           Source.PixelAlpha(static_cast<int>(sx), static_cast<int>(sy))}
                 : TSample{clNone, 0};
    }
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TSample& s = samples[static_cast<size_t>(y) * w + x];
      if (s.Color == clNone) continue;
      const int a = ConstantAlpha ? Alpha : s.Alpha;
      const TColor d = Dest.Pixel(area.Left + x, area.Top + y);
      auto mix = [a](int S, int D) { return static_cast<uint8_t>((a * S + (256 - a) * D) >> 8); };
      Dest.SetPixel(area.Left + x, area.Top + y,
                    KitRGB(mix(KitGetRValue(s.Color), KitGetRValue(d)), mix(KitGetGValue(s.Color), KitGetGValue(d)),
                           mix(KitGetBValue(s.Color), KitGetBValue(d))));
    }
}

namespace {

// Builds the pair from W x H pixels that Read(x, y) gives (clNone for none).
template <class TRead>
void MakePair(int W, int H, TRead Read, TKitBitmap& Mask, TColor Color, TKitBitmap& Image) {
  const TColor key = KitColorToRGB(Color);
  TKitBitmap image(W, H, pf24bit);
  TKitBitmap mask(W, H, pf1bit);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const TColor c = Read(x, y);
      if (c == clNone) continue;  // no pixel there: black in the image, opaque in the mask
      if (c == key)
        mask.SetPixel(x, y, clWhite);
      else
        image.SetPixel(x, y, c);
    }
  Image = std::move(image);
  Mask = std::move(mask);
}

}  // namespace

void KitDrawPicture(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Source, TKitRect& ResultRect,
                    const TKitBitmap* Mask, const TKitPalette* /*Palette*/, TColor Color, unsigned Flags,
                    const TKitRect& SourceRect) {
  ResultRect = {};
  if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  const int w = KitRectWidth(SourceRect), h = KitRectHeight(SourceRect);
  const int rw = KitRectWidth(Rect), rh = KitRectHeight(Rect);
  int mode = 0;
  if (Flags & KitDrawCenter) mode = 1;
  if (Flags & KitDrawStretch) mode = 2;
  if (Flags & KitDrawTile) mode = 3;

  TKitRect placed{Rect.Left, Rect.Top, Rect.Left + w, Rect.Top + h};
  if (mode == 1) {
    placed.Left = Rect.Left + (rw - w) / 2;
    placed.Top = Rect.Top + (rh - h) / 2;
    placed.Right = placed.Left + w;
    placed.Bottom = placed.Top + h;
  } else if (mode == 2) {
    placed = Rect;
    const bool keepW = Flags & KitDrawKeepWidth, keepH = Flags & KitDrawKeepHeight;
    if (keepW && keepH) {
      KitFitRectProportional(SourceRect, Rect, placed);
    } else if (keepW && w != 0) {
      placed.Bottom = Rect.Top + static_cast<int>(std::nearbyint(double(rw) / w * h));
    } else if (keepH && h != 0) {
      placed.Right = Rect.Left + static_cast<int>(std::nearbyint(double(rh) / h * w));
    }
  } else if (mode == 3) {
    placed = Rect;
  }
  const bool pictureEmpty = w <= 0 || h <= 0 || placed.Right <= placed.Left || placed.Bottom <= placed.Top;
  ResultRect = pictureEmpty ? Rect : placed;
  if (pictureEmpty) return;

  // Draw(target) for the placed rectangle or each tile that can show.
  auto forEachPlace = [&](const std::function<void(const TKitRect&)>& Draw) {
    if (mode == 3)
      KitForEachTile(Canvas, Rect, w, h, Draw);
    else
      Draw(placed);
  };

  const TKitCopyMode savedMode = Canvas.CopyMode;
  if (Flags & KitDrawBrushCopy) {
    // The picture's own transparent colour is replaced by the brush.
    Canvas.Brush.Color = Color;
    const TColor key = Source.TransparentColor(), brush = KitColorToRGB(Color);
    TKitBitmap copy(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = SourceRect.Left + x, sy = SourceRect.Top + y;
        if (sx < 0 || sy < 0 || sx >= Source.Width() || sy >= Source.Height()) continue;
        const TColor c = Source.Pixel(sx, sy);
        copy.SetPixel(x, y, c == key ? brush : c);
      }
    Canvas.CopyMode = cmSrcCopy;
    forEachPlace([&](const TKitRect& Target) { Canvas.StretchDraw(Target, copy, {0, 0, w, h}); });
  } else if ((Flags & KitDrawMasked) && Mask != nullptr) {
    forEachPlace([&](const TKitRect& Target) {
      Canvas.CopyMode = cmSrcAnd;
      Canvas.StretchDraw(Target, *Mask, SourceRect);
      Canvas.CopyMode = cmSrcPaint;
      Canvas.StretchDraw(Target, Source, SourceRect);
    });
  } else if (Flags & KitDrawTransparent) {
    TKitBitmap mask, image;
    MakePair(
        w, h,
        [&](int X, int Y) {
          const int sx = SourceRect.Left + X, sy = SourceRect.Top + Y;
          return sx < 0 || sy < 0 || sx >= Source.Width() || sy >= Source.Height() ? clNone : Source.Pixel(sx, sy);
        },
        mask, Color, image);
    forEachPlace([&](const TKitRect& Target) {
      Canvas.CopyMode = cmSrcAnd;
      Canvas.StretchDraw(Target, mask, {0, 0, w, h});
      Canvas.CopyMode = cmSrcPaint;
      Canvas.StretchDraw(Target, image, {0, 0, w, h});
    });
  } else {
    Canvas.CopyMode = cmSrcCopy;
    forEachPlace([&](const TKitRect& Target) { Canvas.StretchDraw(Target, Source, SourceRect); });
  }
  Canvas.CopyMode = savedMode;
}

void KitForEachTile(const TKitCanvas& Canvas, const TKitRect& Rect, int W, int H,
                    const std::function<void(const TKitRect&)>& Draw) {
  const TKitRect clip = Canvas.ClipRect();
  if (W <= 0 || H <= 0 || clip.Right <= clip.Left) return;
  const int64_t rows = KitRectHeight(Rect) / H + 1, cols = KitRectWidth(Rect) / W + 1;
  const int64_t r0 = std::max<int64_t>(0, KitFloorDiv(int64_t(clip.Top) - Rect.Top, H));
  const int64_t r1 = std::min<int64_t>(rows, KitFloorDiv(int64_t(clip.Bottom) - 1 - Rect.Top, H));
  const int64_t c0 = std::max<int64_t>(0, KitFloorDiv(int64_t(clip.Left) - Rect.Left, W));
  const int64_t c1 = std::min<int64_t>(cols, KitFloorDiv(int64_t(clip.Right) - 1 - Rect.Left, W));
  for (int64_t r = r0; r <= r1; ++r)
    for (int64_t c = c0; c <= c1; ++c) {
      const int x = static_cast<int>(Rect.Left + c * W), y = static_cast<int>(Rect.Top + r * H);
      Draw(TKitRect{x, y, x + W, y + H});
    }
}

void KitDrawBitmap(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Bitmap, TKitRect& ResultRect,
                   TColor Color, unsigned Flags, const TKitBitmap* Mask) {
  // Palettes need no selecting on a true-colour surface (KitDrawPalette changes nothing).
  KitDrawPicture(Canvas, Rect, Bitmap, ResultRect, Mask, nullptr, Color, Flags,
                 {0, 0, Bitmap.Width(), Bitmap.Height()});
}

void KitDrawBitmapClipped(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Bitmap, TColor Color,
                          uint32_t ClipOffset, unsigned Flags, const TKitBitmap* Mask) {
  KitDrawPictureClipped(Canvas, Rect, Bitmap, Color, ClipOffset, Flags, Mask,
                        {0, 0, Bitmap.Width(), Bitmap.Height()});
}

void KitDrawPictureClipped(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Source, TColor Color,
                           uint32_t ClipOffset, unsigned Flags, const TKitBitmap* Mask, const TKitRect& SourceRect) {
  TKitRect result;
  if (!(Flags & KitDrawClip)) {
    KitDrawPicture(Canvas, Rect, Source, result, Mask, nullptr, Color, Flags, SourceRect);
    return;
  }
  const TKitClipScope clip(Canvas, KitOffsetRect(Rect, static_cast<int>(ClipOffset & 0xFFFF),
                                                 static_cast<int>(ClipOffset >> 16)));
  KitDrawPicture(Canvas, Rect, Source, result, Mask, nullptr, Color, Flags, SourceRect);
}

void KitAlignRect(TKitAlignment Alignment, const TKitRect& SizeRect, const TKitRect& Bounds, TKitRect& Result) {
  const int w = KitRectWidth(SizeRect), h = KitRectHeight(SizeRect);
  const int bw = KitRectWidth(Bounds), bh = KitRectHeight(Bounds);
  int dx = 0, dy = 0;
  switch (Alignment) {
    case agTopLeft: case agCenterLeft: case agBottomLeft: dx = 0; break;
    case agTopCenter: case agCenter: case agBottomCenter: dx = (bw - w) / 2; break;
    case agTopRight: case agCenterRight: case agBottomRight: dx = bw - w; break;
  }
  switch (Alignment) {
    case agTopLeft: case agTopCenter: case agTopRight: dy = 0; break;
    case agCenterLeft: case agCenter: case agCenterRight: dy = (bh - h) / 2; break;
    case agBottomLeft: case agBottomCenter: case agBottomRight: dy = bh - h; break;
  }
  Result = {Bounds.Left + dx, Bounds.Top + dy, Bounds.Left + dx + w, Bounds.Top + dy + h};
}

void KitPrepareBitmap(TKitBitmap* Bitmap, const TKitRect& Rect, TColor Color) {
  if (Bitmap == nullptr || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  Bitmap->SetSize(KitRectWidth(Rect), KitRectHeight(Rect));
  if (Color == clNone) return;
  TKitBitmapCanvas canvas(*Bitmap);
  canvas.FillRect({0, 0, Bitmap->Width(), Bitmap->Height()}, Color);
}

void KitMakeTransparentPair(const TKitCanvas& Canvas, const TKitRect& Rect, TKitBitmap* Mask, TColor Color,
                            TKitBitmap* Image) {
  if (Mask == nullptr || Image == nullptr) return;
  const TKitRect r = KitNormalizeRect(Rect);
  // Only what the canvas holds can be copied: the pair is never larger than the surface.
  const int w = std::min(KitRectWidth(r), Canvas.Width()), h = std::min(KitRectHeight(r), Canvas.Height());
  MakePair(std::max(w, 0), std::max(h, 0), [&](int X, int Y) { return Canvas.Pixel(r.Left + X, r.Top + Y); }, *Mask,
           Color, *Image);
}

void KitMakeTransparentPairFromBitmap(const TKitBitmap& Bitmap, TKitBitmap* Mask, TKitBitmap* Image, TColor Color) {
  if (Mask == nullptr || Image == nullptr) return;
  MakePair(Bitmap.Width(), Bitmap.Height(), [&](int X, int Y) { return Bitmap.Pixel(X, Y); }, *Mask, Color, *Image);
}

}  // namespace zv

// Pixel effects on rectangles of true-colour bitmaps (24 or 32 bits per pixel): grey scale,
// mirroring, inversion, brightness and the weighted blend of two bitmaps. Source and target
// may be the same bitmap. Rectangles have exclusive right and bottom edges; positions give
// the top-left pixel in the other bitmap. Every rectangle and position is cut to the
// bitmaps it touches, so pixels that would fall outside either bitmap are left alone.
#pragma once
#include <string>

#include "kit/graphics/bitmap.h"

namespace zv {

ZV_ERROR_CLASS(EKitWrongPixelFormat, Exception)

using TKitBrightness = int;  // -255..255

// 3 for 24 bits, 4 for 32 bits, 0 ("not supported") for every other format.
int KitBmpBytesPerPixel(const TKitBitmap& Bitmap);
uint8_t KitBmpClampByte(int Value);
// True for 24 and 32 bits; otherwise raises "Wrong PixelFormat in <Name> bitmap!".
bool KitBmpCheckFormat(const TKitBitmap& Bitmap, const std::string& Name);

// Each routine but the blend copies the whole source into the target when the source is not
// true colour, and otherwise first gives the target the source's pixel format.
void KitBmpGrayScale(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos);
void KitBmpFlipVertical(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos);
void KitBmpFlipHorizontal(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos);
void KitBmpInvert(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, const TKitPoint& Pos);
void KitBmpBrightness(const TKitBitmap& Source, const TKitRect& Rect, TKitBitmap& Target, TKitBrightness Delta,
                      const TKitPoint& Pos);
// Target = Source2 + (Source1 - Source2) * Strength per colour byte: 1 gives Source1, 0 Source2.
void KitBmpBlend(const TKitBitmap& Source1, const TKitBitmap& Source2, const TKitRect& Rect,
                 const TKitPoint& Source2Pos, TKitBitmap& Target, float Strength, const TKitPoint& TargetPos);

}  // namespace zv

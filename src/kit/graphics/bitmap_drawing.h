// The routines with which fills and image containers put pictures on a canvas: a constant-
// or per-pixel-alpha blend between two canvases, one routine that places a picture by a set
// of flags (top left, centred, stretched with or without keeping proportions, tiled; opaque
// or transparent in three ways), the alignment of a rectangle inside another and the
// preparation of a bitmap and of a mask/image pair for transparent drawing.
//
// A mask is a 1-bit bitmap whose colour table is black, white: white (1) marks the
// transparent pixels. Copied with AND it keeps the canvas where the picture is transparent
// and clears it elsewhere, so that the masked image (transparent pixels black) can follow
// with OR.
#pragma once
#include <cstdint>
#include <functional>

#include "kit/graphics/canvas.h"

namespace zv {

// Drawing flags, combined by OR.
constexpr unsigned KitDrawClip = 0x0001;           // cut the drawing to the target (clipped entry only)
constexpr unsigned KitDrawCenter = 0x0008;         // centre the picture
constexpr unsigned KitDrawStretch = 0x0010;        // stretch the picture to the target
constexpr unsigned KitDrawKeepHeight = 0x0200;     // with stretch: keep proportions, height given
constexpr unsigned KitDrawKeepWidth = 0x0400;      // with stretch: keep proportions, width given
constexpr unsigned KitDrawTile = 0x0020;           // tile the picture over the target
constexpr unsigned KitDrawTransparent = 0x0040;    // mask built from the transparent colour Color
constexpr unsigned KitDrawBrushCopy = 0x0080;      // the picture's own transparent colour becomes Color
constexpr unsigned KitDrawMasked = 0x0100;         // a mask is supplied
constexpr unsigned KitDrawPalette = 0x1000;        // select and realise the picture's palette

// Blends SourceRect of Source (stretched by nearest pixel when the sizes differ) over DestRect
// of Dest: each of red, green and blue becomes (a * source + (256 - a) * dest) >> 8, where a
// is Alpha with ConstantAlpha and otherwise the source pixel's fourth byte. Pixels outside
// either surface are left alone; Source may be Dest.
void KitAlphaBlendDC(TKitCanvas& Dest, const TKitRect& DestRect, const TKitCanvas& Source, bool ConstantAlpha,
                     uint8_t Alpha, const TKitRect& SourceRect);

// Draws SourceRect of Source into Rect as the flags place it; ResultRect receives where the
// picture went (empty when Rect is empty, Rect itself when tiled or when the picture has no
// area). Mask is used with KitDrawMasked (and must match Source), Color with
// KitDrawTransparent and KitDrawBrushCopy. The canvas's copy mode is left as it was.
void KitDrawPicture(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Source, TKitRect& ResultRect,
                    const TKitBitmap* Mask, const TKitPalette* Palette, TColor Color, unsigned Flags,
                    const TKitRect& SourceRect);
// The whole bitmap through KitDrawPicture.
void KitDrawBitmap(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Bitmap, TKitRect& ResultRect,
                   TColor Color, unsigned Flags, const TKitBitmap* Mask = nullptr);
// The same without a result; with KitDrawClip the drawing is cut to Rect moved by ClipOffset
// (low word x, high word y, both unsigned: the offset of the canvas's device origin).
void KitDrawBitmapClipped(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Bitmap, TColor Color,
                          uint32_t ClipOffset, unsigned Flags, const TKitBitmap* Mask = nullptr);
// KitDrawBitmapClipped for SourceRect of the picture (one image of a strip).
void KitDrawPictureClipped(TKitCanvas& Canvas, const TKitRect& Rect, const TKitBitmap& Source, TColor Color,
                           uint32_t ClipOffset, unsigned Flags, const TKitBitmap* Mask, const TKitRect& SourceRect);

// Calls Draw with each W x H tile of the tiling of Rect (tiles 0 .. Rect's size / the tile's
// size, both ways, from Rect's top-left corner) that meets the canvas's clip rectangle.
void KitForEachTile(const TKitCanvas& Canvas, const TKitRect& Rect, int W, int H,
                    const std::function<void(const TKitRect&)>& Draw);

// Rect of SizeRect's width and height placed inside Bounds by Alignment.
void KitAlignRect(TKitAlignment Alignment, const TKitRect& SizeRect, const TKitRect& Bounds, TKitRect& Result);

// Gives the bitmap the rectangle's size and, unless Color is clNone, fills it with Color.
// Nothing for a null bitmap or an empty rectangle.
void KitPrepareBitmap(TKitBitmap* Bitmap, const TKitRect& Rect, TColor Color);

// Image becomes a 24-bit copy of the canvas area and Mask the mask of the pixels of Color in
// it; the transparent pixels of Image are then black. Nothing when either bitmap is null.
void KitMakeTransparentPair(const TKitCanvas& Canvas, const TKitRect& Rect, TKitBitmap* Mask, TColor Color,
                            TKitBitmap* Image);
// The same for the whole bitmap.
void KitMakeTransparentPairFromBitmap(const TKitBitmap& Bitmap, TKitBitmap* Mask, TKitBitmap* Image, TColor Color);

}  // namespace zv

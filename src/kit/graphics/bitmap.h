// The memory bitmap of the graphics units and the logical palette.
//
// Layout of a TKitBitmap (the same as a bottom-up device-independent bitmap):
// - pixel memory: Height rows of BytesPerRow() = ((BitsPerPixel * Width + 31) / 32) * 4 bytes,
//   stored bottom-up: memory row 0 is image row Height - 1. ScanLine(y) gives image row y
//   (y = 0 is the top); Bits() gives memory row 0. Rows are zero after allocation.
// - pixels: 1, 4, 8 bits: colour-table indexes packed from the most significant bit;
//   16 bits: little-endian 5-6-5 (red high); 24 bits: blue, green, red bytes; 32 bits: blue,
//   green, red and a fourth byte that only the code that wrote it gives a meaning.
// - colour table: 256 entries (blue, green, red, reserved), ColorCount() of them in use;
//   present in every bitmap, used by the 1-, 4- and 8-bit formats.
// - alpha plane (optional): Width * Height bytes, top-down rows of Width bytes, 0 = clear.
// - transparency: a flag and a transparent colour for the drawing routines that leave one
//   colour out; the colour is the bottom-left pixel's unless one was set.
// Pixel and alpha memory are each limited to MaxImageBytes; a larger or failed allocation
// raises EKitOutOfResources and leaves the bitmap as it was.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/errors.h"
#include "kit/text/kit_types.h"

namespace zv {

ZV_ERROR_CLASS(EKitOutOfResources, Exception)
// The run time's picture errors: data that is no picture, and a refused operation.
ZV_ERROR_CLASS(EInvalidGraphic, Exception)
ZV_ERROR_CLASS(EInvalidGraphicOperation, Exception)

enum TKitPixelFormat { pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit };

struct TKitRGBQuad {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  uint8_t Reserved = 0;
  friend bool operator==(const TKitRGBQuad&, const TKitRGBQuad&) = default;
};

struct TKitPaletteEntry {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Flags = 0;
  friend bool operator==(const TKitPaletteEntry&, const TKitPaletteEntry&) = default;
};

// A logical palette: what a picture would like the display to realise. Realising is a no-op
// on a 24-bit display, so the entries are all there is.
struct TKitPalette {
  std::vector<TKitPaletteEntry> Entries;
};

int KitBitsPerPixel(TKitPixelFormat Format);
// Fills Count entries (up to 256) with the fixed halftone table: the 16 standard colours,
// a 6 x 6 x 6 colour cube and a gray ramp.
void KitHalftoneTable(TKitRGBQuad* Table, int Count);

class TKitBitmap {
 public:
  static constexpr int64_t MaxImageBytes = int64_t(1) << 30;

  TKitBitmap();
  TKitBitmap(int Width, int Height, TKitPixelFormat Format = pf24bit);
  TKitBitmap(const TKitBitmap& Other);
  TKitBitmap& operator=(const TKitBitmap& Other);
  TKitBitmap(TKitBitmap&&) noexcept = default;
  TKitBitmap& operator=(TKitBitmap&&) noexcept = default;

  // A plain copy of the whole picture: size, format, pixels, colour table and alpha plane.
  void Assign(const TKitBitmap& Source) { *this = Source; }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  TKitPixelFormat PixelFormat() const { return FFormat; }
  int BitsPerPixel() const { return KitBitsPerPixel(FFormat); }
  int BytesPerRow() const { return RowBytes(FWidth, FFormat); }
  static int RowBytes(int Width, TKitPixelFormat Format) {
    return static_cast<int>((static_cast<int64_t>(KitBitsPerPixel(Format)) * Width + 31) / 32 * 4);
  }
  int64_t ImageSize() const { return static_cast<int64_t>(BytesPerRow()) * FHeight; }

  // New size; the part of the picture (and alpha plane) that fits is kept, the rest is zero.
  void SetSize(int Width, int Height);
  // Converts every pixel to the new format; an indexed format keeps the colour table when
  // the bitmap had one in use, else it takes the default table of its size.
  void SetPixelFormat(TKitPixelFormat Format);

  uint8_t* Bits() { return FBits.get(); }
  const uint8_t* Bits() const { return FBits.get(); }
  uint8_t* ScanLine(int Row) { return FBits.get() + static_cast<int64_t>(FHeight - 1 - Row) * BytesPerRow(); }
  const uint8_t* ScanLine(int Row) const {
    return FBits.get() + static_cast<int64_t>(FHeight - 1 - Row) * BytesPerRow();
  }

  TKitRGBQuad* ColorTable() { return FColorTable; }
  const TKitRGBQuad* ColorTable() const { return FColorTable; }
  int ColorCount() const { return FColorCount; }
  void SetColorCount(int Count) { FColorCount = KitClamp(Count, 0, 256); }

  // Pixel colours as 0x00BBGGRR; outside the bitmap reads 0 and writes nothing. Writing an
  // indexed pixel stores the nearest colour-table entry.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);
  int NearestColorIndex(TColor Color) const;
  // The colour-table index of a 1-, 4- or 8-bit pixel; -1 for other formats and outside.
  int ColorIndex(int X, int Y) const;
  // Stores an index into a 1-, 4- or 8-bit pixel (cut to the format's bits).
  void SetColorIndex(int X, int Y, int Index);

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  // The set colour (as RGB), or the colour of the bottom-left pixel while none is set.
  TColor TransparentColor() const;
  // clDefault goes back to the bottom-left pixel.
  void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

  bool HasAlpha() const { return FAlpha != nullptr; }
  void AllocateAlpha(uint8_t Fill);
  void FreeAlpha() { FAlpha.reset(); }
  uint8_t* AlphaBits() { return FAlpha.get(); }
  const uint8_t* AlphaBits() const { return FAlpha.get(); }
  uint8_t* AlphaScanLine(int Row) { return FAlpha ? FAlpha.get() + static_cast<int64_t>(Row) * FWidth : nullptr; }
  const uint8_t* AlphaScanLine(int Row) const {
    return FAlpha ? FAlpha.get() + static_cast<int64_t>(Row) * FWidth : nullptr;
  }

 private:
  struct TFree {
    void operator()(uint8_t* P) const { std::free(P); }
  };
  using TMemory = std::unique_ptr<uint8_t, TFree>;
  static TMemory Allocate(int64_t Bytes);
  void SetDefaultColorTable();

  int FWidth = 0;
  int FHeight = 0;
  TKitPixelFormat FFormat = pf24bit;
  TMemory FBits;
  TMemory FAlpha;
  TKitRGBQuad FColorTable[256];
  int FColorCount = 0;
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;
};

}  // namespace zv

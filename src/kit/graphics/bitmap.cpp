#include "kit/graphics/bitmap.h"

#include <cstring>
#include <limits>

#include "kit/graphics/graphics_types.h"

namespace zv {

int KitBitsPerPixel(TKitPixelFormat Format) {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
  }
  return 0;
}

void KitHalftoneTable(TKitRGBQuad* Table, int Count) {
  static const TColor kStandard[16] = {clBlack, clMaroon, clGreen,  clOlive, clNavy, clPurple,
                                       clTeal,  clSilver, clGray,   clRed,   clLime, clYellow,
                                       clBlue,  clFuchsia, clAqua,  clWhite};
  TKitRGBQuad all[256];
  int n = 0;
  for (TColor c : kStandard) all[n++] = {KitGetBValue(c), KitGetGValue(c), KitGetRValue(c), 0};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        all[n++] = {static_cast<uint8_t>(b * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(r * 51), 0};
  for (int i = 0; n < 256; ++i) {
    const auto v = static_cast<uint8_t>((i + 1) * 255 / 25);
    all[n++] = {v, v, v, 0};
  }
  Count = KitClamp(Count, 0, 256);
  if (Count == 2) {  // a two-colour table is black and white
    Table[0] = all[0];
    Table[1] = all[15];
    return;
  }
  std::memcpy(Table, all, sizeof(TKitRGBQuad) * Count);
}

TKitBitmap::TKitBitmap() = default;

TKitBitmap::TKitBitmap(int Width, int Height, TKitPixelFormat Format) : FFormat(Format) {
  SetDefaultColorTable();
  SetSize(Width, Height);
}

TKitBitmap::TKitBitmap(const TKitBitmap& Other) { *this = Other; }

TKitBitmap& TKitBitmap::operator=(const TKitBitmap& Other) {
  if (this == &Other) return *this;
  TMemory bits = Allocate(Other.ImageSize());
  TMemory alpha = Other.FAlpha ? Allocate(static_cast<int64_t>(Other.FWidth) * Other.FHeight) : nullptr;
  if (bits) std::memcpy(bits.get(), Other.FBits.get(), static_cast<size_t>(Other.ImageSize()));
  if (alpha) std::memcpy(alpha.get(), Other.FAlpha.get(), static_cast<size_t>(Other.FWidth) * Other.FHeight);
  FWidth = Other.FWidth;
  FHeight = Other.FHeight;
  FFormat = Other.FFormat;
  FBits = std::move(bits);
  FAlpha = std::move(alpha);
  std::memcpy(FColorTable, Other.FColorTable, sizeof FColorTable);
  FColorCount = Other.FColorCount;
  FTransparent = Other.FTransparent;
  FTransparentColor = Other.FTransparentColor;
  return *this;
}

TKitBitmap::TMemory TKitBitmap::Allocate(int64_t Bytes) {
  if (Bytes < 0 || Bytes > MaxImageBytes) throw EKitOutOfResources("Out of system resources");
  if (Bytes == 0) return nullptr;
  // calloc hands out zero pages that cost nothing until they are written.
  auto* p = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(Bytes), 1));
  if (p == nullptr) throw EKitOutOfResources("Out of system resources");
  return TMemory(p);
}

void TKitBitmap::SetDefaultColorTable() {
  const int bpp = BitsPerPixel();
  FColorCount = bpp <= 8 ? 1 << bpp : 0;
  if (FColorCount != 0) KitHalftoneTable(FColorTable, FColorCount);
}

void TKitBitmap::SetSize(int Width, int Height) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Width == 0 || Height == 0) Width = Height = 0;
  if (Width == FWidth && Height == FHeight) return;
  const int newRow = RowBytes(Width, FFormat);
  if (Width != 0 && static_cast<int64_t>(Width) * Height > MaxImageBytes)
    throw EKitOutOfResources("Out of system resources");
  TMemory bits = Allocate(static_cast<int64_t>(newRow) * Height);
  TMemory alpha = FAlpha ? Allocate(static_cast<int64_t>(Width) * Height) : nullptr;
  const int rows = std::min(Height, FHeight);
  const int rowBytes = std::min(newRow, BytesPerRow());
  for (int y = 0; y < rows; ++y) {
    std::memcpy(bits.get() + static_cast<int64_t>(Height - 1 - y) * newRow, ScanLine(y), rowBytes);
    if (alpha) std::memcpy(alpha.get() + static_cast<int64_t>(y) * Width, AlphaScanLine(y), std::min(Width, FWidth));
  }
  FWidth = Width;
  FHeight = Height;
  FBits = std::move(bits);
  FAlpha = std::move(alpha);
}

void TKitBitmap::SetPixelFormat(TKitPixelFormat Format) {
  if (Format == FFormat) return;
  TKitBitmap result;
  result.FFormat = Format;
  const int bpp = KitBitsPerPixel(Format);
  if (bpp <= 8 && BitsPerPixel() <= 8 && FColorCount > 0) {
    std::memcpy(result.FColorTable, FColorTable, sizeof FColorTable);
    result.FColorCount = std::min(FColorCount, 1 << bpp);
  } else {
    result.SetDefaultColorTable();
  }
  result.SetSize(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) result.SetPixel(x, y, Pixel(x, y));
  result.FAlpha = std::move(FAlpha);
  result.FTransparent = FTransparent;
  result.FTransparentColor = FTransparentColor;
  *this = std::move(result);
}

int TKitBitmap::ColorIndex(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return -1;
  const uint8_t* row = ScanLine(Y);
  switch (FFormat) {
    case pf1bit: return (row[X >> 3] >> (7 - (X & 7))) & 1;
    case pf4bit: return (row[X >> 1] >> ((X & 1) ? 0 : 4)) & 15;
    case pf8bit: return row[X];
    default: return -1;
  }
}

TColor TKitBitmap::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  const uint8_t* row = ScanLine(Y);
  int index;
  switch (FFormat) {
    case pf1bit:
    case pf4bit:
    case pf8bit: index = ColorIndex(X, Y); break;
    case pf16bit: {
      const int w = row[2 * X] | (row[2 * X + 1] << 8);
      const int r = (w >> 11) & 31, g = (w >> 5) & 63, b = w & 31;
      return KitRGB(static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
                    static_cast<uint8_t>((b << 3) | (b >> 2)));
    }
    case pf24bit: return KitRGB(row[3 * X + 2], row[3 * X + 1], row[3 * X]);
    case pf32bit: return KitRGB(row[4 * X + 2], row[4 * X + 1], row[4 * X]);
    default: return 0;
  }
  const TKitRGBQuad& q = FColorTable[index];
  return KitRGB(q.Red, q.Green, q.Blue);
}

int TKitBitmap::NearestColorIndex(TColor Color) const {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < std::max(FColorCount, 1); ++i) {
    const TKitRGBQuad& q = FColorTable[i];
    const int dr = q.Red - KitGetRValue(Color), dg = q.Green - KitGetGValue(Color), db = q.Blue - KitGetBValue(Color);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

void TKitBitmap::SetColorIndex(int X, int Y, int Index) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  uint8_t* row = ScanLine(Y);
  switch (FFormat) {
    case pf1bit: {
      const auto mask = static_cast<uint8_t>(0x80 >> (X & 7));
      row[X >> 3] = static_cast<uint8_t>((Index & 1) ? row[X >> 3] | mask : row[X >> 3] & ~mask);
      break;
    }
    case pf4bit: {
      const int shift = (X & 1) ? 0 : 4;
      row[X >> 1] = static_cast<uint8_t>((row[X >> 1] & ~(15 << shift)) | ((Index & 15) << shift));
      break;
    }
    case pf8bit: row[X] = static_cast<uint8_t>(Index); break;
    default: break;
  }
}

void TKitBitmap::SetPixel(int X, int Y, TColor Color) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  uint8_t* row = ScanLine(Y);
  const uint8_t r = KitGetRValue(Color), g = KitGetGValue(Color), b = KitGetBValue(Color);
  switch (FFormat) {
    case pf1bit:
    case pf4bit:
    case pf8bit: SetColorIndex(X, Y, NearestColorIndex(Color)); break;
    case pf16bit: {
      const int w = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      row[2 * X] = static_cast<uint8_t>(w);
      row[2 * X + 1] = static_cast<uint8_t>(w >> 8);
      break;
    }
    case pf24bit:
      row[3 * X] = b;
      row[3 * X + 1] = g;
      row[3 * X + 2] = r;
      break;
    case pf32bit:
      row[4 * X] = b;
      row[4 * X + 1] = g;
      row[4 * X + 2] = r;
      break;
  }
}

TColor TKitBitmap::TransparentColor() const {
  return FTransparentColor == clDefault ? Pixel(0, FHeight - 1) : KitColorToRGB(FTransparentColor);
}

void TKitBitmap::AllocateAlpha(uint8_t Fill) {
  TMemory alpha = Allocate(static_cast<int64_t>(FWidth) * FHeight);
  if (alpha && Fill != 0) std::memset(alpha.get(), Fill, static_cast<size_t>(FWidth) * FHeight);
  FAlpha = std::move(alpha);
}

}  // namespace zv

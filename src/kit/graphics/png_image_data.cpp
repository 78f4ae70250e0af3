#include "kit/graphics/png_image_data.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <span>
#include <vector>

#include "kit/graphics/png_image.h"

namespace zv {

namespace {

// Bits per pixel of the bitmap for a colour type and bit depth; 0 for an impossible pair.
int BitmapBits(unsigned ColorType, unsigned BitDepth) {
  switch (ColorType) {
    case COLOR_GRAYSCALE:
      return BitDepth == 1 ? 1 : BitDepth == 2 || BitDepth == 4 ? 4 : BitDepth == 8 || BitDepth == 16 ? 8 : 0;
    case COLOR_PALETTE: return BitDepth == 1 ? 1 : BitDepth == 2 || BitDepth == 4 ? 4 : BitDepth == 8 ? 8 : 0;
    case COLOR_GRAYSCALEALPHA: return BitDepth == 8 || BitDepth == 16 ? 8 : 0;
    case COLOR_RGB:
    case COLOR_RGBALPHA: return BitDepth == 8 || BitDepth == 16 ? 24 : 0;
    default: return 0;
  }
}

TKitPixelFormat FormatOfBits(int Bits) {
  switch (Bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    default: return pf24bit;
  }
}

TKitPNGObject& OwnerOf(TKitPNGObject* Owner) {
  if (Owner == nullptr) TKitPNGObject::RaiseError<EKitPNGHeaderNotPresent>(KitPNGText::HeaderNotPresent);
  return *Owner;
}

// A palette of Count gray levels through the gamma table.
std::unique_ptr<TKitPalette> GrayPalette(int Count, const uint8_t* GammaTable) {
  auto palette = std::make_unique<TKitPalette>();
  palette->Entries.resize(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) {
    const auto v = GammaTable[static_cast<int>(std::nearbyint(i * 255.0 / std::max(Count - 1, 1)))];
    palette->Entries[i] = {v, v, v, 0};
  }
  return palette;
}

void ReadHead(TKitStream& Stream, uint8_t* Bytes, int Count) {
  if (Stream.Read(Bytes, Count) != Count) std::memset(Bytes, 0, static_cast<size_t>(Count));
}

}  // namespace

void KitPNGRowLayout(const TKitPNGIHDRData& Header, uint32_t Pixels, uint32_t& RowBytes, uint32_t& Offset) {
  const uint64_t n = Pixels, d = Header.BitDepth;
  RowBytes = Offset = 0;
  if (BitmapBits(Header.ColorType, Header.BitDepth) == 0) return;
  switch (Header.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
      RowBytes = static_cast<uint32_t>((n * d + 7) / 8);
      Offset = Header.ColorType == COLOR_GRAYSCALE && d == 16 ? 2 : 1;
      break;
    case COLOR_RGB:
      RowBytes = static_cast<uint32_t>(n * d * 3 / 8);
      Offset = static_cast<uint32_t>(d * 3 / 8);
      break;
    case COLOR_GRAYSCALEALPHA:
      RowBytes = static_cast<uint32_t>(n * d * 2 / 8);
      Offset = static_cast<uint32_t>(d / 4);
      break;
    case COLOR_RGBALPHA:
      RowBytes = static_cast<uint32_t>(n * d * 4 / 8);
      Offset = static_cast<uint32_t>(d / 2);
      break;
  }
}

// ---- IHDR ----

bool TKitPNGChunkIHDR::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize < 13) TKitPNGObject::RaiseError<EKitPNGInvalidIHDR>(KitPNGText::InvalidIHDR);
  IHDRData.Width = KitPNGReadBE32(fData.data());
  IHDRData.Height = KitPNGReadBE32(fData.data() + 4);
  IHDRData.BitDepth = fData[8];
  IHDRData.ColorType = fData[9];
  IHDRData.CompressionMethod = fData[10];
  IHDRData.FilterMethod = fData[11];
  IHDRData.InterlaceMethod = fData[12];
  if (IHDRData.Width > 65535 || IHDRData.Height > 65535)
    TKitPNGObject::RaiseError<EKitPNGSizeExceeds>(KitPNGText::SizeExceeds);
  if (IHDRData.CompressionMethod != 0)
    TKitPNGObject::RaiseError<EKitPNGUnknownCompression>(KitPNGText::UnknownCompression);
  if (IHDRData.InterlaceMethod > 1) TKitPNGObject::RaiseError<EKitPNGUnknownInterlace>(KitPNGText::UnknownInterlace);
  OwnerOf(fOwner).SetInterlaceMethod(IHDRData.InterlaceMethod == 1 ? imAdam7 : imNone);
  AllocateImage();
  return result;
}

bool TKitPNGChunkIHDR::SaveToStream(TKitStream& Stream) {
  // 2-bit images are held and written as 4-bit ones.
  if (IHDRData.BitDepth == 2) IHDRData.BitDepth = 4;
  ResizeData(13);
  KitPNGWriteBE32(fData.data(), IHDRData.Width);
  KitPNGWriteBE32(fData.data() + 4, IHDRData.Height);
  fData[8] = IHDRData.BitDepth;
  fData[9] = IHDRData.ColorType;
  fData[10] = IHDRData.CompressionMethod;
  fData[11] = IHDRData.FilterMethod;
  fData[12] = static_cast<uint8_t>(OwnerOf(fOwner).InterlaceMethod());
  return TKitPNGChunk::SaveToStream(Stream);
}

void TKitPNGChunkIHDR::Assign(const TKitPNGChunk& Source) {
  const auto* src = dynamic_cast<const TKitPNGChunkIHDR*>(&Source);
  if (src == nullptr) TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::ChunksNotCompatible);
  IHDRData = src->IHDRData;
  AllocateImage();
  ImageBitmap = src->ImageBitmap;
  if (fOwner != nullptr)
    fOwner->SetPalette(src->ImagePalette ? std::make_unique<TKitPalette>(*src->ImagePalette) : nullptr);
}

void TKitPNGChunkIHDR::AllocateImage() {
  ReleaseImage();
  const int bits = BitmapBits(IHDRData.ColorType, IHDRData.BitDepth);
  // An impossible format or an empty image has no bitmap to hold it.
  if (bits == 0 || IHDRData.Width == 0 || IHDRData.Height == 0 || IHDRData.Width > 65535 || IHDRData.Height > 65535)
    TKitPNGObject::RaiseError<EKitPNGInvalidIHDR>(KitPNGText::InvalidIHDR);
  HasPalette = IHDRData.ColorType == COLOR_GRAYSCALE || IHDRData.ColorType == COLOR_PALETTE ||
               IHDRData.ColorType == COLOR_GRAYSCALEALPHA;
  try {
    TKitBitmap bitmap(static_cast<int>(IHDRData.Width), static_cast<int>(IHDRData.Height), FormatOfBits(bits));
    if (IHDRData.ColorType == COLOR_GRAYSCALEALPHA || IHDRData.ColorType == COLOR_RGBALPHA) bitmap.AllocateAlpha(0);
    ImageBitmap = std::move(bitmap);
  } catch (const EKitOutOfResources&) {
    TKitPNGObject::RaiseError<EKitPNGOutMemory>(KitPNGText::OutMemory);
  }
  if (!HasPalette) return;
  std::unique_ptr<TKitPalette> palette;
  if (IHDRData.ColorType == COLOR_PALETTE) {
    palette = std::make_unique<TKitPalette>();
    TKitRGBQuad table[256];
    KitHalftoneTable(table, 256);
    for (const TKitRGBQuad& q : table) palette->Entries.push_back({q.Red, q.Green, q.Blue, 0});
  } else {
    const int depth = IHDRData.BitDepth == 16 ? 8 : IHDRData.BitDepth;
    palette = GrayPalette(1 << depth, OwnerOf(fOwner).GammaTable);
  }
  palette->Entries.resize(static_cast<size_t>(1) << bits);
  ImageBitmap.SetColorCount(1 << bits);
  TKitRGBQuad* table = ImageBitmap.ColorTable();
  for (size_t i = 0; i < palette->Entries.size(); ++i)
    table[i] = {palette->Entries[i].Blue, palette->Entries[i].Green, palette->Entries[i].Red, 0};
  ImagePalette = std::move(palette);
}

void TKitPNGChunkIHDR::ReleaseImage() {
  ImageBitmap = TKitBitmap();
  ImagePalette.reset();
}

// ---- PLTE ----

bool TKitPNGChunkPLTE::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize % 3 != 0 || fDataSize / 3 > 256)
    TKitPNGObject::RaiseError<EKitPNGInvalidPalette>(KitPNGText::InvalidPalette);
  fCount = static_cast<int>(fDataSize / 3);
  TKitPNGObject& owner = OwnerOf(fOwner);
  auto palette = std::make_unique<TKitPalette>();
  for (int i = 0; i < fCount; ++i)
    palette->Entries.push_back({owner.GammaTable[fData[3 * i]], owner.GammaTable[fData[3 * i + 1]],
                                owner.GammaTable[fData[3 * i + 2]], 0});
  owner.SetPalette(std::move(palette));
  return result;
}

bool TKitPNGChunkPLTE::SaveToStream(TKitStream& Stream) {
  TKitPNGObject& owner = OwnerOf(fOwner);
  TKitPNGChunkIHDR* header = Header();
  if (fCount == 0 && header != nullptr) fCount = header->Image().ColorCount();
  fCount = KitClamp(fCount, 0, 256);
  ResizeData(static_cast<uint32_t>(fCount * 3));
  const TKitPalette* palette = owner.Palette();
  for (int i = 0; i < fCount; ++i) {
    TKitPaletteEntry e;
    if (palette != nullptr && i < static_cast<int>(palette->Entries.size())) e = palette->Entries[i];
    fData[3 * i] = owner.InverseGamma[e.Red];
    fData[3 * i + 1] = owner.InverseGamma[e.Green];
    fData[3 * i + 2] = owner.InverseGamma[e.Blue];
  }
  return TKitPNGChunk::SaveToStream(Stream);
}

void TKitPNGChunkPLTE::Assign(const TKitPNGChunk& Source) {
  const auto* src = dynamic_cast<const TKitPNGChunkPLTE*>(&Source);
  if (src == nullptr) TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::ChunksNotCompatible);
  fCount = src->fCount;
}

TKitRGBQuad TKitPNGChunkPLTE::GetPaletteItem(int Index) const {
  if (Index < 0 || Index >= fCount) TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::NoSuchPaletteEntry);
  const TKitPNGChunkIHDR* header = Header();
  return header != nullptr ? header->Image().ColorTable()[Index] : TKitRGBQuad{};
}

// ---- tRNS ----

TKitPNGChunktRNS::TKitPNGChunktRNS(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "tRNS") {
  std::memset(PaletteValues, 255, sizeof PaletteValues);
}

bool TKitPNGChunktRNS::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize > 256) TKitPNGObject::RaiseError<EKitPNGInvalidPalette>(KitPNGText::InvalidPalette);
  std::memset(PaletteValues, 255, sizeof PaletteValues);
  std::memcpy(PaletteValues, fData.data(), fDataSize);
  const TKitPNGChunkIHDR* header = Header();
  const int colorType = header != nullptr ? header->ColorType() : -1;
  if (colorType == COLOR_GRAYSCALE || colorType == COLOR_RGB) {
    fBitTransparency = true;
  } else if (colorType == COLOR_PALETTE) {
    // One translucent entry is a transparent colour; more are partial transparency.
    int translucent = 0;
    for (uint32_t i = 0; i < fDataSize; ++i)
      if (PaletteValues[i] != 255) ++translucent;
    fBitTransparency = translucent == 1;
  }
  return result;
}

bool TKitPNGChunktRNS::SaveToStream(TKitStream& Stream) {
  if (fDataSize <= 256) std::memcpy(fData.data(), PaletteValues, fDataSize);
  return TKitPNGChunk::SaveToStream(Stream);
}

void TKitPNGChunktRNS::Assign(const TKitPNGChunk& Source) {
  if (const auto* src = dynamic_cast<const TKitPNGChunktRNS*>(&Source)) {
    std::memcpy(PaletteValues, src->PaletteValues, sizeof PaletteValues);
    fBitTransparency = src->fBitTransparency;
  }
  TKitPNGChunk::Assign(Source);
}

uint32_t TKitPNGChunktRNS::TransparentColor() const {
  const TKitPNGChunkIHDR* header = Header();
  if (header == nullptr) return 0;
  const TKitRGBQuad* table = header->Image().ColorTable();
  switch (header->ColorType()) {
    case COLOR_GRAYSCALE:
      if (fDataSize >= 2) {
        const TKitRGBQuad& q = table[fData[1]];
        return q.Red | (q.Red << 8) | (q.Red << 16);
      }
      return 0;
    case COLOR_RGB:
      if (fDataSize >= 6 && fOwner != nullptr)
        return fOwner->GammaTable[fData[1]] | (fOwner->GammaTable[fData[3]] << 8) |
               (fOwner->GammaTable[fData[5]] << 16);
      return 0;
    case COLOR_PALETTE:
      for (uint32_t i = 0; i < fDataSize && i < 256; ++i)
        if (PaletteValues[i] == 0) return table[i].Red | (table[i].Green << 8) | (table[i].Blue << 16);
      return 0;
    default: return 0;
  }
}

void TKitPNGChunktRNS::SetTransparentColor(uint32_t Value) {
  std::memset(PaletteValues, 0, sizeof PaletteValues);
  fBitTransparency = true;
  const TKitPNGChunkIHDR* header = Header();
  if (header == nullptr) return;
  const uint8_t r = static_cast<uint8_t>(Value), g = static_cast<uint8_t>(Value >> 8),
                b = static_cast<uint8_t>(Value >> 16);
  switch (header->ColorType()) {
    case COLOR_GRAYSCALE:
      ResizeData(2);
      fData[0] = 0;
      fData[1] = r;
      break;
    case COLOR_RGB: {
      ResizeData(6);
      const uint8_t bytes[6] = {0, r, 0, g, 0, b};
      std::memcpy(fData.data(), bytes, 6);
      break;
    }
    case COLOR_PALETTE: {
      const TKitRGBQuad* table = header->Image().ColorTable();
      int index = 0;
      for (int i = 0; i < 256; ++i)
        if (table[i].Blue == b && table[i].Green == g && table[i].Red == r) {
          index = i;
          break;
        }
      std::memset(PaletteValues, 255, static_cast<size_t>(index));
      ResizeData(static_cast<uint32_t>(index + 1));
      break;
    }
    default: break;
  }
}

// ---- gAMA ----

TKitPNGChunkgAMA::TKitPNGChunkgAMA(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "gAMA") { SetGamma(1); }

uint32_t TKitPNGChunkgAMA::Gamma() {
  if (fDataSize == 4) return KitPNGReadBE32(fData.data());
  ResizeData(4);
  return 1;
}

void TKitPNGChunkgAMA::SetGamma(uint32_t Value) {
  ResizeData(4);
  KitPNGWriteBE32(fData.data(), Value);
}

bool TKitPNGChunkgAMA::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  const uint32_t gamma = Gamma();
  if (gamma != 0 && fOwner != nullptr) {
    const double exponent = 1.0 / (gamma / 100000.0 * 2.2);
    for (int i = 0; i < 256; ++i) {
      const double v = i == 0 ? 0.0 : std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
      const auto g = static_cast<uint8_t>(KitClamp(v, 0.0, 255.0));
      fOwner->GammaTable[i] = g;
      fOwner->InverseGamma[g] = static_cast<uint8_t>(i);
    }
  }
  return result;
}

void TKitPNGChunkgAMA::Assign(const TKitPNGChunk& Source) {
  auto* src = dynamic_cast<const TKitPNGChunkgAMA*>(&Source);
  if (src == nullptr) TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::ChunksNotCompatible);
  SetGamma(const_cast<TKitPNGChunkgAMA*>(src)->Gamma());
}

// ---- IDAT ----

namespace {

struct TPass {
  int Row, Col, RowStep, ColStep;
};
constexpr TPass kAdam7[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                             {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

inline uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the row's filter in place; Row and Prev start with the filter byte.
void Unfilter(uint8_t* Row, const uint8_t* Prev, uint32_t Count, uint32_t Offset) {
  uint8_t* r = Row + 1;
  const uint8_t* p = Prev + 1;
  switch (Row[0]) {
    case 1:
      for (uint32_t i = Offset; i < Count; ++i) r[i] = static_cast<uint8_t>(r[i] + r[i - Offset]);
      break;
    case 2:
      for (uint32_t i = 0; i < Count; ++i) r[i] = static_cast<uint8_t>(r[i] + p[i]);
      break;
    case 3:
      for (uint32_t i = 0; i < std::min(Offset, Count); ++i) r[i] = static_cast<uint8_t>(r[i] + (p[i] >> 1));
      for (uint32_t i = Offset; i < Count; ++i) r[i] = static_cast<uint8_t>(r[i] + ((r[i - Offset] + p[i]) >> 1));
      break;
    case 4:
      for (uint32_t i = 0; i < std::min(Offset, Count); ++i) r[i] = static_cast<uint8_t>(r[i] + p[i]);
      for (uint32_t i = Offset; i < Count; ++i)
        r[i] = static_cast<uint8_t>(r[i] + Paeth(r[i - Offset], p[i], p[i - Offset]));
      break;
    default: break;  // None, and unknown filters leave the row as it is
  }
}

// Where decoded rows go and where encoded rows come from.
class TRowMapper {
 public:
  TRowMapper(TKitPNGObject& Owner, TKitPNGChunkIHDR& Header)
      : FOwner(Owner), FBitmap(Header.Image()), FColorType(Header.ColorType()), FDepth(Header.BitDepth()) {}

  // Stores Pixels decoded samples of Src on image row Y at columns Col, Col + Step, ...
  void Store(const uint8_t* Src, int Y, int Col, int Step, uint32_t Pixels) {
    uint8_t* row = FBitmap.ScanLine(Y);
    uint8_t* alpha = FBitmap.AlphaScanLine(Y);
    const uint8_t* gamma = FOwner.GammaTable;
    const int hi = FDepth == 16 ? 2 : 1;  // bytes per sample; the first is the high byte
    switch (FColorType) {
      case COLOR_GRAYSCALE:
      case COLOR_PALETTE:
        if (FDepth == 16) {
          for (uint32_t i = 0; i < Pixels; ++i) row[Col + i * Step] = Src[2 * i];
        } else if (FDepth == 2) {
          // Gray levels 0..3 become 0, 5, 10, 15 so that white stays white on 16 levels.
          const int scale = FColorType == COLOR_GRAYSCALE ? 5 : 1;
          for (uint32_t i = 0; i < Pixels; ++i) {
            const int v = ((Src[i >> 2] >> (6 - 2 * (i & 3))) & 3) * scale;
            SetNibble(row, Col + static_cast<int>(i) * Step, v);
          }
        } else if (Step == 1 && Col == 0) {
          std::memcpy(row, Src, (Pixels * FDepth + 7) / 8);
        } else if (FDepth == 8) {
          for (uint32_t i = 0; i < Pixels; ++i) row[Col + i * Step] = Src[i];
        } else if (FDepth == 4) {
          for (uint32_t i = 0; i < Pixels; ++i)
            SetNibble(row, Col + static_cast<int>(i) * Step, (Src[i >> 1] >> ((i & 1) ? 0 : 4)) & 15);
        } else {
          for (uint32_t i = 0; i < Pixels; ++i) {
            const int x = Col + static_cast<int>(i) * Step;
            const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
            if ((Src[i >> 3] >> (7 - (i & 7))) & 1)
              row[x >> 3] |= mask;
            else
              row[x >> 3] &= static_cast<uint8_t>(~mask);
          }
        }
        break;
      case COLOR_GRAYSCALEALPHA:
        for (uint32_t i = 0; i < Pixels; ++i) {
          row[Col + i * Step] = Src[2 * hi * i];
          alpha[Col + i * Step] = Src[2 * hi * i + hi];
        }
        break;
      case COLOR_RGB:
      case COLOR_RGBALPHA: {
        const int channels = FColorType == COLOR_RGB ? 3 : 4;
        const uint32_t stride = channels * hi;
        uint8_t* t = row + 3 * Col;
        const uint32_t tStep = 3 * Step;
        if (hi == 1 && channels == 4) {
          for (uint32_t i = 0; i < Pixels; ++i, Src += 4, t += tStep) {
            t[0] = gamma[Src[2]];
            t[1] = gamma[Src[1]];
            t[2] = gamma[Src[0]];
            alpha[Col + i * Step] = Src[3];
          }
        } else {
          for (uint32_t i = 0; i < Pixels; ++i, Src += stride, t += tStep) {
            t[0] = gamma[Src[2 * hi]];
            t[1] = gamma[Src[hi]];
            t[2] = gamma[Src[0]];
            if (channels == 4) alpha[Col + i * Step] = Src[3 * hi];
          }
        }
        break;
      }
    }
  }

  // Builds the raw PNG row of Pixels samples from image row Y, columns Col, Col + Step, ...
  void Fetch(uint8_t* Dst, int Y, int Col, int Step, uint32_t Pixels, uint32_t RowBytes) {
    const uint8_t* row = FBitmap.ScanLine(Y);
    const uint8_t* alpha = FBitmap.AlphaScanLine(Y);
    const uint8_t* inverse = FOwner.InverseGamma;
    const int hi = FDepth == 16 ? 2 : 1;
    std::memset(Dst, 0, RowBytes);
    switch (FColorType) {
      case COLOR_GRAYSCALE:
      case COLOR_PALETTE:
        if (FDepth == 16) {
          for (uint32_t i = 0; i < Pixels; ++i) Dst[2 * i] = row[Col + i * Step];
        } else if (Step == 1 && Col == 0) {
          std::memcpy(Dst, row, RowBytes);
        } else {
          const int depth = FDepth == 2 ? 4 : FDepth;
          for (uint32_t i = 0; i < Pixels; ++i) {
            const int x = Col + static_cast<int>(i) * Step;
            int v;
            if (depth == 8) v = row[x];
            else if (depth == 4) v = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
            else v = (row[x >> 3] >> (7 - (x & 7))) & 1;
            const uint32_t bit = i * depth;
            Dst[bit >> 3] |= static_cast<uint8_t>(v << (8 - depth - (bit & 7)));
          }
        }
        break;
      case COLOR_GRAYSCALEALPHA:
        for (uint32_t i = 0; i < Pixels; ++i) {
          Dst[2 * hi * i] = row[Col + i * Step];
          Dst[2 * hi * i + hi] = alpha[Col + i * Step];
        }
        break;
      case COLOR_RGB:
      case COLOR_RGBALPHA: {
        const int channels = FColorType == COLOR_RGB ? 3 : 4;
        const uint8_t* s = row + 3 * Col;
        for (uint32_t i = 0; i < Pixels; ++i, s += 3 * Step, Dst += channels * hi) {
          Dst[0] = inverse[s[2]];
          Dst[hi] = inverse[s[1]];
          Dst[2 * hi] = inverse[s[0]];
          if (channels == 4) Dst[3 * hi] = alpha[Col + i * Step];
        }
        break;
      }
    }
  }

 private:
  static void SetNibble(uint8_t* Row, int X, int V) {
    uint8_t& b = Row[X >> 1];
    b = (X & 1) ? static_cast<uint8_t>((b & 0xF0) | V) : static_cast<uint8_t>((b & 0x0F) | (V << 4));
  }

  TKitPNGObject& FOwner;
  TKitBitmap& FBitmap;
  int FColorType;
  int FDepth;
};

// Reads the compressed image data, following into the next IDAT chunks.
class TIdatReader {
 public:
  TIdatReader(TKitStream& Stream, uint32_t Size) : FStream(Stream), FInput(65535) {
    FEndPos = Stream.Position() + Size;
    const int ret = inflateInit(&FZ);
    if (ret != Z_OK) Raise(ret);
  }
  ~TIdatReader() { inflateEnd(&FZ); }
  TIdatReader(const TIdatReader&) = delete;
  TIdatReader& operator=(const TIdatReader&) = delete;

  // Fills Count bytes; answers how many it could (fewer at the end of the data).
  uint32_t ReadRow(uint8_t* Dst, uint32_t Count) {
    FZ.next_out = Dst;
    FZ.avail_out = Count;
    while (FZ.avail_out > 0 && !FEnded) {
      if (FZ.avail_in == 0) {
        if (FStream.Position() >= FEndPos && !NextChunk()) break;
        const int64_t want = std::min<int64_t>(FEndPos - FStream.Position(), static_cast<int64_t>(FInput.size()));
        const int64_t n = want > 0 ? FStream.Read(FInput.data(), want) : 0;
        if (n <= 0) break;
        FZ.next_in = FInput.data();
        FZ.avail_in = static_cast<uInt>(n);
      }
      const int ret = inflate(&FZ, Z_NO_FLUSH);
      if (ret < 0 || ret == Z_NEED_DICT) Raise(ret == Z_NEED_DICT ? Z_DATA_ERROR : ret);
      // The stream's end ends the image data, whatever bytes follow it.
      if (ret == Z_STREAM_END) FEnded = true;
    }
    return Count - FZ.avail_out;
  }

  // The end of the last IDAT chunk read, where its CRC follows.
  int64_t EndPos() const { return FEndPos; }

 private:
  bool NextChunk() {
    uint8_t head[12];
    if (FStream.Read(head, 12) != 12) return false;  // CRC, length, type
    if (std::memcmp(head + 8, "IDAT", 4) != 0)
      TKitPNGObject::RaiseError<EKitPNGMissingMultipleIDAT>(KitPNGText::MissingMultipleIDAT);
    FEndPos = FStream.Position() + KitPNGReadBE32(head + 4);
    return true;
  }

  [[noreturn]] static void Raise(int Code) {
    TKitPNGObject::RaiseError<EKitPNGZLIBError>(KitPNGText::ZLIBError + KitPNGZlibErrorText(Code));
  }

  TKitStream& FStream;
  std::vector<uint8_t> FInput;
  z_stream FZ{};
  int64_t FEndPos;
  bool FEnded = false;
};

// Deflates rows and writes IDAT chunks of exactly MaxIdatSize bytes, the last one shorter.
class TIdatWriter {
 public:
  TIdatWriter(TKitStream& Stream, int Level, int MaxIdatSize) : FStream(Stream), FOutput(MaxIdatSize) {
    const int ret = deflateInit(&FZ, Level);
    if (ret != Z_OK) TKitPNGObject::RaiseError<EKitPNGZLIBError>(KitPNGText::ZLIBError + KitPNGZlibErrorText(ret));
    FZ.next_out = FOutput.data();
    FZ.avail_out = static_cast<uInt>(FOutput.size());
  }
  ~TIdatWriter() { deflateEnd(&FZ); }
  TIdatWriter(const TIdatWriter&) = delete;
  TIdatWriter& operator=(const TIdatWriter&) = delete;

  void Write(const uint8_t* Data, uint32_t Count) {
    FZ.next_in = const_cast<Bytef*>(Data);
    FZ.avail_in = Count;
    while (FZ.avail_in > 0) {
      deflate(&FZ, Z_NO_FLUSH);
      if (FZ.avail_out == 0) Flush();
    }
  }

  void Finish() {
    int ret;
    do {
      ret = deflate(&FZ, Z_FINISH);
      if (FZ.avail_out == 0) Flush();
    } while (ret == Z_OK || ret == Z_BUF_ERROR);
    if (ret != Z_STREAM_END)
      TKitPNGObject::RaiseError<EKitPNGZLIBError>(KitPNGText::ZLIBError + KitPNGZlibErrorText(ret));
    if (FZ.avail_out < FOutput.size()) Flush();
  }

 private:
  void Flush() {
    KitPNGWriteChunk(FStream, KitPNGChunkName("IDAT"), FOutput.data(),
                     static_cast<uint32_t>(FOutput.size() - FZ.avail_out));
    FZ.next_out = FOutput.data();
    FZ.avail_out = static_cast<uInt>(FOutput.size());
  }

  TKitStream& FStream;
  std::vector<uint8_t> FOutput;
  z_stream FZ{};
};

// Chooses the filter of one raw row among Filters and writes the filtered row (filter byte
// first) to Out. Prev is the previous raw row.
class TFilterChooser {
 public:
  TFilterChooser(TKitPNGFilters Filters, uint32_t RowBytes, uint32_t Offset)
      : FFilters(Filters), FRowBytes(RowBytes), FOffset(Offset) {
    for (auto& r : FResults) r.resize(RowBytes + 1);
  }

  const uint8_t* Filter(const uint8_t* Raw, const uint8_t* Prev) {
    const uint32_t n = FRowBytes, o = FOffset;
    for (int f = pfSub; f <= pfPaeth; ++f) {
      if (!(FFilters & KitPNGFilter(static_cast<TKitPNGFilter>(f)))) continue;
      uint8_t* out = FResults[f].data() + 1;
      FResults[f][0] = static_cast<uint8_t>(f);
      for (uint32_t i = 0; i < n; ++i) {
        const int a = i >= o ? Raw[i - o] : 0, b = Prev[i], c = i >= o ? Prev[i - o] : 0;
        int pred = 0;
        if (f == pfSub) pred = a;
        else if (f == pfUp) pred = b;
        else if (f == pfAverage) pred = (a + b) >> 1;
        else pred = Paeth(a, b, c);
        out[i] = static_cast<uint8_t>(Raw[i] - pred);
      }
    }
    FResults[pfNone][0] = 0;
    std::memcpy(FResults[pfNone].data() + 1, Raw, n);
    return FResults[Choose()].data();
  }

 private:
  int Choose() const {
    if ((FFilters & ~KitPNGFilter(pfNone)) == 0) return pfNone;
    int best = pfNone;
    int bestScore = 0;
    for (int f = pfNone; f <= pfPaeth; ++f) {
      const TKitPNGFilters bit = KitPNGFilter(static_cast<TKitPNGFilter>(f));
      if (!(FFilters & bit)) continue;
      if (FFilters == bit) return f;
      // Runs of equal or alternating bytes compress best.
      const uint8_t* r = FResults[f].data() + 1;
      int score = 0;
      for (uint32_t k = 2; k < FRowBytes; ++k)
        if (r[k] == r[k - 1] || r[k] == r[k - 2]) ++score;
      if (score > bestScore) {
        bestScore = score;
        best = f;
      }
    }
    return best;
  }

  TKitPNGFilters FFilters;
  uint32_t FRowBytes;
  uint32_t FOffset;
  std::vector<uint8_t> FResults[5];
};

}  // namespace

namespace {

// Walks the rows in file order: one pass for plain images, the seven Adam7 passes otherwise
// (passes without bytes skipped). PassStart(rowBytes, offset) opens each pass; Row(y, col,
// step, pixels, rowBytes) handles a row and answers false to stop.
template <class TPassStart, class TRow>
void ForEachRow(const TKitPNGIHDRData& Header, bool Adam7, TPassStart PassStart, TRow Row) {
  static constexpr TPass kPlain[1] = {{0, 0, 1, 1}};
  const int width = static_cast<int>(Header.Width), height = static_cast<int>(Header.Height);
  for (const TPass& pass : Adam7 ? std::span<const TPass>(kAdam7) : std::span<const TPass>(kPlain)) {
    const int passWidth = (width + pass.ColStep - pass.Col - 1) / pass.ColStep;
    uint32_t passBytes, passOffset;
    KitPNGRowLayout(Header, static_cast<uint32_t>(std::max(passWidth, 0)), passBytes, passOffset);
    if (passBytes == 0) continue;
    PassStart(passBytes, passOffset);
    for (int y = pass.Row; y < height; y += pass.RowStep)
      if (!Row(y, pass.Col, pass.ColStep, static_cast<uint32_t>(passWidth), passBytes)) return;
  }
}

TKitPNGChunkIHDR& ImageHeader(TKitPNGChunk& Chunk) {
  TKitPNGChunkIHDR* header = Chunk.Header();
  if (header == nullptr || header->Image().Empty())
    TKitPNGObject::RaiseError<EKitPNGHeaderNotPresent>(KitPNGText::HeaderNotPresent);
  return *header;
}

}  // namespace

bool TKitPNGChunkIDAT::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& /*ChunkName*/, uint32_t Size) {
  TKitPNGObject& owner = OwnerOf(fOwner);
  TKitPNGChunkIHDR& header = ImageHeader(*this);
  const TKitPNGIHDRData& h = header.IHDRData;
  if (header.HasPalette && (h.ColorType == COLOR_GRAYSCALE || h.ColorType == COLOR_GRAYSCALEALPHA))
    owner.SetPalette(GrayPalette(1 << header.Image().BitsPerPixel(), owner.GammaTable));
  uint32_t rowBytes, offset;
  KitPNGRowLayout(h, h.Width, rowBytes, offset);
  TRowMapper mapper(owner, header);
  {
    TIdatReader reader(Stream, Size);
    std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(rowBytes + 1), std::vector<uint8_t>(rowBytes + 1)};
    int used = 0;
    uint32_t passOffset = offset;
    ForEachRow(
        h, owner.InterlaceMethod() == imAdam7,
        [&](uint32_t, uint32_t Offset) {
          passOffset = Offset;
          std::fill(rows[0].begin(), rows[0].end(), 0);
          std::fill(rows[1].begin(), rows[1].end(), 0);
        },
        [&](int Y, int Col, int Step, uint32_t Pixels, uint32_t Bytes) {
          uint8_t* cur = rows[used].data();
          if (reader.ReadRow(cur, Bytes + 1) == 0) return false;
          Unfilter(cur, rows[1 - used].data(), Bytes, passOffset);
          mapper.Store(cur + 1, Y, Col, Step, Pixels);
          used = 1 - used;
          return true;
        });
    // Continue after the chunk the data ended in, even when the zlib stream ended early.
    if (Stream.Position() < reader.EndPos()) Stream.SetPosition(reader.EndPos());
  }
  uint8_t crc[4];
  ReadHead(Stream, crc, 4);
  return true;
}

bool TKitPNGChunkIDAT::SaveToStream(TKitStream& Stream) {
  TKitPNGObject& owner = OwnerOf(fOwner);
  TKitPNGChunkIHDR& header = ImageHeader(*this);
  const TKitPNGIHDRData& h = header.IHDRData;
  uint32_t rowBytes, offset;
  KitPNGRowLayout(h, h.Width, rowBytes, offset);
  TRowMapper mapper(owner, header);
  TIdatWriter writer(Stream, owner.CompressionLevel(), owner.MaxIdatSize());
  std::unique_ptr<TFilterChooser> chooser;
  std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(rowBytes), std::vector<uint8_t>(rowBytes)};
  int used = 0;
  ForEachRow(
      h, owner.InterlaceMethod() == imAdam7,
      [&](uint32_t Bytes, uint32_t Offset) {
        chooser = std::make_unique<TFilterChooser>(owner.Filters(), Bytes, Offset);
        std::fill(rows[0].begin(), rows[0].end(), 0);
        std::fill(rows[1].begin(), rows[1].end(), 0);
      },
      [&](int Y, int Col, int Step, uint32_t Pixels, uint32_t Bytes) {
        uint8_t* raw = rows[used].data();
        mapper.Fetch(raw, Y, Col, Step, Pixels, Bytes);
        writer.Write(chooser->Filter(raw, rows[1 - used].data()), Bytes + 1);
        used = 1 - used;
        return true;
      });
  writer.Finish();
  return true;
}

}  // namespace zv

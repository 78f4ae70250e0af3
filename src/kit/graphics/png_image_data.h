// The image data of a PNG: the header chunk that owns the bitmap (plus the alpha plane for
// colour types with alpha), the palette, transparency and gamma chunks, and the image-data
// chunk that decodes and encodes the filtered, optionally Adam7-interlaced rows.
//
// Bitmap form of each PNG format (2-bit samples are held as 4-bit ones):
//   gray 1/2/4/8/16 bits -> 1/4/4/8/8 bits per pixel with a gray colour table
//   palette 1/2/4/8      -> 1/4/4/8 bits per pixel with the PLTE colours
//   gray + alpha 8/16    -> 8 bits per pixel, gray colour table, alpha plane
//   RGB 8/16             -> 24 bits per pixel; RGB + alpha 8/16 -> 24 bits plus alpha plane
// 16-bit samples keep their high byte.
#pragma once
#include <cstdint>
#include <memory>

#include "kit/graphics/bitmap.h"
#include "kit/graphics/png_chunks.h"

namespace zv {

struct TKitPNGIHDRData {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint8_t BitDepth = 0;
  uint8_t ColorType = 0;
  uint8_t CompressionMethod = 0;
  uint8_t FilterMethod = 0;
  uint8_t InterlaceMethod = 0;
};

enum : uint8_t {
  COLOR_GRAYSCALE = 0, COLOR_RGB = 2, COLOR_PALETTE = 3, COLOR_GRAYSCALEALPHA = 4, COLOR_RGBALPHA = 6
};

class TKitPNGChunkIHDR : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkIHDR(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "IHDR") {}
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  void Assign(const TKitPNGChunk& Source) override;

  // Builds a zeroed bitmap (and alpha plane) for the header fields; an impossible colour
  // type and bit depth pair or a zero width or height raises EKitPNGInvalidIHDR, a bitmap too
  // large to allocate EKitPNGOutMemory.
  void AllocateImage();
  void ReleaseImage();

  uint32_t Width() const { return IHDRData.Width; }
  void SetWidth(uint32_t Value) { IHDRData.Width = Value; }
  uint32_t Height() const { return IHDRData.Height; }
  void SetHeight(uint32_t Value) { IHDRData.Height = Value; }
  uint8_t BitDepth() const { return IHDRData.BitDepth; }
  void SetBitDepth(uint8_t Value) { IHDRData.BitDepth = Value; }
  uint8_t ColorType() const { return IHDRData.ColorType; }
  void SetColorType(uint8_t Value) { IHDRData.ColorType = Value; }
  uint8_t CompressionMethod() const { return IHDRData.CompressionMethod; }
  void SetCompressionMethod(uint8_t Value) { IHDRData.CompressionMethod = Value; }
  uint8_t FilterMethod() const { return IHDRData.FilterMethod; }
  void SetFilterMethod(uint8_t Value) { IHDRData.FilterMethod = Value; }
  uint8_t InterlaceMethod() const { return IHDRData.InterlaceMethod; }
  void SetInterlaceMethod(uint8_t Value) { IHDRData.InterlaceMethod = Value; }

  // The bitmap: pixel memory, colour table and (colour types 4 and 6) the alpha plane.
  TKitBitmap& Image() { return ImageBitmap; }
  const TKitBitmap& Image() const { return ImageBitmap; }
  uint8_t* ImageData() { return ImageBitmap.Bits(); }
  uint8_t* ImageAlpha() { return ImageBitmap.AlphaBits(); }
  int BytesPerRow() const { return ImageBitmap.BytesPerRow(); }
  bool HasPalette = false;
  std::unique_ptr<TKitPalette> ImagePalette;
  TKitPNGIHDRData IHDRData;

 private:
  TKitBitmap ImageBitmap;
};

class TKitPNGChunkPLTE : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkPLTE(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "PLTE") {}
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  void Assign(const TKitPNGChunk& Source) override;
  int Count() const { return fCount; }
  void SetCount(int Value) { fCount = Value; }
  // The entry as held in the bitmap's colour table.
  TKitRGBQuad GetPaletteItem(int Index) const;

 private:
  int fCount = 0;
};

class TKitPNGChunktRNS : public TKitPNGChunk {
 public:
  explicit TKitPNGChunktRNS(TKitPNGObject* Owner);
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  void Assign(const TKitPNGChunk& Source) override;
  bool BitTransparency() const { return fBitTransparency; }
  void SetBitTransparency(bool Value) { fBitTransparency = Value; }
  uint32_t TransparentColor() const;
  // Colour as 0x00BBGGRR.
  void SetTransparentColor(uint32_t Value);
  // One alpha byte per palette entry: the chunk's bytes, 255 beyond them.
  uint8_t PaletteValues[256];

 private:
  bool fBitTransparency = false;
};

class TKitPNGChunkgAMA : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkgAMA(TKitPNGObject* Owner);
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  void Assign(const TKitPNGChunk& Source) override;
  // The PNG gamma times 100000.
  uint32_t Gamma();
  void SetGamma(uint32_t Value);
};

// Reads all image data (following into the next IDAT chunks) and writes it back as one or
// more IDAT chunks of at most the image's MaxIdatSize bytes.
class TKitPNGChunkIDAT : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkIDAT(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "IDAT") {}
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
};

// Bytes of one filtered row of Pixels pixels (without the filter byte) and bytes per complete
// pixel for filtering; both 0 for an impossible format.
void KitPNGRowLayout(const TKitPNGIHDRData& Header, uint32_t Pixels, uint32_t& RowBytes, uint32_t& Offset);

}  // namespace zv

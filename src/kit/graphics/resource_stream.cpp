#include "kit/graphics/resource_stream.h"

#include <bit>
#include <cstring>

#include "kit/graphics/wave.h"
#include "kit/text/compression.h"
#include "kit/text/helpers.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr int FileHeaderSize = 14;

TKitPixelFormat FormatOfBits(int Bits) {
  switch (Bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 32: return pf32bit;
    default: return pf24bit;
  }
}

// Writes a length, then lets Write put its bytes, then patches the length in.
template <class TWrite>
void WriteWithLength(TKitStream& Stream, TWrite Write) {
  const int64_t start = Stream.Position();
  KitWriteInteger(Stream, 0);
  Write();
  const int64_t end = Stream.Position();
  Stream.SetPosition(start);
  KitWriteInteger(Stream, static_cast<int32_t>(end - start - 4));
  Stream.SetPosition(end);
}

// The blob of a plain item: a length, then that many bytes, which must be there.
void ReadBlob(TKitStream& Stream, TKitMemoryStream& Blob) {
  const int64_t length = KitReadInteger(Stream);
  if (length < 0 || length > Stream.Size() - Stream.Position()) throw EReadError("Stream read error");
  Blob.SetSize(length);
  Stream.ReadBuffer(Blob.Data().data(), length);
  Blob.SetPosition(0);
}

void ReadBlob(TKitStream& Stream, TKitMemoryStream& Blob, bool Compressed) {
  if (Compressed)
    KitExpandBlob(Stream, Blob);
  else
    ReadBlob(Stream, Blob);
}

// A memory stream that refuses to grow past KitMaxExpandedBlob.
class TBoundedStream : public TKitMemoryStream {
 public:
  int64_t Write(const void* Buffer, int64_t Count) override {
    if (Position() + Count > KitMaxExpandedBlob) throw EReadError("Stream read error");
    return TKitMemoryStream::Write(Buffer, Count);
  }
};

void CompressAll(TKitMemoryStream& Plain, TKitStream& Stream) {
  Plain.SetPosition(0);
  KitCompressStream(Plain, Stream, Plain.Size(), 0);
}

// Bits per pixel of the colour count (0 for the bitmap's own).
int BitsOfColors(int Colors) {
  switch (Colors) {
    case 2: return 1;
    case 16: return 4;
    case 256: return 8;
    default: return 0;
  }
}

// File header, information header, optional bit-field masks, colour table and rows of
// Bits, whose depth the header gives.
TKitByteArray BuildImage(const TKitBitmapInfoHeader& Header, const TKitBitmap& Bits) {
  const int bits = Header.BitCount;
  const int masks = Header.Compression == BI_BITFIELDS ? 12 : 0;
  const int table = bits <= 8 ? 4 << bits : 0;
  const int64_t offset = FileHeaderSize + Header.Size + masks + table;
  const int64_t size = offset + Header.SizeImage;
  TKitByteArray image(static_cast<size_t>(size));
  uint8_t* p = image.data();
  p[0] = 'B';
  p[1] = 'M';
  KitPutLE32(p + 2, static_cast<uint32_t>(size));
  KitPutLE32(p + 10, static_cast<uint32_t>(offset));
  p += FileHeaderSize;
  KitPutLE32(p, Header.Size);
  KitPutLE32(p + 4, static_cast<uint32_t>(Header.Width));
  KitPutLE32(p + 8, static_cast<uint32_t>(Header.Height));
  KitPutLE16(p + 12, Header.Planes);
  KitPutLE16(p + 14, Header.BitCount);
  KitPutLE32(p + 16, Header.Compression);
  KitPutLE32(p + 20, Header.SizeImage);
  KitPutLE32(p + 32, Header.ClrUsed);
  KitPutLE32(p + 36, Header.ClrImportant);
  p += Header.Size;
  if (masks != 0) {
    KitPutLE32(p, 0xF800);
    KitPutLE32(p + 4, 0x07E0);
    KitPutLE32(p + 8, 0x001F);
    p += masks;
  }
  for (int i = 0; i < table / 4; ++i) {
    const TKitRGBQuad& q = Bits.ColorTable()[i];
    p[4 * i] = q.Blue;
    p[4 * i + 1] = q.Green;
    p[4 * i + 2] = q.Red;
  }
  p += table;
  // The bitmap keeps its rows bottom-up with the padding of a BMP file.
  if (Header.SizeImage != 0) std::memcpy(p, Bits.Bits(), Header.SizeImage);
  return image;
}

void Invalid() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Scales the bits of Mask in Value to 0..255.
uint8_t Channel(uint32_t Value, uint32_t Mask) {
  if (Mask == 0) return 0;
  const int shift = std::countr_zero(Mask);
  const uint32_t max = Mask >> shift;
  return static_cast<uint8_t>(uint64_t{(Value & Mask) >> shift} * 255 / max);
}

}  // namespace

void KitExpandBlob(TKitStream& Source, TKitMemoryStream& Blob) {
  TBoundedStream expanded;
  KitDecompressStream(Source, expanded, 0);
  Blob.Data() = std::move(expanded.Data());
  Blob.SetPosition(0);
}

void KitWriteByte(TKitStream& Stream, uint8_t Value) { Stream.WriteBuffer(&Value, 1); }

uint8_t KitReadByte(TKitStream& Stream) {
  uint8_t b;
  Stream.ReadBuffer(&b, 1);
  return b;
}

std::string KitStringsToText(const TKitStringList& List) {
  TKitString text;
  for (const TKitString& line : List) {
    text += line;
    text += u"\r\n";
  }
  std::string out;
  if (!text.empty()) KitUTF16ToUTF8(text, out, true, true);
  return out;
}

void KitTextToStrings(const std::string& Text, TKitStringList& List) {
  TKitString text;
  KitUTF8OrAnsiToString(Text, text);
  List.clear();
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    List.push_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) List.push_back(text.substr(start));
}

void KitWriteStrings(TKitStream& Stream, const TKitStringList& List, bool Compressed) {
  const std::string text = KitStringsToText(List);
  if (Compressed) {
    TKitMemoryStream plain(std::vector<uint8_t>(text.begin(), text.end()));
    CompressAll(plain, Stream);
    return;
  }
  WriteWithLength(Stream, [&] { Stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); });
}

void KitReadStrings(TKitStream& Stream, TKitStringList& List, bool Compressed) {
  TKitMemoryStream blob;
  ReadBlob(Stream, blob, Compressed);
  KitTextToStrings(std::string(blob.Data().begin(), blob.Data().end()), List);
}

void KitWriteWave(TKitStream& Stream, TKitWave& Wave, bool Compressed) {
  if (Compressed)
    Wave.SaveCompressedToStream(Stream);
  else
    Wave.SaveToStreamEx(Stream);
}

void KitReadWave(TKitStream& Stream, TKitWave& Wave, bool Compressed) {
  if (Compressed)
    Wave.LoadCompressedFromStream(Stream);
  else
    Wave.LoadFromStreamEx(Stream);
}

void KitWriteBitmap(TKitStream& Stream, const TKitBitmap& Bitmap, bool Compressed, int Colors) {
  if (Compressed) {
    TKitMemoryStream plain;
    if (Colors == -1)
      KitSaveBitmapToStream(plain, Bitmap);
    else
      KitSaveBitmapAsBMPStream(plain, Bitmap, Colors);
    CompressAll(plain, Stream);
  } else if (Colors == -1) {
    WriteWithLength(Stream, [&] { KitSaveBitmapToStream(Stream, Bitmap); });
  } else {
    KitWriteBitmapAsBMP(Stream, Bitmap, nullptr, Colors, true);
  }
}

void KitReadBitmap(TKitStream& Stream, TKitBitmap& Bitmap, bool Compressed) {
  TKitMemoryStream blob;
  ReadBlob(Stream, blob, Compressed);
  KitLoadBitmapFromStream(blob, Bitmap);
}

void KitInitBitmapInfoHeader(const TKitBitmap& Bitmap, TKitBitmapInfoHeader& Header, int Colors) {
  Header = {};
  Header.Width = Bitmap.Width();
  Header.Height = Bitmap.Height();
  int bits = BitsOfColors(Colors);
  if (bits == 0) bits = Bitmap.BitsPerPixel();
  if (bits == 16 || bits == 32) bits = 24;
  Header.BitCount = static_cast<uint16_t>(bits);
  Header.SizeImage =
      static_cast<uint32_t>(int64_t{Header.Height} * TKitBitmap::RowBytes(Header.Width, FormatOfBits(bits)));
}

void KitGetDIBSizes(const TKitBitmap& Bitmap, int& InfoHeaderSize, int64_t& ImageSize, int Colors) {
  TKitBitmapInfoHeader header;
  KitInitBitmapInfoHeader(Bitmap, header, Colors);
  InfoHeaderSize = header.BitCount == 24 ? 40 : 40 + (4 << header.BitCount);
  ImageSize = header.SizeImage;
}

bool KitGetDIB(const TKitBitmap& Bitmap, const TKitPalette* /*Palette*/, TKitBitmapInfoHeader& Header, int Colors,
               TKitBitmap& Bits) {
  KitInitBitmapInfoHeader(Bitmap, Header, Colors);
  Bits = Bitmap;
  const TKitPixelFormat format = FormatOfBits(Header.BitCount);
  if (Bits.PixelFormat() != format) {
    // Through true colour, so that an indexed depth gets its own default table.
    Bits.SetPixelFormat(pf24bit);
    Bits.SetPixelFormat(format);
  }
  return true;
}

TKitByteArray KitBitmapToBMPImage(const TKitBitmap& Bitmap, const TKitPalette* Palette, int Colors) {
  if (Bitmap.Empty()) throw Exception("Bitmap image is not valid");
  TKitBitmapInfoHeader header;
  TKitBitmap bits;
  KitGetDIB(Bitmap, Palette, header, Colors, bits);
  return BuildImage(header, bits);
}

void KitWriteBitmapAsBMP(TKitStream& Stream, const TKitBitmap& Bitmap, const TKitPalette* Palette, int Colors,
                         bool WithLength) {
  const TKitByteArray image = KitBitmapToBMPImage(Bitmap, Palette, Colors);
  if (WithLength) KitWriteInteger(Stream, static_cast<int32_t>(image.size()));
  Stream.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
}

void KitSaveBitmapAsBMPStream(TKitStream& Stream, const TKitBitmap& Bitmap, int Colors) {
  KitWriteBitmapAsBMP(Stream, Bitmap, nullptr, Bitmap.PixelFormat() == pf1bit ? 2 : Colors, false);
  Stream.SetPosition(0);
}

void KitSaveBitmapToStream(TKitStream& Stream, const TKitBitmap& Bitmap) {
  if (Bitmap.Empty()) return;
  TKitBitmapInfoHeader header;
  header.Width = Bitmap.Width();
  header.Height = Bitmap.Height();
  header.BitCount = static_cast<uint16_t>(Bitmap.BitsPerPixel());
  header.Compression = header.BitCount == 16 ? BI_BITFIELDS : BI_RGB;
  header.SizeImage = static_cast<uint32_t>(Bitmap.ImageSize());
  const TKitByteArray image = BuildImage(header, Bitmap);
  Stream.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
}

void KitLoadBitmapFromStream(TKitStream& Stream, TKitBitmap& Bitmap) {
  const int64_t n = Stream.Size() - Stream.Position();
  if (n <= 0) {
    Bitmap = TKitBitmap();
    return;
  }
  TKitByteArray data(static_cast<size_t>(n));
  Stream.ReadBuffer(data.data(), n);
  const uint8_t* p = data.data();
  if (n < FileHeaderSize + 40 || p[0] != 'B' || p[1] != 'M') Invalid();
  const int64_t offset = KitGetLE32(p + 10);
  const uint8_t* h = p + FileHeaderSize;
  const int64_t headerSize = KitGetLE32(h);
  const auto width = static_cast<int32_t>(KitGetLE32(h + 4));
  const auto height = static_cast<int32_t>(KitGetLE32(h + 8));
  const int bits = static_cast<int>(KitGetLE16(h + 14));
  const uint32_t compression = KitGetLE32(h + 16);
  if (headerSize < 40 || FileHeaderSize + headerSize > n || KitGetLE16(h + 12) != 1) Invalid();
  if (width <= 0 || height == 0 || height == INT32_MIN) Invalid();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) Invalid();
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bits == 16 || bits == 32))) Invalid();
  const bool topDown = height < 0;
  const int rows = topDown ? -height : height;
  const TKitPixelFormat format = FormatOfBits(bits);
  const int64_t rowBytes = (int64_t{bits} * width + 31) / 32 * 4;
  // The rows must all be there: the picture can never be larger than the data.
  if (offset < FileHeaderSize + 40 || offset > n || rowBytes * rows > n - offset) Invalid();

  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (compression == BI_BITFIELDS) {
    const int64_t at = headerSize >= 52 ? FileHeaderSize + 40 : FileHeaderSize + headerSize;
    if (at + 12 > n) Invalid();
    for (int i = 0; i < 3; ++i) masks[i] = KitGetLE32(p + at + 4 * i);
  }
  // Rows in the bitmap's own layout are copied; other bit fields are converted pixel by pixel.
  const bool rawCopy = bits <= 8 || bits == 24 ||
                       (bits == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x1F) ||
                       (bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF);

  TKitBitmap result(width, rows, format);
  if (bits <= 8) {
    const uint32_t used = KitGetLE32(h + 32);
    const int count = used == 0 || used > (1u << bits) ? 1 << bits : static_cast<int>(used);
    const int64_t at = FileHeaderSize + headerSize;
    if (at + 4 * count > n) Invalid();
    for (int i = 0; i < count; ++i)
      result.ColorTable()[i] = {p[at + 4 * i], p[at + 4 * i + 1], p[at + 4 * i + 2], 0};
    result.SetColorCount(count);
  }
  for (int r = 0; r < rows; ++r) {
    const uint8_t* src = p + offset + rowBytes * r;
    const int y = topDown ? r : rows - 1 - r;  // image row, 0 at the top
    if (rawCopy) {
      std::memcpy(result.ScanLine(y), src, static_cast<size_t>(rowBytes));
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const uint32_t v = bits == 16 ? KitGetLE16(src + 2 * x) : KitGetLE32(src + 4 * x);
      result.SetPixel(x, y, KitRGB(Channel(v, masks[0]), Channel(v, masks[1]), Channel(v, masks[2])));
    }
  }
  Bitmap = std::move(result);
}

void KitLoadBitmapFromFile(const TKitString& FileName, TKitBitmap& Bitmap) {
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  KitLoadBitmapFromStream(file, Bitmap);
}

}  // namespace zv

// How the resource containers put their items into one stream: 4-byte little-endian
// integers, bytes, and blobs (string lists, waves, bitmaps) either with a 4-byte length in
// front or through the library's stream compression (method 0), which carries its own
// sizes. Bitmaps travel as BMP file images, at their own depth or at a chosen colour count.
//
// Colour counts: 0 = the bitmap's own depth, 2 = 1 bit, 16 = 4 bits, 256 = 8 bits (16 and
// 32 bits are written as 24; any other count is taken as 0); -1 = the bitmap's own stream
// form, a BMP image that keeps 16 bits (5-6-5 bit fields) and 32 bits as they are.
//
// String lists are saved as text: every line followed by CR LF, in UTF-8 behind its
// byte-order mark; reading takes text without the mark as Windows-1252 and splits lines at
// CR LF, LF or CR.
#pragma once
#include <cstdint>

#include "kit/graphics/bitmap.h"
#include "kit/text/kit_types.h"
#include "kit/text/stream.h"

namespace zv {

class TKitWave;

// The largest blob a compressed item may expand to (as for inflated PNG data); more is
// refused with EReadError "Stream read error".
constexpr int64_t KitMaxExpandedBlob = int64_t{1} << 26;
// Expands one compressed blob from Source into Blob, positioned at 0.
void KitExpandBlob(TKitStream& Source, TKitMemoryStream& Blob);

void KitWriteByte(TKitStream& Stream, uint8_t Value);
uint8_t KitReadByte(TKitStream& Stream);

// The text of a list and back.
std::string KitStringsToText(const TKitStringList& List);
void KitTextToStrings(const std::string& Text, TKitStringList& List);

void KitWriteStrings(TKitStream& Stream, const TKitStringList& List, bool Compressed);
void KitReadStrings(TKitStream& Stream, TKitStringList& List, bool Compressed);
void KitWriteWave(TKitStream& Stream, TKitWave& Wave, bool Compressed);
void KitReadWave(TKitStream& Stream, TKitWave& Wave, bool Compressed);
void KitWriteBitmap(TKitStream& Stream, const TKitBitmap& Bitmap, bool Compressed, int Colors);
// The bitmap is replaced by what the stream holds.
void KitReadBitmap(TKitStream& Stream, TKitBitmap& Bitmap, bool Compressed);

// BMP information header (40 bytes) as the writer fills it.
struct TKitBitmapInfoHeader {
  int32_t Size = 40;
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t SizeImage = 0;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;
  uint32_t ClrUsed = 0;
  uint32_t ClrImportant = 0;
};

void KitInitBitmapInfoHeader(const TKitBitmap& Bitmap, TKitBitmapInfoHeader& Header, int Colors);
// The size of the header with its colour table, and of the rows.
void KitGetDIBSizes(const TKitBitmap& Bitmap, int& InfoHeaderSize, int64_t& ImageSize, int Colors);
// The header, and the rows at the header's depth in Bits (ImageSize bytes); an indexed
// depth takes the bitmap's colour table when it has one of that depth, else the default
// table of that size. True on success. The palette changes no pixel on this platform.
bool KitGetDIB(const TKitBitmap& Bitmap, const TKitPalette* Palette, TKitBitmapInfoHeader& Header, int Colors,
               TKitBitmap& Bits);
// The BMP file image of the bitmap: file header, information header, colour table, rows.
// An empty bitmap raises Exception "Bitmap image is not valid".
TKitByteArray KitBitmapToBMPImage(const TKitBitmap& Bitmap, const TKitPalette* Palette, int Colors);
void KitWriteBitmapAsBMP(TKitStream& Stream, const TKitBitmap& Bitmap, const TKitPalette* Palette, int Colors,
                         bool WithLength);
// The image without a length (a monochrome bitmap with 2 colours); the stream is then
// positioned at 0.
void KitSaveBitmapAsBMPStream(TKitStream& Stream, const TKitBitmap& Bitmap, int Colors);

// The bitmap's own stream form: nothing for an empty bitmap, else its BMP image at its own
// depth.
void KitSaveBitmapToStream(TKitStream& Stream, const TKitBitmap& Bitmap);
// Reads a BMP image from the position to the end of the stream (an empty rest gives an
// empty bitmap): 1, 4, 8, 16, 24 or 32 bits, uncompressed or with bit fields, rows bottom-up
// or top-down. Anything else raises EInvalidGraphic "Bitmap image is not valid"; the bitmap
// is left as it was.
void KitLoadBitmapFromStream(TKitStream& Stream, TKitBitmap& Bitmap);
void KitLoadBitmapFromFile(const TKitString& FileName, TKitBitmap& Bitmap);

}  // namespace zv

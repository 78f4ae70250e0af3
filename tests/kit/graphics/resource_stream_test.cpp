// Resource stream helpers: string lists, BMP images at chosen depths, the bitmap's own
// form and the BMP reader's refusals.
#include <gtest/gtest.h>

#include "kit/graphics/resource_stream.h"
#include "kit/text/compression.h"
#include "kit/graphics/resource_samples.h"
#include "support/error_of.h"

namespace zv {
namespace {

TKitBitmap Pattern(int W, int H, TKitPixelFormat Format) {
  TKitBitmap b(W, H, Format);
  const TColor colors[] = {clRed, clLime, clBlue, clWhite, clBlack, clYellow, clNavy};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) b.SetPixel(x, y, colors[(x + 2 * y) % 7]);
  return b;
}

void ExpectSamePixels(const TKitBitmap& A, const TKitBitmap& B) {
  ASSERT_EQ(A.Width(), B.Width());
  ASSERT_EQ(A.Height(), B.Height());
  for (int y = 0; y < A.Height(); ++y)
    for (int x = 0; x < A.Width(); ++x) ASSERT_EQ(A.Pixel(x, y), B.Pixel(x, y)) << x << "," << y;
}

TEST(ResourceStreamTest, StringListsRoundTripPlainAndCompressed) {
  const TKitStringList lines = {u"first", u"", u"caf\u00E9 \u4E2D", u"last"};
  for (bool compressed : {false, true}) {
    TKitMemoryStream s;
    KitWriteInteger(s, 77);
    KitWriteStrings(s, lines, compressed);
    KitWriteByte(s, 0xAB);
    if (!compressed) {
      EXPECT_EQ(test::LE32At(s.Data(), 4), s.Size() - 9);  // the text's byte count
    }
    s.SetPosition(0);
    TKitStringList back = {u"old"};
    EXPECT_EQ(KitReadInteger(s), 77);
    KitReadStrings(s, back, compressed);
    EXPECT_EQ(back, lines);
    EXPECT_EQ(KitReadByte(s), 0xAB);
  }
  // Text without a byte-order mark is Windows-1252; every line end splits.
  TKitStringList list;
  KitTextToStrings("a\r\nb\nc\rd\xE9", list);
  EXPECT_EQ(list, (TKitStringList{u"a", u"b", u"c", u"d\u00E9"}));
  EXPECT_EQ(KitStringsToText({}), "");
}

TEST(ResourceStreamTest, BmpImageSizesAndDepths) {
  int header;
  int64_t image;
  const TKitBitmap small(3, 2, pf24bit);
  KitGetDIBSizes(small, header, image, 256);
  EXPECT_EQ(header, 40 + 1024);
  EXPECT_EQ(image, 8);
  const TKitByteArray bmp = KitBitmapToBMPImage(small, nullptr, 256);
  ASSERT_EQ(bmp.size(), 1086u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(test::LE32At(bmp, 2), 1086u);
  EXPECT_EQ(test::LE32At(bmp, 10), 14u + 1064);

  struct TCase {
    TKitPixelFormat Format;
    int Colors, Bits;
  };
  for (const TCase& c : {TCase{pf32bit, 0, 24}, TCase{pf16bit, 0, 24}, TCase{pf8bit, 0, 8}, TCase{pf24bit, 2, 1},
                         TCase{pf24bit, 16, 4}, TCase{pf24bit, 65536, 24}}) {
    TKitBitmapInfoHeader h;
    KitInitBitmapInfoHeader(TKitBitmap(5, 3, c.Format), h, c.Colors);
    EXPECT_EQ(h.BitCount, c.Bits) << c.Format << " " << c.Colors;
    EXPECT_EQ(h.SizeImage, 3u * ((5u * c.Bits + 31) / 32 * 4));
  }

  // Written at 8 bits and read back, pure colours of the default table survive.
  const TKitBitmap picture = Pattern(9, 4, pf32bit);
  TKitMemoryStream s;
  KitWriteBitmap(s, picture, false, 256);
  s.SetPosition(0);
  TKitBitmap back;
  KitReadBitmap(s, back, false);
  EXPECT_EQ(back.PixelFormat(), pf8bit);
  ExpectSamePixels(back, picture);
  // A monochrome bitmap is always written with two colours.
  TKitMemoryStream mono;
  KitSaveBitmapAsBMPStream(mono, TKitBitmap(8, 8, pf1bit), 256);
  EXPECT_EQ(mono.Position(), 0);
  EXPECT_EQ(mono.Size(), 14 + 40 + 8 + 8 * 4);
}

TEST(ResourceStreamTest, OwnFormKeepsEveryDepth) {
  for (TKitPixelFormat format : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
    const TKitBitmap picture = Pattern(13, 5, format);
    for (bool compressed : {false, true}) {
      TKitMemoryStream s;
      KitWriteBitmap(s, picture, compressed, -1);
      KitWriteByte(s, 0x5A);
      s.SetPosition(0);
      TKitBitmap back;
      KitReadBitmap(s, back, compressed);
      EXPECT_EQ(back.PixelFormat(), format);
      ExpectSamePixels(back, picture);
      EXPECT_EQ(KitReadByte(s), 0x5A);
    }
  }
  EXPECT_EQ(test::ErrorOf([] { KitBitmapToBMPImage(TKitBitmap(), nullptr, 0); }), "Bitmap image is not valid");
}

TEST(ResourceStreamTest, ReaderTakesTopDownAndBitFieldsAndRefusesTheRest) {
  TKitMemoryStream own;
  KitSaveBitmapToStream(own, Pattern(4, 3, pf32bit));
  const TKitByteArray base = own.Data();

  // Top-down rows (negative height) give the picture upside down relative to the bytes.
  TKitByteArray topDown = base;
  test::SetLE32(topDown, 22, static_cast<uint32_t>(-3));
  TKitMemoryStream tdStream(topDown);
  TKitBitmap td;
  KitLoadBitmapFromStream(tdStream, td);
  EXPECT_EQ(td.Pixel(0, 0), Pattern(4, 3, pf32bit).Pixel(0, 2));

  auto patched = [&](size_t At, std::initializer_list<uint8_t> Bytes) {
    TKitByteArray b = base;
    for (uint8_t v : Bytes) b.at(At++) = v;
    return b;
  };
  const std::vector<TKitByteArray> bad = {
      TKitByteArray(base.begin(), base.begin() + 30),  // cut inside the header
      TKitByteArray(base.begin(), base.end() - 1),     // a row short
      patched(0, {'X', 'M'}),
      patched(14, {12, 0, 0, 0}),                // a header too small
      patched(18, {0xFF, 0xFF, 0xFF, 0x7F}),     // a width the data cannot hold
      patched(22, {0, 0, 0, 0}),                 // no rows
      patched(26, {2, 0}),                       // two planes
      patched(28, {7, 0}),                       // 7 bits per pixel
      patched(30, {1, 0, 0, 0}),                 // run-length coded
      patched(10, {0xFF, 0xFF, 0, 0}),           // bits beyond the end
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    TKitBitmap kept(2, 2, pf24bit);
    TKitMemoryStream s(bad[i]);
    EXPECT_THROW(KitLoadBitmapFromStream(s, kept), EInvalidGraphic) << i;
    EXPECT_EQ(kept.Width(), 2);
  }
  // A compressed blob that would expand past KitMaxExpandedBlob is refused.
  TKitMemoryStream zeros(std::vector<uint8_t>(KitLZRW1BlockSize, 0)), one;
  KitCompressStream(zeros, one, zeros.Size(), 0);
  const TKitByteArray block(one.Data().begin() + 4, one.Data().end());
  const int64_t blocks = KitMaxExpandedBlob / KitLZRW1BlockSize + 1;
  TKitMemoryStream bomb;
  KitWriteInteger(bomb, static_cast<int32_t>(blocks * static_cast<int64_t>(block.size())));
  for (int64_t i = 0; i < blocks; ++i) bomb.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
  bomb.SetPosition(0);
  TKitStringList lines;
  EXPECT_THROW(KitReadStrings(bomb, lines, true), EReadError);

  // A plain blob whose length passes the data is refused before it is read.
  TKitMemoryStream hostile(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x0F, 'B', 'M'});
  TKitBitmap any;
  EXPECT_THROW(KitReadBitmap(hostile, any, false), EReadError);
}

}  // namespace
}  // namespace zv

// Decoding and encoding checked against Qt's PNG reader.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageReader>

#include "kit/graphics/png_image.h"
#include "kit/graphics/qt/qimage_canvas.h"
#include "kit/graphics/png_samples.h"

namespace zv {
namespace {

using testing::AllFormats;
using testing::MakePng;
using testing::TSampleSpec;

struct TRgba {
  int R, G, B, A;
  friend bool operator==(const TRgba&, const TRgba&) = default;
};

QImage QtRead(const std::vector<uint8_t>& File) {
  QImage image;
  EXPECT_TRUE(image.loadFromData(File.data(), static_cast<int>(File.size()), "PNG"));
  return image;
}

// Qt's pixel with 16-bit channels cut to their high byte, as our bitmaps hold them.
TRgba QtPixel(const QImage& Image, int X, int Y) {
  const QRgba64 c = Image.pixelColor(X, Y).rgba64();
  return {c.red() >> 8, c.green() >> 8, c.blue() >> 8, c.alpha() >> 8};
}

TRgba OurPixel(TKitPNGObject& Png, int X, int Y) {
  TKitPNGChunkIHDR* header = Png.Header();
  const TKitBitmap& bmp = header->Image();
  const TColor c = bmp.Pixel(X, Y);
  int alpha = 255;
  if (bmp.HasAlpha()) alpha = bmp.AlphaScanLine(Y)[X];
  if (header->ColorType() == COLOR_PALETTE)
    if (auto* trns = Png.Chunks().Find<TKitPNGChunktRNS>()) {
      const TKitRGBQuad* table = bmp.ColorTable();
      for (int i = 0; i < bmp.ColorCount(); ++i)
        if (table[i].Red == (c & 0xFF) && table[i].Green == ((c >> 8) & 0xFF) && table[i].Blue == (c >> 16)) {
          alpha = trns->PaletteValues[i];
          break;
        }
    }
  return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c >> 16), alpha};
}

void Load(TKitPNGObject& Png, const std::vector<uint8_t>& File) { testing::LoadPng(Png, File); }
std::vector<uint8_t> Save(TKitPNGObject& Png) { return testing::SavePng(Png); }

std::string Describe(const TSampleSpec& S) {
  return "type " + std::to_string(S.ColorType) + " depth " + std::to_string(S.BitDepth) + (S.Adam7 ? " Adam7" : "");
}

void ExpectSamePixels(TKitPNGObject& Png, const QImage& Image, const std::string& What) {
  ASSERT_EQ(Image.width(), Png.Width()) << What;
  ASSERT_EQ(Image.height(), Png.Height()) << What;
  int mismatches = 0;
  for (int y = 0; y < Png.Height(); ++y)
    for (int x = 0; x < Png.Width(); ++x) {
      const TRgba ours = OurPixel(Png, x, y), qt = QtPixel(Image, x, y);
      if (!(ours == qt) && mismatches++ < 3)
        ADD_FAILURE() << What << " at " << x << "," << y << ": ours " << ours.R << " " << ours.G << " " << ours.B
                      << " " << ours.A << ", Qt " << qt.R << " " << qt.G << " " << qt.B << " " << qt.A;
    }
}

std::vector<TSampleSpec> EveryFormatPlainAndAdam7() {
  std::vector<TSampleSpec> specs;
  for (TSampleSpec s : AllFormats()) {
    specs.push_back(s);
    s.Adam7 = true;
    specs.push_back(s);
  }
  return specs;
}

TEST(PngOracleTest, EveryFormatDecodesAsQtReadsIt) {
  for (TSampleSpec s : EveryFormatPlainAndAdam7()) {
    if (s.ColorType == 3) {  // no longer than the palette, or Qt drops it
      s.Trns = {0, 128, 255, 7};
      s.Trns.resize(static_cast<size_t>(std::min(4, s.PaletteSize)));
    }
    const std::vector<uint8_t> file = MakePng(s);
    TKitPNGObject png;
    Load(png, file);
    ExpectSamePixels(png, QtRead(file), Describe(s));
  }
}

TEST(PngOracleTest, OurEncoderRoundTripsEveryFormat) {
  for (const TSampleSpec& s : EveryFormatPlainAndAdam7()) {
    TKitPNGObject png;
    Load(png, MakePng(s));
    for (TKitPNGFilters filters : {KitPNGFilter(pfSub), TKitPNGFilters(31), KitPNGFilter(pfNone)}) {
      png.SetFilters(filters);
      const std::vector<uint8_t> saved = Save(png);
      ExpectSamePixels(png, QtRead(saved), Describe(s) + " saved");
      TKitPNGObject again;
      Load(again, saved);
      EXPECT_EQ(again.Header()->BitDepth(), s.BitDepth == 2 ? 4 : s.BitDepth) << Describe(s);
      ExpectSamePixels(again, QtRead(saved), Describe(s) + " reloaded");
    }
  }
}

TEST(PngOracleTest, LargeImageSplitsIdatAndReadsBack) {
  TSampleSpec s;
  s.Width = 300;
  s.Height = 260;
  s.ColorType = 6;
  s.IdatSplit = 1000;  // the reader follows the data over many chunks
  TKitPNGObject png;
  Load(png, MakePng(s));
  png.SetCompressionLevel(0);
  const std::vector<uint8_t> saved = Save(png);
  ExpectSamePixels(png, QtRead(saved), "large");
}

}  // namespace
}  // namespace zv

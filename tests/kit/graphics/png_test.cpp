// The PNG chunk list, file layout, header checks and image data without another reader.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "kit/graphics/graphics_types.h"
#include "kit/graphics/png_image.h"
#include "kit/graphics/png_samples.h"

namespace zv {
namespace {

using testing::JoinChunks;
using testing::MakePng;
using testing::SplitChunks;
using testing::TChunk;
using testing::TSampleSpec;

void Load(TKitPNGObject& Png, const std::vector<uint8_t>& File) { testing::LoadPng(Png, File); }
std::vector<uint8_t> Save(TKitPNGObject& Png) { return testing::SavePng(Png); }

std::vector<std::string> Names(const TKitPNGObject& Png) {
  std::vector<std::string> names;
  for (int i = 0; i < Png.Chunks().Count(); ++i) names.push_back(Png.Chunks().GetItem(i)->Name());
  return names;
}

std::vector<std::string> Types(const std::vector<TChunk>& Chunks) {
  std::vector<std::string> types;
  for (const TChunk& c : Chunks) types.push_back(c.Type);
  return types;
}

// The inflated image data of a file and its rows' filter bytes.
std::vector<uint8_t> ImageData(const std::vector<uint8_t>& File) {
  std::vector<uint8_t> z;
  for (const TChunk& c : SplitChunks(File))
    if (c.Type == "IDAT") z.insert(z.end(), c.Data.begin(), c.Data.end());
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(InflateBuffer(z.data(), z.size(), out, error)) << error;
  return out;
}

template <class E>
std::string MessageOf(const std::vector<uint8_t>& File, TKitPNGObject* Png = nullptr) {
  TKitPNGObject local;
  TKitPNGObject& png = Png ? *Png : local;
  try {
    Load(png, File);
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("wrong error: ") + e.what();
  }
  return "no error";
}

TEST(PngChunkListTest, BlankImagesAndPlacementRules) {
  TKitPNGObject png;
  png.CreateBlank(3, 2, 10, 10);
  EXPECT_EQ(Names(png), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
  EXPECT_EQ(png.Header()->BitDepth(), 4);
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunkPLTE>()->Count(), 16);
  EXPECT_THROW(png.CreateBlank(3, 16, 1, 1), EKitPNGInvalidSpec);
  EXPECT_THROW(png.CreateBlank(2, 4, 1, 1), EKitPNGInvalidSpec);
  EXPECT_THROW(png.CreateBlank(5, 8, 1, 1), EKitPNGInvalidSpec);

  png.Chunks().Add<TKitPNGChunktRNS>();  // after PLTE
  png.Chunks().Add<TKitPNGChunktIME>();  // before IEND
  png.Chunks().Add<TKitPNGChunkgAMA>();  // after IHDR
  EXPECT_EQ(Names(png), (std::vector<std::string>{"IHDR", "gAMA", "PLTE", "tRNS", "IDAT", "tIME", "IEND"}));
  try {
    png.Chunks().Add<TKitPNGChunkgAMA>();
    FAIL();
  } catch (const EKitPNGError& e) {
    EXPECT_STREQ(e.what(), KitPNGText::ExistentCriticalChunk);
  }
  EXPECT_THROW(png.Chunks().Add<TKitPNGChunkIHDR>(), EKitPNGError);

  TKitPNGObject rgb;
  rgb.CreateBlank(2, 8, 4, 4);
  rgb.Chunks().Add<TKitPNGChunktRNS>();  // no PLTE: before the first IDAT
  EXPECT_EQ(Names(rgb), (std::vector<std::string>{"IHDR", "tRNS", "IDAT", "IEND"}));
  rgb.Chunks().Add<TKitPNGChunkzTXT>();
  EXPECT_EQ(rgb.Chunks().Find<TKitPNGChunkTEXT>()->Name(), "zTXt");

  TKitPNGObject empty;
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_THROW(empty.Header(), EKitPNGHeaderNotPresent);
  try {
    empty.Chunks().Add<TKitPNGChunktIME>();
    FAIL();
  } catch (const EKitPNGError& e) {
    EXPECT_STREQ(e.what(), KitPNGText::InvalidImage);
  }
  png.SetMaxIdatSize(1000);
  EXPECT_EQ(png.MaxIdatSize(), 65535);
}

TEST(PngFileTest, ChunksAreKeptDroppedAndWrittenBack) {
  TSampleSpec s;
  s.Extra = {{"tEXt", {'K', 'e', 'y', 0, 'v', 'a', 'l'}}, {"sBIT", {8, 8, 8}}, {"cHRM", std::vector<uint8_t>(32, 1)}};
  TKitPNGObject png;
  Load(png, MakePng(s));
  EXPECT_EQ(Names(png), (std::vector<std::string>{"IHDR", "tEXt", "sBIT", "IDAT", "IEND"}));
  auto* text = png.Chunks().Find<TKitPNGChunkTEXT>();
  EXPECT_EQ(text->Keyword, "Key");
  EXPECT_EQ(text->Text, "val");
  text->Text = "value";
  const std::vector<TChunk> saved = SplitChunks(Save(png));
  EXPECT_EQ(Types(saved), (std::vector<std::string>{"IHDR", "tEXt", "sBIT", "IDAT", "IEND"}));
  EXPECT_EQ(saved[1].Data, (std::vector<uint8_t>{'K', 'e', 'y', 0, 'v', 'a', 'l', 'u', 'e'}));
  EXPECT_EQ(saved[2].Data, (std::vector<uint8_t>{8, 8, 8}));

  const std::vector<uint8_t> file = Save(png);
  const uint8_t iend[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  ASSERT_GE(file.size(), sizeof iend);
  EXPECT_EQ(std::memcmp(file.data() + file.size() - 12, iend, 12), 0);
}

TEST(PngFileTest, AncillaryChunksRoundTrip) {
  TKitPNGObject png;
  png.CreateBlank(0, 8, 2, 2);
  auto* phys = png.Chunks().Add<TKitPNGChunkpHYs>();
  phys->PPUnitX = 3780;
  phys->PPUnitY = 1;
  phys->UnitType = utMeter;
  auto* time = png.Chunks().Add<TKitPNGChunktIME>();
  time->Year = 2024;
  time->Second = 59;
  auto* ztxt = png.Chunks().Add<TKitPNGChunkzTXT>();
  ztxt->Keyword = "Comment";
  auto* ztxt2 = png.Chunks().Add<TKitPNGChunkzTXT>();
  ztxt2->Keyword = "Long";
  ztxt2->Text = std::string(5000, 'x');
  const std::vector<uint8_t> file = Save(png);
  EXPECT_EQ(ztxt->Text, " ");  // an empty text is written as one blank

  TKitPNGObject back;
  Load(back, file);
  EXPECT_EQ(back.Chunks().Find<TKitPNGChunkpHYs>()->PPUnitX, 3780u);
  EXPECT_EQ(back.Chunks().Find<TKitPNGChunkpHYs>()->UnitType, utMeter);
  EXPECT_EQ(back.Chunks().Find<TKitPNGChunktIME>()->Year, 2024);
  EXPECT_EQ(back.Chunks().Find<TKitPNGChunktIME>()->Second, 59);
  auto* first = back.Chunks().Find<TKitPNGChunkzTXT>();
  EXPECT_EQ(first->Text, " ");
  auto* second = static_cast<TKitPNGChunkzTXT*>(back.Chunks().GetItem(first->Index() + 1));
  EXPECT_EQ(second->Text, std::string(5000, 'x'));

  // A compression method other than 0 reads as an empty text.
  std::vector<TChunk> chunks = SplitChunks(file);
  for (TChunk& c : chunks)
    if (c.Type == "zTXt" && c.Data[0] == 'L') c.Data[5] = 1;
  TKitPNGObject odd;
  Load(odd, JoinChunks(chunks));
  EXPECT_EQ(static_cast<TKitPNGChunkzTXT*>(odd.Chunks().GetItem(second->Index()))->Text, "");
}

TEST(PngFileTest, ReadingErrors) {
  const std::vector<uint8_t> good = MakePng(TSampleSpec{});
  const std::vector<TChunk> chunks = SplitChunks(good);
  auto with = [&](auto Edit) {
    std::vector<TChunk> c = chunks;
    Edit(c);
    return JoinChunks(c);
  };
  std::vector<uint8_t> bad = good;
  bad[0] = 0;
  EXPECT_EQ(MessageOf<EKitPNGInvalidFileHeader>(bad), KitPNGText::InvalidFileHeader);

  TKitPNGObject png;
  EXPECT_EQ(MessageOf<EKitPNGUnexpectedEnd>(std::vector<uint8_t>(good.begin(), good.begin() + 8), &png),
            KitPNGText::UnexpectedEnd);
  EXPECT_TRUE(png.Empty());
  EXPECT_EQ(MessageOf<EKitPNGIHDRNotFirst>(with([](auto& c) { std::swap(c[0], c[1]); })), KitPNGText::IHDRNotFirst);
  EXPECT_EQ(MessageOf<EKitPNGNoImageData>(with([](auto& c) { c.erase(c.begin() + 1); })), KitPNGText::NoImageData);

  struct {
    int Byte;
    uint8_t Value;
    std::string Message;
  } const header[] = {
      {0, 1, KitPNGText::SizeExceeds},         // width 2^24 + 7
      {10, 1, KitPNGText::UnknownCompression},  //
      {12, 2, KitPNGText::UnknownInterlace},    //
      {8, 3, KitPNGText::InvalidIHDR},          // bit depth 3
      {9, 7, KitPNGText::InvalidIHDR},          // colour type 7
      {8, 16, ""},                              // RGB 16: fine
      {3, 0, KitPNGText::InvalidIHDR},          // width 0
  };
  for (const auto& row : header) {
    const std::vector<uint8_t> file = with([&](auto& c) { c[0].Data[row.Byte] = row.Value; });
    TKitPNGObject p;
    std::string message = "no error";
    try {
      Load(p, file);
    } catch (const Exception& e) {
      message = e.what();
    }
    EXPECT_EQ(message, row.Message.empty() ? "no error" : row.Message) << row.Byte;
  }
  EXPECT_EQ(MessageOf<EKitPNGInvalidIHDR>(with([](auto& c) { c[0].Data.resize(12); })), KitPNGText::InvalidIHDR);

  TSampleSpec pal;
  pal.ColorType = 3;
  pal.BitDepth = 8;
  pal.PaletteSize = 4;
  std::vector<TChunk> palChunks = SplitChunks(MakePng(pal));
  palChunks[1].Data.resize(770);
  EXPECT_EQ(MessageOf<EKitPNGInvalidPalette>(JoinChunks(palChunks)), KitPNGText::InvalidPalette);
  palChunks = SplitChunks(MakePng(pal));
  palChunks.insert(palChunks.begin() + 2, TChunk{"tRNS", std::vector<uint8_t>(257, 0)});
  EXPECT_EQ(MessageOf<EKitPNGInvalidPalette>(JoinChunks(palChunks)), KitPNGText::InvalidPalette);
}

TEST(PngFileTest, BrokenImageData) {
  TSampleSpec s;
  s.IdatSplit = 20;
  const std::vector<TChunk> chunks = SplitChunks(MakePng(s));
  auto with = [&](auto Edit) {
    std::vector<TChunk> c = chunks;
    Edit(c);
    return JoinChunks(c);
  };
  // The data goes on in a chunk that is not IDAT.
  EXPECT_EQ(MessageOf<EKitPNGMissingMultipleIDAT>(with([](auto& c) { c[2].Type = "IDAX"; })),
            KitPNGText::MissingMultipleIDAT);
  const std::string zlib =
      MessageOf<EKitPNGZLIBError>(with([](auto& c) { c[1].Data[0] = 0x77; }));
  EXPECT_EQ(zlib, std::string(KitPNGText::ZLIBError) + "data error (-3)");
}

// Lengths and sizes from a file never turn into huge allocations or endless loops.
TEST(PngFileTest, HostileLengthsAndSizes) {
  const std::vector<uint8_t> good = MakePng(TSampleSpec{});
  std::vector<uint8_t> file = good;
  file[8 + 25] = 0x80;  // the first IDAT chunk's length: 2^31 and more
  TKitPNGObject png;
  EXPECT_EQ(MessageOf<EKitPNGUnexpectedEnd>(file, &png), KitPNGText::UnexpectedEnd);
  EXPECT_EQ(Names(png), (std::vector<std::string>{"IHDR"}));
  file[8 + 25] = 0x00;
  file[8 + 26] = 0x10;  // a million bytes in a small file
  EXPECT_EQ(MessageOf<EKitPNGUnexpectedEnd>(file), KitPNGText::UnexpectedEnd);

  std::vector<TChunk> chunks = SplitChunks(good);
  for (int k : {0, 4}) chunks[0].Data[k] = 0, chunks[0].Data[k + 1] = 0, chunks[0].Data[k + 2] = 0xFF,
                       chunks[0].Data[k + 3] = 0xFF;
  chunks[0].Data[9] = 6;  // 65535 x 65535 RGBA: 12 GiB of bitmap
  EXPECT_EQ(MessageOf<EKitPNGOutMemory>(JoinChunks(chunks)), KitPNGText::OutMemory);

  // A zlib stream that ends before the last row, with bytes after it: the missing rows stay 0.
  TSampleSpec s;
  s.Height = 6;
  chunks = SplitChunks(MakePng(s));
  std::vector<uint8_t> rows = ImageData(MakePng(s));
  rows.resize(rows.size() / 2);
  std::vector<uint8_t> z;
  std::string error;
  ASSERT_TRUE(DeflateBuffer(rows.data(), rows.size(), 6, z, error));
  z.insert(z.end(), 5000, 0x55);
  chunks[1].Data = z;
  TKitPNGObject half;
  Load(half, JoinChunks(chunks));
  TKitPNGObject whole;
  Load(whole, MakePng(s));
  EXPECT_EQ(std::memcmp(half.GetScanline(0), whole.GetScanline(0), 21), 0);
  EXPECT_EQ(half.GetScanline(5)[0] | half.GetScanline(5)[1], 0);
  EXPECT_EQ(Names(half).back(), "IEND");
}

TEST(PngImageDataTest, TwoBitGrayBecomesFourBit) {
  TSampleSpec s;
  s.ColorType = 0;
  s.BitDepth = 2;
  s.Width = 8;
  s.Height = 1;
  TKitPNGObject png;
  Load(png, MakePng(s));
  EXPECT_EQ(png.Header()->Image().PixelFormat(), pf4bit);
  for (uint32_t x = 0; x < 8; ++x) {
    const int sample = (png.GetScanline(0)[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    EXPECT_EQ(sample, testing::SampleValue(s, x, 0, 0) * 5);  // 3 is white on 16 levels
  }
  const std::vector<uint8_t> saved = Save(png);
  EXPECT_EQ(SplitChunks(saved)[0].Data[8], 4);
  EXPECT_EQ(ImageData(saved).size(), 1u + 4u);
}

TEST(PngImageDataTest, SixteenBitSamplesKeepTheirHighByte) {
  TSampleSpec s;
  s.BitDepth = 16;
  s.Width = 3;
  s.Height = 2;
  TKitPNGObject png;
  Load(png, MakePng(s));
  const uint8_t* row = png.GetScanline(1);
  EXPECT_EQ(row[0], testing::SampleValue(s, 0, 1, 2) >> 8);  // blue first
  EXPECT_EQ(row[2], testing::SampleValue(s, 0, 1, 0) >> 8);
  png.SetFilters(KitPNGFilter(pfNone));
  const std::vector<uint8_t> data = ImageData(Save(png));
  ASSERT_EQ(data.size(), 2u * (1 + 18));
  for (size_t k = 2; k < 19; k += 2) EXPECT_EQ(data[19 + k], 0);  // low bytes
  EXPECT_EQ(data[19 + 1], testing::SampleValue(s, 0, 1, 0) >> 8);
}

TEST(PngImageDataTest, FilterChoice) {
  TKitPNGObject png;
  png.CreateBlank(2, 8, 6, 3);
  for (int y : {1, 2})
    for (int k = 0; k < 18; ++k) png.GetScanline(y)[k] = static_cast<uint8_t>(k * k * 7);
  struct {
    TKitPNGFilters Filters;
    std::vector<uint8_t> Bytes;  // filter byte of each row
  } const rows[] = {
      {KitPNGFilter(pfSub), {1, 1, 1}},
      {KitPNGFilter(pfNone), {0, 0, 0}},
      {0, {0, 0, 0}},
      // Row 0 (zeros) scores the same under both: the earlier, Sub, wins; row 1 scores 0
      // under both and takes None; row 2 repeats row 1, which Paeth predicts exactly.
      {static_cast<TKitPNGFilters>(KitPNGFilter(pfSub) | KitPNGFilter(pfPaeth)), {1, 0, 4}},
  };
  for (const auto& row : rows) {
    png.SetFilters(row.Filters);
    const std::vector<uint8_t> data = ImageData(Save(png));
    ASSERT_EQ(data.size(), 3u * 19);
    EXPECT_EQ((std::vector<uint8_t>{data[0], data[19], data[38]}), row.Bytes) << int(row.Filters);
  }
}

TEST(PngImageDataTest, ImageDataIsSplitIntoMaxIdatSizeChunks) {
  TKitPNGObject png;
  png.CreateBlank(2, 8, 256, 260);
  uint32_t v = 1;
  for (int y = 0; y < 260; ++y)
    for (int k = 0; k < 768; ++k) png.GetScanline(y)[k] = static_cast<uint8_t>((v = v * 1103515245 + 12345) >> 16);
  png.SetCompressionLevel(0);
  for (int max : {65535, 100000}) {
    png.SetMaxIdatSize(max);
    std::vector<size_t> sizes;
    size_t total = 0;
    for (const TChunk& c : SplitChunks(Save(png)))
      if (c.Type == "IDAT") sizes.push_back(c.Data.size()), total += c.Data.size();
    ASSERT_GE(sizes.size(), 2u);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], static_cast<size_t>(max));
    EXPECT_GT(sizes.back(), 0u);
    EXPECT_LT(sizes.back(), static_cast<size_t>(max));
    EXPECT_EQ(total, (sizes.size() - 1) * max + sizes.back());
  }
}

TEST(PngImageDataTest, GammaTables) {
  TKitPNGObject plain;
  Load(plain, MakePng(TSampleSpec{}));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(plain.GammaTable[i], i);

  TSampleSpec s;
  s.Extra = {{"gAMA", {0, 0, 0xB1, 0x8F}}};  // 45455
  TKitPNGObject png;
  Load(png, MakePng(s));
  for (int i = 0; i < 256; ++i) {
    EXPECT_LE(std::abs(png.GammaTable[i] - i), 1) << i;
    EXPECT_LE(std::abs(png.InverseGamma[i] - i), 1) << i;
  }
  s.Extra = {{"gAMA", {0, 0x01, 0x86, 0xA0}}};  // 100000: linear samples, brighter mid-tones
  Load(png, MakePng(s));
  EXPECT_EQ(png.GammaTable[128], 186);
  EXPECT_EQ(png.InverseGamma[186], 128);
  Load(png, MakePng(TSampleSpec{}));  // a new file starts from identity
  EXPECT_EQ(png.GammaTable[128], 128);
}

TEST(PngImageDataTest, PaletteTransparency) {
  TSampleSpec s;
  s.ColorType = 3;
  s.BitDepth = 4;
  s.PaletteSize = 16;
  struct {
    std::vector<uint8_t> Trns;
    bool Bit;
  } const rows[] = {{{255, 0, 255}, true}, {{0, 255, 128}, false}, {{255, 255}, false}};
  for (const auto& row : rows) {
    s.Trns = row.Trns;
    TKitPNGObject png;
    Load(png, MakePng(s));
    auto* trns = png.Chunks().Find<TKitPNGChunktRNS>();
    EXPECT_EQ(trns->BitTransparency(), row.Bit);
    EXPECT_EQ(trns->PaletteValues[row.Trns.size()], 255);
  }
  TKitPNGObject png;
  png.CreateBlank(3, 8, 2, 2);
  auto* trns = png.Chunks().Add<TKitPNGChunktRNS>();
  const TKitRGBQuad entry5 = png.Chunks().Find<TKitPNGChunkPLTE>()->GetPaletteItem(5);
  trns->SetTransparentColor(KitRGB(entry5.Red, entry5.Green, entry5.Blue));
  EXPECT_EQ(trns->DataSize(), 6u);
  EXPECT_EQ(trns->PaletteValues[4], 255);
  EXPECT_EQ(trns->PaletteValues[5], 0);
  trns->SetTransparentColor(0x010203);  // in no entry: entry 0
  EXPECT_EQ(trns->DataSize(), 1u);
  EXPECT_EQ(trns->TransparentColor(), KitRGB(0, 0, 0));
  EXPECT_THROW(png.Chunks().Find<TKitPNGChunkPLTE>()->GetPaletteItem(256), EKitPNGError);
}

}  // namespace
}  // namespace zv

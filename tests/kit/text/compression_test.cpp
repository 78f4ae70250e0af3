#include "kit/text/compression.h"

#include <gtest/gtest.h>

#include <random>

#include "kit_test_helpers.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::B;
using test::ErrorOf;

TKitByteArray Text(const std::string& S) { return TKitByteArray(S.begin(), S.end()); }

TKitByteArray Compress(const TKitByteArray& Source) {
  TKitByteArray out(Source.size() + KitLZRW1Slack);
  out.resize(static_cast<size_t>(KitLZRW1Compress(Source.data(), out.data(), static_cast<int>(Source.size()))));
  return out;
}

TKitByteArray Restore(const TKitByteArray& Block, int Capacity = KitLZRW1BlockSize) {
  TKitByteArray out(static_cast<size_t>(Capacity));
  out.resize(static_cast<size_t>(
      KitLZRW1Decompress(Block.data(), out.data(), static_cast<int>(Block.size()), Capacity)));
  return out;
}

// Text with repeats near and far, runs, and a little noise: what device descriptions and
// bitmaps look like to the coder.
TKitByteArray Sample(size_t Size, unsigned Seed) {
  std::mt19937 rng(Seed);
  TKitByteArray out;
  const char* words[] = {"<Data Value=\"", "00FF", "\"/>\n", "  <LogicalName Value=\"0100010800FF\"/>\n", "Register"};
  while (out.size() < Size) {
    const unsigned r = rng() % 10;
    if (r < 6) {
      const std::string w = words[rng() % 5];
      out.insert(out.end(), w.begin(), w.end());
    } else if (r < 7) {
      out.insert(out.end(), 10 + rng() % 60, static_cast<uint8_t>(rng()));
    } else {
      out.push_back(static_cast<uint8_t>(rng()));
    }
  }
  out.resize(Size);
  return out;
}

TEST(CompressionTest, LZRW1Vectors) {
  struct TCase {
    const char* Name;
    TKitByteArray Source, Block;
  };
  TKitByteArray hundred(100, 'x'), sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(static_cast<uint8_t>(i));
  TKitByteArray stored16 = B({0x80});
  stored16.insert(stored16.end(), sixteen.begin(), sixteen.end());
  const TCase cases[] = {
      {"one run item", hundred, B({0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 'x'})},
      {"no repeats: stored", sixteen, stored16},
      {"coding would grow it: stored", Text("abcabc"), B({0x80, 'a', 'b', 'c', 'a', 'b', 'c'})},
      {"copy overlapping its output", Text("abcdabcdabcdabcdabcd"),
       B({0x40, 0x08, 0x00, 'a', 'b', 'c', 'd', 0x00, 0x4D})},
      {"empty", {}, B({0x80})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Compress(c.Source), c.Block);
    EXPECT_EQ(Restore(c.Block), c.Source);
  }
}

TEST(CompressionTest, LZRW1RoundTrips) {
  for (size_t size : {1, 17, 1000, 32781}) {
    for (unsigned seed : {1u, 2u}) {
      const TKitByteArray source = Sample(size, seed);
      const TKitByteArray block = Compress(source);
      EXPECT_LE(block.size(), size + 1);
      EXPECT_EQ(Restore(block), source) << size;
    }
  }
  // More than 16 items, so several control words; runs at the limit of one item.
  TKitByteArray runs(4095 + 4096 + 20, 'r');
  for (size_t i = 8191; i < runs.size(); ++i) runs[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(Restore(Compress(runs)), runs);
  TKitByteArray tooBig(KitLZRW1BlockSize + 1 + KitLZRW1Slack);
  EXPECT_EQ(ErrorOf([&] { KitLZRW1Compress(tooBig.data(), tooBig.data(), KitLZRW1BlockSize + 1); }),
            "Invalid Count value");
}

TEST(CompressionTest, LZRW1MalformedBlocks) {
  struct TCase {
    const char* Name;
    TKitByteArray Block;
    int Capacity;
  };
  const TCase cases[] = {
      {"no control word", B({0x40, 0x80}), 100},
      {"copy before the output's start", B({0x40, 0x80, 0x00, 0x00, 0x10}), 100},
      {"copy item cut off", B({0x40, 0x80, 0x00, 0x00}), 100},
      {"run item cut off", B({0x40, 0x80, 0x00, 0x00, 0x00, 0x54}), 100},
      {"run past the capacity", B({0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 'x'}), 99},
      {"literal past the capacity", B({0x40, 0x00, 0x00, 'a', 'b'}), 1},
      {"stored past the capacity", B({0x80, 'a', 'b'}), 1},
      {"next control word cut off", [] {
         TKitByteArray b = B({0x40, 0x00, 0x00});
         b.insert(b.end(), 16, 'a');
         b.push_back(0x00);
         return b;
       }(), 100},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ErrorOf([&] { Restore(c.Block, c.Capacity); }), "LZRW Error!") << c.Name;
  // No block restores to more than a source block, however large the destination.
  TKitByteArray stored(KitLZRW1BlockSize + 2, 'x');
  stored[0] = 0x80;
  EXPECT_EQ(ErrorOf([&] { Restore(stored, 1 << 20); }), "LZRW Error!");
  stored.pop_back();
  EXPECT_EQ(Restore(stored, 1 << 20).size(), static_cast<size_t>(KitLZRW1BlockSize));
}

TEST(CompressionTest, ZlibBlocks) {
  const TKitByteArray source = Sample(5000, 3);
  TKitByteArray packed = B({1, 2, 3, 4});  // too small a start: it grows
  const int n = KitZCompressBlock(source.data(), packed, static_cast<int>(source.size()));
  EXPECT_EQ(packed.size(), static_cast<size_t>(n));
  TKitByteArray restored;
  EXPECT_EQ(KitZDecompressBlock(packed.data(), restored, n), 5000);
  EXPECT_EQ(restored, source);

  EXPECT_EQ(ErrorOf([&] { KitZDecompressBlock(packed.data(), restored, n - 3); }), "Compression error -5");
  EXPECT_EQ(ErrorOf([&] { KitZDecompressBlock(packed.data(), restored, n, 4999); }), "Compression error -3");
  TKitByteArray garbage = B({0x12, 0x34, 0x56});
  EXPECT_EQ(ErrorOf([&] { KitZDecompressBlock(garbage.data(), restored, 3); }), "Compression error -3");
  // A stream that asks for a dictionary ends with an error rather than looping.
  TKitByteArray dictionary = B({0x78, 0xBB, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00});
  EXPECT_EQ(ErrorOf([&] { KitZDecompressBlock(dictionary.data(), restored, 8); }), "Compression error 2");
}

TEST(CompressionTest, StreamRoundTrips) {
  for (int method : {0, 1}) {
    for (size_t size : {0, 10, 32781, 100000}) {
      SCOPED_TRACE(testing::Message() << "method " << method << " size " << size);
      const TKitByteArray source = Sample(size, 4);
      TKitMemoryStream in(source), packed, out;
      packed.WriteBuffer("head", 4);
      KitCompressStream(in, packed, static_cast<int64_t>(size) + 50, method);  // asks for more than there is
      EXPECT_EQ(packed.Position(), packed.Size());
      packed.SetPosition(4);
      KitDecompressStream(packed, out, method);
      EXPECT_EQ(out.Data(), source);
      EXPECT_EQ(packed.Position(), packed.Size());
      // The total counts every block with its length field.
      uint32_t total = 0;
      for (int i = 0; i < 4; ++i) total |= static_cast<uint32_t>(packed.Data()[4 + static_cast<size_t>(i)]) << (8 * i);
      EXPECT_EQ(total, packed.Size() - 8);
    }
  }
  // Count stops before the end of the source.
  TKitMemoryStream in(Sample(1000, 5)), packed, out;
  KitCompressStream(in, packed, 600, 0);
  packed.SetPosition(0);
  KitDecompressStream(packed, out, 0);
  EXPECT_EQ(out.Data(), TKitByteArray(in.Data().begin(), in.Data().begin() + 600));
}

TEST(CompressionTest, StreamMalformed) {
  TKitMemoryStream in(Sample(40000, 6)), packed;
  KitCompressStream(in, packed, 40000, 0);
  const TKitByteArray good = packed.Data();
  auto restore = [](TKitByteArray Bytes, int Method) {
    TKitMemoryStream s(std::move(Bytes)), out;
    KitDecompressStream(s, out, Method);
  };
  auto withLE32 = [&good](size_t At, uint32_t V) {
    TKitByteArray b = good;
    for (int i = 0; i < 4; ++i) b[At + static_cast<size_t>(i)] = static_cast<uint8_t>(V >> (8 * i));
    return b;
  };
  EXPECT_EQ(ErrorOf([&] { restore(TKitByteArray(good.begin(), good.end() - 1), 0); }), "Stream read error");
  EXPECT_EQ(ErrorOf([&] { restore(TKitByteArray(good.begin(), good.begin() + 2), 0); }), "Stream read error");
  EXPECT_EQ(ErrorOf([&] { restore(withLE32(4, 0x7FFFFFF0), 0); }), "Stream read error");  // huge block
  EXPECT_EQ(ErrorOf([&] { restore(withLE32(4, 0xFFFFFFFF), 0); }), "Stream read error");  // negative
  EXPECT_EQ(ErrorOf([&] { restore(withLE32(0, 0x7FFFFFFF), 0); }), "Stream read error");  // total too big
  EXPECT_EQ(ErrorOf([&] { restore(withLE32(0, 10), 0); }), "Stream read error");          // total too small
  EXPECT_EQ(ErrorOf([&] { restore(good, 1); }), "Compression error -3");                 // wrong method
  // A zlib block that restores to more than a source block is refused, not followed.
  TKitByteArray zeros(1 << 20), bomb;
  const int n = KitZCompressBlock(zeros.data(), bomb, static_cast<int>(zeros.size()));
  TKitMemoryStream s;
  const uint8_t head[8] = {static_cast<uint8_t>(n + 4), static_cast<uint8_t>((n + 4) >> 8), 0, 0,
                           static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0};
  s.WriteBuffer(head, 8);
  s.WriteBuffer(bomb.data(), n);
  EXPECT_EQ(ErrorOf([&] { restore(s.Data(), 1); }), "Compression error -3");
}

}  // namespace
}  // namespace zv

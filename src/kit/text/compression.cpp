#include "kit/text/compression.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace zv {

namespace {

constexpr uint16_t EmptySlot = 0xFFFF;  // block positions stay below it
constexpr int MaxDistance = 4095;
constexpr int MinMatch = 3;
constexpr int MaxMatch = 18;
constexpr int MinRun = 16;
constexpr int MaxRun = 4095;

[[noreturn]] void LZRWError() { throw Exception("LZRW Error!"); }
[[noreturn]] void ZError(int Code) { throw Exception("Compression error " + std::to_string(Code)); }

int RoundUp256(int64_t N) { return static_cast<int>((N + 255) / 256 * 256); }

}  // namespace

int KitLZRW1Compress(const uint8_t* Source, uint8_t* Dest, int Count) {
  if (Count < 0 || Count > KitLZRW1BlockSize) throw EInvalidArgument("Invalid Count value");
  uint16_t table[4096];
  std::fill(std::begin(table), std::end(table), EmptySlot);
  const int n = Count;
  Dest[0] = 0x40;
  int control = 1;  // where the current control word goes
  int out = 3;
  uint32_t bits = 0;
  int items = 0;
  int p = 0;
  auto storeControl = [&](uint32_t Value) {
    Dest[control] = static_cast<uint8_t>(Value >> 8);
    Dest[control + 1] = static_cast<uint8_t>(Value);
  };
  while (p < n && out <= n) {
    if (items == 16) {
      storeControl(bits);
      control = out;
      out += 2;
      bits = 0;
      items = 0;
    }
    const uint8_t b = Source[p];
    const int runLimit = std::min(MaxRun, n - p);
    int run = 1;
    while (run < runLimit && Source[p + run] == b) ++run;
    if (run >= MinRun) {
      Dest[out++] = 0;
      Dest[out++] = static_cast<uint8_t>((run - MinRun) >> 8);
      Dest[out++] = static_cast<uint8_t>(run - MinRun);
      Dest[out++] = b;
      p += run;
      bits = bits << 1 | 1;
    } else {
      int length = 0, distance = 0;
      if (n - p >= MinMatch) {
        const uint32_t key = ((static_cast<uint32_t>(Source[p]) << 4 ^ Source[p + 1]) << 4) ^ Source[p + 2];
        const uint32_t h = (key * 40543u >> 4) & 4095;
        const int candidate = table[h];
        table[h] = static_cast<uint16_t>(p);
        if (candidate != EmptySlot && p - candidate <= MaxDistance) {
          const int lengthLimit = std::min(MaxMatch, n - p);
          while (length < lengthLimit && Source[candidate + length] == Source[p + length]) ++length;
          distance = p - candidate;
        }
      }
      if (length >= MinMatch) {
        const uint32_t word = static_cast<uint32_t>(distance) << 4 | static_cast<uint32_t>(length - MinMatch);
        Dest[out++] = static_cast<uint8_t>(word >> 8);
        Dest[out++] = static_cast<uint8_t>(word);
        p += length;
        bits = bits << 1 | 1;
      } else {
        Dest[out++] = Source[p++];
        bits <<= 1;
      }
    }
    ++items;
  }
  storeControl(bits << (16 - items));
  if (out > n) {
    Dest[0] = 0x80;
    if (n > 0) std::memcpy(Dest + 1, Source, static_cast<size_t>(n));
    return n + 1;
  }
  return out;
}

int KitLZRW1Decompress(const uint8_t* Block, uint8_t* Dest, int Length, int DestCapacity) {
  if (Length <= 0) return 0;
  const int limit = std::clamp(DestCapacity, 0, KitLZRW1BlockSize);
  if (Block[0] == 0x80) {
    if (Length - 1 > limit) LZRWError();
    std::memcpy(Dest, Block + 1, static_cast<size_t>(Length - 1));
    return Length - 1;
  }
  if (Length < 3) LZRWError();
  uint32_t control = static_cast<uint32_t>(Block[1] << 8 | Block[2]);
  int bits = 16;
  int i = 3;
  int out = 0;
  while (i < Length) {
    if (bits == 0) {
      if (Length - i < 2) LZRWError();
      control = static_cast<uint32_t>(Block[i] << 8 | Block[i + 1]);
      i += 2;
      bits = 16;
    }
    if ((control & 0x8000) == 0) {
      if (i >= Length || out >= limit) LZRWError();
      Dest[out++] = Block[i++];
    } else {
      if (Length - i < 2) LZRWError();
      const int distance = Block[i] << 4 | Block[i + 1] >> 4;
      if (distance == 0) {
        if (Length - i < 4) LZRWError();
        const int count = (Block[i + 1] << 8 | Block[i + 2]) + MinRun;
        if (count > limit - out) LZRWError();
        std::memset(Dest + out, Block[i + 3], static_cast<size_t>(count));
        out += count;
        i += 4;
      } else {
        const int count = (Block[i + 1] & 15) + MinMatch;
        if (distance > out || count > limit - out) LZRWError();
        // Byte by byte: a copy that overlaps its own output repeats a pattern.
        for (int k = 0; k < count; ++k, ++out) Dest[out] = Dest[out - distance];
        i += 2;
      }
    }
    control <<= 1;
    --bits;
  }
  return out;
}

namespace {

// Ends a zlib stream record on every way out.
struct TDeflateGuard {
  z_stream& Z;
  ~TDeflateGuard() { deflateEnd(&Z); }
};
struct TInflateGuard {
  z_stream& Z;
  ~TInflateGuard() { inflateEnd(&Z); }
};

}  // namespace

int KitZCompressBlock(const uint8_t* Source, TKitByteArray& Dest, int Count) {
  if (Count < 0) throw EInvalidArgument("Invalid Count value");
  z_stream z{};
  if (const int r = deflateInit(&z, 9); r != Z_OK) ZError(r);
  TDeflateGuard guard{z};
  if (Dest.empty()) Dest.resize(static_cast<size_t>(RoundUp256(int64_t{Count} + Count / 10 + 12)));
  z.next_in = const_cast<Bytef*>(Source);
  z.avail_in = static_cast<uInt>(Count);
  z.next_out = Dest.data();
  z.avail_out = static_cast<uInt>(Dest.size());
  for (;;) {
    const int r = deflate(&z, Z_FINISH);
    if (r == Z_STREAM_END) break;
    if (r != Z_OK) ZError(r);
    // Stopped short of the end: 256 bytes more room.
    const size_t used = z.total_out;
    Dest.resize(Dest.size() + 256);
    z.next_out = Dest.data() + used;
    z.avail_out = static_cast<uInt>(Dest.size() - used);
  }
  Dest.resize(z.total_out);
  return static_cast<int>(z.total_out);
}

int KitZDecompressBlock(const uint8_t* Source, TKitByteArray& Dest, int Count, int64_t MaxOutput) {
  if (Count < 0) throw EInvalidArgument("Invalid Count value");
  z_stream z{};
  if (const int r = inflateInit(&z); r != Z_OK) ZError(r);
  TInflateGuard guard{z};
  // Room beyond the limit by one byte shows that the limit was passed.
  const size_t cap = MaxOutput < 0 ? std::numeric_limits<size_t>::max() : static_cast<size_t>(MaxOutput) + 1;
  const size_t step = static_cast<size_t>(RoundUp256(std::max(Count, 1)));
  if (Dest.empty()) Dest.resize(std::min(step, cap));
  z.next_in = const_cast<Bytef*>(Source);
  z.avail_in = static_cast<uInt>(Count);
  z.next_out = Dest.data();
  z.avail_out = static_cast<uInt>(Dest.size());
  for (;;) {
    // Every result but progress and the end is an error; one that is not negative (a
    // dictionary asked for) would otherwise repeat for ever.
    const int r = inflate(&z, Z_NO_FLUSH);
    if (MaxOutput >= 0 && z.total_out > static_cast<uint64_t>(MaxOutput)) ZError(Z_DATA_ERROR);
    if (r == Z_STREAM_END) break;
    if (r != Z_OK) ZError(r);
    if (z.avail_out == 0) {
      const size_t used = z.total_out;
      Dest.resize(std::min(Dest.size() + step, cap));
      z.next_out = Dest.data() + used;
      z.avail_out = static_cast<uInt>(Dest.size() - used);
    }
  }
  Dest.resize(z.total_out);
  return static_cast<int>(z.total_out);
}

void KitCompressStream(TKitStream& Source, TKitStream& Dest, int64_t Count, int Method) {
  const bool zlib = Method == 1;
  const int blockSize = zlib ? KitZBlockSize : KitLZRW1BlockSize;
  const int64_t start = Dest.Position();
  KitWriteInteger(Dest, 0);
  TKitByteArray in(static_cast<size_t>(blockSize)), out(static_cast<size_t>(blockSize + KitLZRW1Slack));
  int64_t total = 0;
  while (Count > 0) {
    const int64_t got = Source.Read(in.data(), std::min<int64_t>(Count, blockSize));
    if (got <= 0) break;
    int length;
    if (zlib) {
      out.clear();
      length = KitZCompressBlock(in.data(), out, static_cast<int>(got));
    } else {
      out.resize(static_cast<size_t>(blockSize + KitLZRW1Slack));
      length = KitLZRW1Compress(in.data(), out.data(), static_cast<int>(got));
    }
    KitWriteInteger(Dest, static_cast<int32_t>(length));
    Dest.WriteBuffer(out.data(), length);
    total += 4 + length;
    // The total field is 32 bits; a stream it cannot describe is not written.
    if (total > std::numeric_limits<int32_t>::max()) throw EWriteError("Stream write error");
    Count -= got;
  }
  const int64_t end = Dest.Position();
  Dest.SetPosition(start);
  KitWriteInteger(Dest, static_cast<int32_t>(total));
  Dest.SetPosition(end);
}

void KitDecompressStream(TKitStream& Source, TKitStream& Dest, int Method) {
  const bool zlib = Method == 1;
  int64_t total = KitReadInteger(Source);
  TKitByteArray block, out;
  while (total > 0) {
    const int64_t length = KitReadInteger(Source);
    total -= 4;
    // Lengths come from the file: check them before they size anything.
    if (length < 0 || length > total || length > Source.Size() - Source.Position())
      throw EReadError("Stream read error");
    block.resize(static_cast<size_t>(length));
    Source.ReadBuffer(block.data(), length);
    int n;
    if (zlib) {
      out.clear();
      n = KitZDecompressBlock(block.data(), out, static_cast<int>(length), KitZBlockSize);
    } else {
      out.resize(KitLZRW1BlockSize);
      n = KitLZRW1Decompress(block.data(), out.data(), static_cast<int>(length), KitLZRW1BlockSize);
    }
    Dest.WriteBuffer(out.data(), n);
    total -= length;
  }
}

}  // namespace zv

// A small PNG writer of the tests, independent of the library's encoder: it makes files of
// any colour type, bit depth and interlace with every filter type in use, so that the
// decoder can be checked against another reader.
#pragma once
#include <zlib.h>

#include "kit/graphics/png_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::testing {

struct TSampleSpec {
  uint32_t Width = 7;
  uint32_t Height = 5;
  uint8_t ColorType = 2;
  uint8_t BitDepth = 8;
  bool Adam7 = false;
  int PaletteSize = 0;          // PLTE entries for colour type 3
  std::vector<uint8_t> Trns;    // tRNS data, written when not empty
  size_t IdatSplit = 0;         // bytes per IDAT chunk, 0 for one chunk
  std::vector<std::pair<std::string, std::vector<uint8_t>>> Extra;  // chunks before IDAT
};

inline int Channels(uint8_t ColorType) {
  switch (ColorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// The sample value of channel C of pixel (X, Y): varied, within the depth (and palette).
inline uint32_t SampleValue(const TSampleSpec& S, uint32_t X, uint32_t Y, int C) {
  uint32_t v = (X * 2654435761u) ^ (Y * 40503u + 977u) ^ (static_cast<uint32_t>(C) * 0x9E3779B9u);
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  v ^= v >> 15;
  if (S.ColorType == 3) return v % static_cast<uint32_t>(S.PaletteSize);
  return S.BitDepth == 16 ? v & 0xFFFF : v & ((1u << S.BitDepth) - 1);
}

inline void PutBE32(std::vector<uint8_t>& Out, uint32_t V) {
  for (int s = 24; s >= 0; s -= 8) Out.push_back(static_cast<uint8_t>(V >> s));
}

inline void PutChunk(std::vector<uint8_t>& Out, const std::string& Type, const std::vector<uint8_t>& Data) {
  PutBE32(Out, static_cast<uint32_t>(Data.size()));
  std::vector<uint8_t> body(Type.begin(), Type.end());
  body.insert(body.end(), Data.begin(), Data.end());
  Out.insert(Out.end(), body.begin(), body.end());
  PutBE32(Out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// The raw (unfiltered) row of the pixels X0, X0 + Step, ... of row Y.
inline std::vector<uint8_t> RawRow(const TSampleSpec& S, uint32_t Y, uint32_t X0, uint32_t Step) {
  const int ch = Channels(S.ColorType);
  const uint32_t n = (S.Width - X0 + Step - 1) / Step;
  const uint32_t bits = n * ch * S.BitDepth;
  std::vector<uint8_t> row((bits + 7) / 8);
  uint32_t bit = 0;
  for (uint32_t i = 0; i < n; ++i)
    for (int c = 0; c < ch; ++c) {
      const uint32_t v = SampleValue(S, X0 + i * Step, Y, c);
      if (S.BitDepth == 16) {
        row[bit / 8] = static_cast<uint8_t>(v >> 8);
        row[bit / 8 + 1] = static_cast<uint8_t>(v);
      } else if (S.BitDepth == 8) {
        row[bit / 8] = static_cast<uint8_t>(v);
      } else {
        row[bit / 8] |= static_cast<uint8_t>(v << (8 - S.BitDepth - bit % 8));
      }
      bit += S.BitDepth;
    }
  return row;
}

inline uint8_t PaethOf(int A, int B, int C) {
  const int p = A + B - C, pa = std::abs(p - A), pb = std::abs(p - B), pc = std::abs(p - C);
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? A : pb <= pc ? B : C);
}

// Filters a row with filter type F (bpp = bytes per complete pixel, at least 1).
inline std::vector<uint8_t> FilterRow(int F, const std::vector<uint8_t>& Raw, const std::vector<uint8_t>& Prev,
                                      int Bpp) {
  std::vector<uint8_t> out{static_cast<uint8_t>(F)};
  for (size_t i = 0; i < Raw.size(); ++i) {
    const int a = i >= static_cast<size_t>(Bpp) ? Raw[i - Bpp] : 0;
    const int b = Prev.empty() ? 0 : Prev[i];
    const int c = i >= static_cast<size_t>(Bpp) && !Prev.empty() ? Prev[i - Bpp] : 0;
    const int pred = F == 1 ? a : F == 2 ? b : F == 3 ? (a + b) / 2 : F == 4 ? PaethOf(a, b, c) : 0;
    out.push_back(static_cast<uint8_t>(Raw[i] - pred));
  }
  return out;
}

inline std::vector<uint8_t> MakePng(const TSampleSpec& S) {
  const int bpp = std::max(1, Channels(S.ColorType) * S.BitDepth / 8);
  std::vector<uint8_t> filtered;
  int rowIndex = 0;
  auto addRows = [&](uint32_t Y0, uint32_t YStep, uint32_t X0, uint32_t XStep) {
    if (X0 >= S.Width) return;
    std::vector<uint8_t> prev;
    for (uint32_t y = Y0; y < S.Height; y += YStep) {
      std::vector<uint8_t> raw = RawRow(S, y, X0, XStep);
      const std::vector<uint8_t> f = FilterRow(rowIndex++ % 5, raw, prev, bpp);
      filtered.insert(filtered.end(), f.begin(), f.end());
      prev = raw;
    }
  };
  if (S.Adam7) {
    const uint32_t p[7][4] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                              {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};
    for (const auto& pass : p) addRows(pass[0], pass[1], pass[2], pass[3]);
  } else {
    addRows(0, 1, 0, 1);
  }
  uLongf size = compressBound(static_cast<uLong>(filtered.size()));
  std::vector<uint8_t> z(size);
  compress2(z.data(), &size, filtered.data(), static_cast<uLong>(filtered.size()), 6);
  z.resize(size);

  std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<uint8_t> ihdr;
  PutBE32(ihdr, S.Width);
  PutBE32(ihdr, S.Height);
  ihdr.insert(ihdr.end(), {S.BitDepth, S.ColorType, 0, 0, static_cast<uint8_t>(S.Adam7 ? 1 : 0)});
  PutChunk(out, "IHDR", ihdr);
  if (S.ColorType == 3) {
    std::vector<uint8_t> plte;
    for (int i = 0; i < S.PaletteSize; ++i)
      plte.insert(plte.end(), {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11),
                               static_cast<uint8_t>(i * 101 + 7)});
    PutChunk(out, "PLTE", plte);
  }
  if (!S.Trns.empty()) PutChunk(out, "tRNS", S.Trns);
  for (const auto& [type, data] : S.Extra) PutChunk(out, type, data);
  const size_t split = S.IdatSplit ? S.IdatSplit : z.size();
  for (size_t at = 0; at < z.size(); at += split)
    PutChunk(out, "IDAT", std::vector<uint8_t>(z.begin() + at, z.begin() + std::min(z.size(), at + split)));
  PutChunk(out, "IEND", {});
  return out;
}

// Every legal colour type and bit depth.
inline std::vector<TSampleSpec> AllFormats() {
  std::vector<TSampleSpec> specs;
  const std::pair<uint8_t, std::vector<uint8_t>> formats[] = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  for (const auto& [type, depths] : formats)
    for (uint8_t depth : depths) {
      TSampleSpec s;
      s.ColorType = type;
      s.BitDepth = depth;
      s.Width = 19;
      s.Height = 11;
      if (type == 3) s.PaletteSize = std::min(1 << depth, 200);
      specs.push_back(s);
    }
  return specs;
}

}  // namespace zv::testing

namespace zv::testing {

struct TChunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

// The chunks of a well-formed file (CRCs not checked).
inline std::vector<TChunk> SplitChunks(const std::vector<uint8_t>& File) {
  std::vector<TChunk> chunks;
  for (size_t at = 8; at + 12 <= File.size();) {
    const uint32_t n = (uint32_t(File[at]) << 24) | (File[at + 1] << 16) | (File[at + 2] << 8) | File[at + 3];
    chunks.push_back({std::string(File.begin() + at + 4, File.begin() + at + 8),
                      std::vector<uint8_t>(File.begin() + at + 8, File.begin() + at + 8 + n)});
    at += 12 + n;
  }
  return chunks;
}

inline std::vector<uint8_t> JoinChunks(const std::vector<TChunk>& Chunks) {
  std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const TChunk& c : Chunks) PutChunk(out, c.Type, c.Data);
  return out;
}

}  // namespace zv::testing

namespace zv::testing {

inline void LoadPng(TKitPNGObject& Png, const std::vector<uint8_t>& File) {
  TKitMemoryStream stream(File);
  Png.LoadFromStream(stream);
}

inline std::vector<uint8_t> SavePng(TKitPNGObject& Png) {
  TKitMemoryStream stream;
  Png.SaveToStream(stream);
  return stream.Data();
}

}  // namespace zv::testing

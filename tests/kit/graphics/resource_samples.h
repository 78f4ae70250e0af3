// Samples of the resource tests: a canonical PCM wave image, streams over bytes, and files
// of the test's own under the test temporary folder.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"
#include "kit/text/sys_info.h"

namespace zv::test {

inline void PutLE(std::string& Out, uint32_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out.push_back(static_cast<char>(Value >> (8 * i)));
}

// Bytes of a text (built as a string: it keeps the compiler's bounds checks quiet).
inline std::vector<uint8_t> Bytes(const std::string& S) { return std::vector<uint8_t>(S.begin(), S.end()); }

// The 44-byte header and DataBytes bytes of samples (i & 0xFF).
inline std::vector<uint8_t> PcmWave(int Channels, int Rate, int Bits, int DataBytes) {
  std::string w = "RIFF";
  PutLE(w, 36 + DataBytes, 4);
  w += "WAVEfmt ";
  PutLE(w, 16, 4);
  PutLE(w, 1, 2);
  PutLE(w, Channels, 2);
  PutLE(w, Rate, 4);
  PutLE(w, Rate * Channels * Bits / 8, 4);
  PutLE(w, Channels * Bits / 8, 2);
  PutLE(w, Bits, 2);
  w += "data";
  PutLE(w, DataBytes, 4);
  for (int i = 0; i < DataBytes; ++i) w.push_back(static_cast<char>(i));
  return Bytes(w);
}

// Value as 4 little-endian bytes at At (which must lie inside).
inline void SetLE32(std::vector<uint8_t>& Bytes, size_t At, uint32_t Value) {
  for (size_t i = 0; i < 4; ++i) Bytes.at(At + i) = static_cast<uint8_t>(Value >> (8 * i));
}

inline uint32_t LE32At(const std::vector<uint8_t>& Bytes, size_t At) {
  return Bytes[At] | Bytes[At + 1] << 8 | Bytes[At + 2] << 16 | static_cast<uint32_t>(Bytes[At + 3]) << 24;
}

// A file path of this test process; the file is removed with the object.
class TTempFile {
 public:
  explicit TTempFile(const std::string& Name)
      : FPath(::testing::TempDir() + "kit_res_" + std::to_string(getpid()) + "_" + Name) {}
  ~TTempFile() { std::remove(FPath.c_str()); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return FPath; }
  TKitString Name() const { return KitFromPlatformText(FPath); }
  std::vector<uint8_t> Read() const {
    std::vector<uint8_t> out;
    if (FILE* f = std::fopen(FPath.c_str(), "rb")) {
      for (int c; (c = std::fgetc(f)) != EOF;) out.push_back(static_cast<uint8_t>(c));
      std::fclose(f);
    }
    return out;
  }
  void Write(const std::vector<uint8_t>& Bytes) const {
    FILE* f = std::fopen(FPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(Bytes.data(), 1, Bytes.size(), f);
    std::fclose(f);
  }

 private:
  std::string FPath;
};

}  // namespace zv::test

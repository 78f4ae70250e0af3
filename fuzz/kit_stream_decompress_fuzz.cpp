// Arbitrary bytes as a compressed stream (the first byte picks the method): the reader
// raises or restores, and never trusts a stored length or total. What it restores is
// compressed again and must restore to the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kit/text/compression.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int method = data[0] & 1;
  TKitMemoryStream in(std::vector<uint8_t>(data + 1, data + size)), out;
  try {
    KitDecompressStream(in, out, method);
  } catch (const Exception&) {
    return 0;
  }
  // Every block restores to at most a source block, each taking at least one byte.
  if (out.Size() > static_cast<int64_t>(size) * KitLZRW1BlockSize) __builtin_trap();
  TKitMemoryStream packed, back;
  out.SetPosition(0);
  KitCompressStream(out, packed, out.Size(), method);
  packed.SetPosition(0);
  try {
    KitDecompressStream(packed, back, method);
  } catch (const Exception&) {
    __builtin_trap();  // our own stream refused
  }
  if (back.Data() != out.Data()) __builtin_trap();
  return 0;
}

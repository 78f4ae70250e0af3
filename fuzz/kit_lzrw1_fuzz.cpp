// Arbitrary bytes as an LZRW1 block: the decoder raises or restores within its bounds.
// The same bytes as a source: compressing and restoring gives them back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kit/text/compression.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A small destination on odd first bytes, so that the capacity checks are reached too.
  const int capacity = size > 0 && (data[0] & 1) ? 64 : KitLZRW1BlockSize;
  std::vector<uint8_t> out(static_cast<size_t>(capacity));
  try {
    const int n = KitLZRW1Decompress(data, out.data(), static_cast<int>(size), capacity);
    if (n < 0 || n > capacity) __builtin_trap();
  } catch (const Exception&) {
  }

  const int count = static_cast<int>(size < KitLZRW1BlockSize ? size : KitLZRW1BlockSize);
  std::vector<uint8_t> block(static_cast<size_t>(count + KitLZRW1Slack));
  const int length = KitLZRW1Compress(data, block.data(), count);
  if (length < 1 || length > count + 1) __builtin_trap();
  std::vector<uint8_t> back(KitLZRW1BlockSize);
  const int restored = KitLZRW1Decompress(block.data(), back.data(), length, KitLZRW1BlockSize);
  if (restored != count || std::memcmp(back.data(), data, static_cast<size_t>(count)) != 0) __builtin_trap();
  return 0;
}

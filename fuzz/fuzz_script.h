// A fuzz input read as a script of choices. Past the end every read gives zero, so any
// input is a whole script and a target never reads outside it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kit/text/kit_types.h"

namespace zv::fuzz {

// The most steps one input runs in the session targets. The fuzzer reaches longer sessions
// by joining inputs; short ones run many times more often and make clearer reproducers.
inline constexpr int kMaxSteps = 32;

class Script {
 public:
  Script(const uint8_t *data, size_t size) : p_(data), end_(data + size) {}
  bool More() const { return p_ < end_; }
  uint32_t Byte() { return p_ < end_ ? *p_++ : 0; }
  // A choice below n from one byte, for short menus.
  int Pick(int n) { return n <= 0 ? 0 : static_cast<int>(Byte() % static_cast<uint32_t>(n)); }
  // A choice below n, from two bytes, the high one first.
  int Below(int n) {
    const uint32_t hi = Byte();
    const uint32_t lo = Byte();
    return n <= 0 ? 0 : static_cast<int>((hi << 8 | lo) % static_cast<uint32_t>(n));
  }
  // Up to AMaxLength characters of AAlphabet: the length first, then the characters.
  TKitString Text(std::span<const char16_t> AAlphabet, size_t AMaxLength) {
    TKitString s(Byte() % (AMaxLength + 1), u'a');
    for (char16_t &c : s) c = AAlphabet[Byte() % AAlphabet.size()];
    return s;
  }
  // Up to n raw bytes.
  TKitByteArray Bytes(int n) {
    TKitByteArray b(p_, p_ + std::clamp<ptrdiff_t>(n, 0, end_ - p_));
    p_ += b.size();
    return b;
  }

 private:
  const uint8_t *p_;
  const uint8_t *end_;
};

// A failed check ends the run as a crash, which the fuzzer reports with its input.
inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace zv::fuzz

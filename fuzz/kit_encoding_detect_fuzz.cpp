// Arbitrary bytes through encoding detection and decoding: detection never fails, and
// decoding in passes gives what decoding the whole buffer gives, in a few code pages. A
// strict UTF-8 decoding in passes calls the bytes valid exactly when the strict string
// converter does, and then decodes them as the lenient decoding does.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/text/encoding.h"
#include "kit/text/unicode.h"

using namespace zv;

namespace {

TKitWideCharArray InPasses(TKitEncoding& E, const TKitByteArray& Bytes, size_t Pass, bool* Invalid = nullptr) {
  TKitDecodeState state;
  state.Strict = Invalid != nullptr;
  TKitWideCharArray units;
  TKitByteArray buffer;
  size_t next = 0;
  for (;;) {
    const size_t room = Pass > buffer.size() ? Pass - buffer.size() : 1;
    const size_t take = room < Bytes.size() - next ? room : Bytes.size() - next;
    buffer.insert(buffer.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(next),
                  Bytes.begin() + static_cast<std::ptrdiff_t>(next + take));
    next += take;
    state.Last = next == Bytes.size();
    E.ReadBuffer(units, static_cast<int>(units.size()), static_cast<int>(buffer.size()), 0, buffer, state);
    if (state.BytesUsed < 0 || state.BytesUsed > static_cast<int>(buffer.size())) __builtin_trap();
    buffer.erase(buffer.begin(), buffer.begin() + state.BytesUsed);
    if (state.Invalid) {
      *Invalid = true;
      return units;
    }
    if (state.Last) break;
  }
  if (!buffer.empty()) __builtin_trap();
  return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TKitByteArray bytes(data, data + size);
  TKitEncodingDetect d;
  TKitEncoding::TryDetectEncoding(bytes, 0, static_cast<int>(size), d);
  TKitMemoryStream s(bytes);
  TKitEncoding::TryDetectEncoding(s, d);
  if (s.Position() != 0) __builtin_trap();

  static const std::vector<std::unique_ptr<TKitEncoding>> encodings = [] {
    std::vector<std::unique_ptr<TKitEncoding>> v;
    for (int cp : {65001, 1200, 12001, 932, 50220, 0}) v.push_back(TKitEncoding::GetEncoding(cp));
    return v;
  }();
  TKitString converted;
  const bool utf8Valid = KitUTF8ToUTF16(std::string(bytes.begin(), bytes.end()), converted, false, false) == 0;
  for (const auto& e : encodings) {
    TKitWideCharArray whole;
    bool failed = false;
    try {
      e->ReadBuffer(whole, bytes);
    } catch (const EKitEncodingError&) {
      failed = true;
    }
    for (size_t pass : {size_t{3}, size_t{64}}) {
      try {
        const TKitWideCharArray parts = InPasses(*e, bytes, pass);
        if (failed || parts != whole) __builtin_trap();
      } catch (const EKitEncodingError&) {
        if (!failed) __builtin_trap();
      }
      if (e == encodings[0]) {
        // UTF-8 strictly: the lenient decoding just checked is what it must give.
        bool invalid = false;
        const TKitWideCharArray strict = InPasses(*e, bytes, pass, &invalid);
        if (invalid == utf8Valid || (utf8Valid && strict != whole)) __builtin_trap();
      }
    }
    // What decodes encodes again without failing.
    TKitByteArray again;
    if (!whole.empty()) e->WriteBuffer(whole, again, true);
  }
  return 0;
}

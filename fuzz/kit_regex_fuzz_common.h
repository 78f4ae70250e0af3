// Shared by the regular-expression fuzz targets: an engine set up from a modifier byte, a
// resolver for int-code names, and a source of token codes.
#pragma once
#include <cstdint>
#include <string>

#include "fuzz_script.h"
#include "kit/text/regex.h"
#include "kit/text/sys_info.h"

namespace zv::fuzz {

// Bits of AMods: I S G M X A C, then a changed word-character and line-separator setup.
inline void Setup(TKitRegExp& R, uint8_t AMods) {
  const bool codes = AMods & 64;
  R.SetModifierS(!codes && (AMods & 2));
  R.SetModifierM(!codes && (AMods & 8));
  R.SetModifierI(!codes && (AMods & 1));
  R.SetModifierC(codes);
  R.SetModifierG(AMods & 4);
  R.SetModifierX(AMods & 16);
  R.SetModifierA(AMods & 32);
  if (AMods & 128) {
    R.SetWordChars(u"-");
    R.SetWordSeparators(u"_");
    R.SetLinePairedSeparator(u"");
  }
  // Names of up to three characters have a code; longer ones have none.
  R.CodesResolver = [](const TKitString& AName) -> int32_t {
    if (AName.size() > 3) return -1;
    int32_t h = 0;
    for (char16_t c : AName) h = h * 31 + c;
    return h & 0x1FFFF;
  };
  R.VariablesGetter = [](int AId, TKitIntArray& ACodes) {
    for (int i = 0; i < AId % 3; ++i) ACodes.push_back('a' + i);
  };
}

class TFuzzCodeSource : public TKitRegexSource {
 public:
  explicit TFuzzCodeSource(const TKitString& AText) : TKitRegexSource(32, static_cast<int>(AText.size())) {
    for (char16_t c : AText) FCodes.push_back(c < 128 ? c : c * 977);
    FIdxStart = BaseIndex = 3;
    FIdxEnd = BaseIndex + Count;
  }

 protected:
  void FillBuffer() override {
    for (int i = FBufferStart; i < FBufferEnd; ++i)
      FBuffer[static_cast<size_t>(i - FBufferStart)] = FCodes[static_cast<size_t>(i - BaseIndex)];
  }

 private:
  TKitIntArray FCodes;
};

}  // namespace zv::fuzz

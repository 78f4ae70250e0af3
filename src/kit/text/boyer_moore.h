// Boyer-Moore search for a run of integer codes in a regular-expression source, optionally
// also matching each code's inverted case. The bad-character table is indexed by masked
// codes, so that 16-bit characters and large token codes need no large table.
#pragma once
#include <cstdint>
#include <functional>

#include "kit/text/kit_types.h"
#include "kit/text/regex_source.h"

namespace zv {

// A code -> code case inversion; an empty function stands for KitInvertCase.
using TKitInvertCaseFunction = std::function<int32_t(int32_t)>;

// The lower-case form of a character, or its upper-case form when it is already lower
// case; codes outside 16 bits are their own inversion.
int32_t KitInvertCase(int32_t ACh);

class TKitBoyerMooreSearch {
 public:
  TKitBoyerMooreSearch(int ASkipTableSize, TKitInvertCaseFunction AInvertCase, int ASkipHashMask);

  void Prepare(const TKitIntArray& APattern, bool AIgnoreCase);
  // The index of the first occurrence at or after AOffset that ends within ACount codes
  // from it (-1: up to the end of the input), or -1.
  int Search(TKitRegexSource& AInput, int AOffset, int ACount);

  void SetInvertCase(TKitInvertCaseFunction AInvertCase) { FInvertCase = std::move(AInvertCase); }
  const TKitIntArray& Pattern() const { return FPattern; }
  bool IgnoreCase() const { return FIgnoreCase; }

 private:
  int32_t Invert(int32_t ACh) const { return FInvertCase ? FInvertCase(ACh) : KitInvertCase(ACh); }

  TKitIntArray FPattern;
  TKitIntArray FPatternInv;
  TKitIntArray FSkip;
  TKitIntArray FSuffix;
  bool FIgnoreCase = false;
  int FSkipTableSize;
  int FSkipHashMask;
  int FPatEnd = -1;
  TKitInvertCaseFunction FInvertCase;
};

}  // namespace zv

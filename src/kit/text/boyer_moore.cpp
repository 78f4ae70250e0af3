#include "kit/text/boyer_moore.h"

#include <algorithm>

#include "kit/text/unicode.h"

namespace zv {

int32_t KitInvertCase(int32_t ACh) {
  if (ACh < 0 || ACh > 0xFFFF) return ACh;
  const char16_t c = static_cast<char16_t>(ACh);
  const char16_t lower = KitLowerChar(c);
  return lower != c ? lower : KitUpperChar(c);
}

TKitBoyerMooreSearch::TKitBoyerMooreSearch(int ASkipTableSize, TKitInvertCaseFunction AInvertCase,
                                           int ASkipHashMask)
    : FSkipTableSize(ASkipTableSize), FSkipHashMask(ASkipHashMask), FInvertCase(std::move(AInvertCase)) {
  // Every masked code must index the table.
  if (FSkipHashMask < 0) FSkipHashMask = 0;
  FSkipTableSize = std::max(FSkipTableSize, FSkipHashMask + 1);
}

void TKitBoyerMooreSearch::Prepare(const TKitIntArray& APattern, bool AIgnoreCase) {
  FIgnoreCase = AIgnoreCase;
  FPattern = APattern;
  const int m = static_cast<int>(FPattern.size());
  FPatEnd = m - 1;
  FPatternInv.resize(FPattern.size());
  for (size_t i = 0; i < FPattern.size(); ++i) FPatternInv[i] = Invert(FPattern[i]);

  FSkip.assign(static_cast<size_t>(FSkipTableSize), 0);
  for (int i = 0; i < m; ++i) {
    FSkip[static_cast<size_t>(FPattern[static_cast<size_t>(i)] & FSkipHashMask)] = i;
    if (FIgnoreCase) FSkip[static_cast<size_t>(FPatternInv[static_cast<size_t>(i)] & FSkipHashMask)] = i;
  }

  // Strong good-suffix rule; positions are 1-based in s and f.
  auto P = [this](int k) { return FPattern[static_cast<size_t>(k - 1)]; };
  auto PInv = [this](int k) { return FPatternInv[static_cast<size_t>(k - 1)]; };
  auto equal = [&](int left, int right) {
    return P(left) == P(right) || (FIgnoreCase && PInv(left) == P(right));
  };
  std::vector<int> s(static_cast<size_t>(m) + 1, 0), f(static_cast<size_t>(m) + 1, 0);
  int i = m, j = m + 1;
  f[static_cast<size_t>(i)] = j;
  while (i > 0) {
    while (j <= m && !equal(i, j)) {
      if (s[static_cast<size_t>(j)] == 0) s[static_cast<size_t>(j)] = j - i;
      j = f[static_cast<size_t>(j)];
    }
    --i;
    --j;
    f[static_cast<size_t>(i)] = j;
  }
  j = f[0];
  for (i = 0; i <= m; ++i) {
    if (s[static_cast<size_t>(i)] == 0) s[static_cast<size_t>(i)] = j;
    if (i == j) j = f[static_cast<size_t>(j)];
  }
  FSuffix.resize(static_cast<size_t>(m));
  for (int k = 0; k < m; ++k) FSuffix[static_cast<size_t>(k)] = s[static_cast<size_t>(k) + 1];
}

int TKitBoyerMooreSearch::Search(TKitRegexSource& AInput, int AOffset, int ACount) {
  const int64_t inputEnd = int64_t{AInput.BaseIndex} + AInput.Count;
  if (AOffset < AInput.BaseIndex || AOffset >= inputEnd)
    throw EInvalidArgument(Format("Index out of bounds: %d", AOffset));
  const int64_t end = ACount == -1 ? inputEnd : std::min<int64_t>(inputEnd, int64_t{AOffset} + std::max(ACount, 0));
  if (FPatEnd < 0) return AOffset;
  const int32_t* pat = FPattern.data();
  const int32_t* inv = FPatternInv.data();
  const bool ic = FIgnoreCase;
  if (FPatEnd < 3) {
    // Short patterns: shifts of one or two codes do not pay for the table lookups, so scan
    // for the first code and check the rest.
    const int32_t p0 = pat[0], i0 = ic ? inv[0] : pat[0];
    const int64_t last = end - FPatEnd;
    while (AOffset < last) {
      int windowEnd;
      const int32_t* w = AInput.Window(AOffset, windowEnd);
      const int e = static_cast<int>(std::min<int64_t>(windowEnd, last));
      // Blocks of eight first: the compiler turns this into vector compares.
      while (AOffset + 8 <= e) {
        int hit = 0;
        for (int k = 0; k < 8; ++k) hit |= (w[k] == p0) | (w[k] == i0);
        if (hit) break;
        AOffset += 8;
        w += 8;
      }
      for (; AOffset < e; ++AOffset, ++w) {
        if (*w != p0 && *w != i0) continue;
        int j = 1;
        for (; j <= FPatEnd; ++j) {
          const int32_t c = AInput.GetCode(AOffset + j);
          if (c != pat[j] && !(ic && c == inv[j])) break;
        }
        if (j > FPatEnd) return AOffset;
        // The window may have moved while checking.
        w = AInput.Window(AOffset, windowEnd);
      }
    }
    return -1;
  }
  const int32_t* skip = FSkip.data();
  const int32_t* suffix = FSuffix.data();
  const int32_t mask = FSkipHashMask;
  while (AOffset + FPatEnd < end) {
    int j = FPatEnd;
    int32_t c = 0;
    if (const int32_t* w = AInput.Span(AOffset, FPatEnd + 1)) {
      for (; j >= 0; --j) {
        c = w[j];
        if (c != pat[j] && !(ic && c == inv[j])) break;
      }
    } else {
      for (; j >= 0; --j) {
        c = AInput.GetCode(AOffset + j);
        if (c != pat[j] && !(ic && c == inv[j])) break;
      }
    }
    if (j < 0) return AOffset;
    AOffset += std::max(j - skip[c & mask], suffix[j]);
  }
  return -1;
}

}  // namespace zv

#include "kit/editor/conversion_cache.h"

#include <algorithm>

#include "foundation/errors.h"

namespace zv {

TKitSedIntConversionCache::TKitSedIntConversionCache(int AMaxCount) : FMaxCount(AMaxCount) {
  ZV_ASSERT(AMaxCount > 0);
}

int TKitSedIntConversionCache::UpperBound(TKey K, int AKey) const {
  int lo = 0;
  int hi = FKeyCount;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (FKeys[static_cast<size_t>(mid)].*K > AKey)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

int TKitSedIntConversionCache::Nearest(TKey K, int AKey) const {
  const int u = UpperBound(K, AKey);
  if (u == FKeyCount) return FKeyCount - 1;
  if (u == 0) return 0;
  // 64-bit distances: keys may lie anywhere in the 32-bit range.
  const int64_t above = static_cast<int64_t>(FKeys[static_cast<size_t>(u)].*K) - AKey;
  const int64_t below = static_cast<int64_t>(AKey) - FKeys[static_cast<size_t>(u - 1)].*K;
  return above < below ? u : u - 1;
}

int TKitSedIntConversionCache::FindNearest(TKey K, int AKey, int& AKey1Res, int& AKey2Res, int& AData) const {
  const int n = Nearest(K, AKey);
  if (n >= 0) {
    const TKitSedIntConv& e = FKeys[static_cast<size_t>(n)];
    AKey1Res = e.Key1;
    AKey2Res = e.Key2;
    AData = e.Data;
  }
  return n;
}

int TKitSedIntConversionCache::Add(TKey K, int AKey1, int AKey2, int AData) {
  const TKitSedIntConv added{AKey1, AKey2, AData};
  const int key = added.*K;
  const int n = Nearest(K, key);
  int pos;
  if (n >= 0 && (FKeyCount == FMaxCount || FKeys[static_cast<size_t>(n)].*K == key)) {
    pos = n;
  } else {
    pos = (n < 0 || FKeys[static_cast<size_t>(n)].*K <= key) ? n + 1 : n;
    ++FKeyCount;
    if (FKeys.size() < static_cast<size_t>(FKeyCount)) FKeys.resize(static_cast<size_t>(FKeyCount) * 3 / 2);
    std::move_backward(FKeys.begin() + pos, FKeys.begin() + FKeyCount - 1, FKeys.begin() + FKeyCount);
  }
  FKeys[static_cast<size_t>(pos)] = added;
  return pos;
}

void TKitSedIntConversionCache::InvalidateFrom(TKey K, int AKey) {
  // The entries below the key stay: the upper bound of AKey - 1, without its overflow.
  int lo = 0;
  int hi = FKeyCount;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (FKeys[static_cast<size_t>(mid)].*K >= AKey)
      hi = mid;
    else
      lo = mid + 1;
  }
  FKeyCount = lo;
}

}  // namespace zv

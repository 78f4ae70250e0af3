// A bounded memory of known correspondences between two coordinates that grow together
// (character offset and screen line, say), so that a conversion can start from the nearest
// remembered point instead of from the beginning of the document.
#pragma once
#include <cstdint>
#include <vector>

#include "kit/text/kit_types.h"

namespace zv {

struct TKitSedIntConv {
  int32_t Key1 = 0;
  int32_t Key2 = 0;
  int32_t Data = 0;
};

class TKitSedIntConversionCache : public TObject {
 public:
  explicit TKitSedIntConversionCache(int AMaxCount);

  int AddByKey1(int AKey1, int AKey2, int AData) { return Add(&TKitSedIntConv::Key1, AKey1, AKey2, AData); }
  int AddByKey2(int AKey1, int AKey2, int AData) { return Add(&TKitSedIntConv::Key2, AKey1, AKey2, AData); }
  // The index of the entry nearest to the key (the lower one on a tie), -1 when empty.
  int FindNearestByKey1(int AKey1, int& AKey1Res, int& AKey2Res, int& AData) const {
    return FindNearest(&TKitSedIntConv::Key1, AKey1, AKey1Res, AKey2Res, AData);
  }
  int FindNearestByKey2(int AKey2, int& AKey1Res, int& AKey2Res, int& AData) const {
    return FindNearest(&TKitSedIntConv::Key2, AKey2, AKey1Res, AKey2Res, AData);
  }
  // Drops every entry whose key is >= the given one.
  void InvalidateFromKey1(int AKey1) { InvalidateFrom(&TKitSedIntConv::Key1, AKey1); }
  void InvalidateFromKey2(int AKey2) { InvalidateFrom(&TKitSedIntConv::Key2, AKey2); }

  int Count() const { return FKeyCount; }
  const TKitSedIntConv& Entry(int AIdx) const { return FKeys.at(static_cast<size_t>(AIdx)); }

 private:
  using TKey = int32_t TKitSedIntConv::*;
  int UpperBound(TKey K, int AKey) const;
  int Nearest(TKey K, int AKey) const;
  int FindNearest(TKey K, int AKey, int& AKey1Res, int& AKey2Res, int& AData) const;
  int Add(TKey K, int AKey1, int AKey2, int AData);
  void InvalidateFrom(TKey K, int AKey);

  std::vector<TKitSedIntConv> FKeys;
  int FKeyCount = 0;
  int FMaxCount;
};

}  // namespace zv

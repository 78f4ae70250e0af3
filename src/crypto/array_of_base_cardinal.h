// A growable array of 32-bit digits with checked indexing: the storage of big integers.
#pragma once
#include <cstdint>
#include <vector>

#include "foundation/errors.h"

namespace zv {

class TArrayOfBase {
 public:
  TArrayOfBase() = default;
  explicit TArrayOfBase(std::vector<uint32_t> data) : FData(std::move(data)) {}

  int Count() const { return static_cast<int>(FData.size()); }
  uint32_t operator[](int index) const {
    ZV_ASSERT(index >= 0 && index < Count());
    return FData[static_cast<size_t>(index)];
  }
  void Set(int index, uint32_t value) {
    ZV_ASSERT(index >= 0 && index < Count());
    FData[static_cast<size_t>(index)] = value;
  }
  void Append(uint32_t value) { FData.push_back(value); }

  std::vector<uint32_t> FData;
};

}  // namespace zv

// Sets of character codes: a 256-bit bitmap for codes 0..255, sorted ranges and Unicode
// general categories above them, and a complement flag. The regular-expression engine keeps
// every class in one; the editor uses them for its word-character sets. Codes are 32-bit so
// that the engine's int-code mode (token codes) can use the same sets.
#pragma once
#include <cstdint>
#include <vector>

#include "kit/text/kit_types.h"
#include "kit/text/unicode.h"

namespace zv {

ZV_ERROR_CLASS(EKitCharSetError, Exception)

// Membership of the codes 0..255.
class TKitSetOfByte {
 public:
  bool Contains(int32_t C) const {
    return static_cast<uint32_t>(C) < 256 && (FBits[static_cast<uint32_t>(C) >> 6] >> (C & 63) & 1) != 0;
  }
  void Include(int32_t C) {
    if (static_cast<uint32_t>(C) < 256) FBits[static_cast<uint32_t>(C) >> 6] |= uint64_t{1} << (C & 63);
  }
  void Exclude(int32_t C) {
    if (static_cast<uint32_t>(C) < 256) FBits[static_cast<uint32_t>(C) >> 6] &= ~(uint64_t{1} << (C & 63));
  }
  // Lo..Hi clipped to 0..255.
  void IncludeRange(int32_t Lo, int32_t Hi);
  void Clear() { FBits[0] = FBits[1] = FBits[2] = FBits[3] = 0; }
  void Fill() { FBits[0] = FBits[1] = FBits[2] = FBits[3] = ~uint64_t{0}; }
  void Complement() {
    for (uint64_t& b : FBits) b = ~b;
  }
  bool Empty() const { return (FBits[0] | FBits[1] | FBits[2] | FBits[3]) == 0; }
  TKitSetOfByte& operator|=(const TKitSetOfByte& O) {
    for (int i = 0; i < 4; ++i) FBits[i] |= O.FBits[i];
    return *this;
  }
  friend bool operator==(const TKitSetOfByte&, const TKitSetOfByte&) = default;

 private:
  uint64_t FBits[4] = {0, 0, 0, 0};
};

struct TKitCharRange {
  int32_t Min;
  int32_t Max;
  friend bool operator==(const TKitCharRange&, const TKitCharRange&) = default;
};

class TKitCharSet {
 public:
  TKitCharSet() = default;
  explicit TKitCharSet(const TKitString& AStr) { IncludeChars(AStr); }
  explicit TKitCharSet(char16_t ACh) { IncludeChar(ACh); }
  explicit TKitCharSet(TKitUnicodeCategory ACat) { IncludeCat(ACat); }
  explicit TKitCharSet(TKitUnicodeCategories ACats) { IncludeCats(ACats); }
  TKitCharSet(int32_t AMin, int32_t AMax) { IncludeRange(AMin, AMax); }

  // Codes 0..255 are one bit test; ranges and categories answer only above them.
  bool Contains(int32_t ACh) const {
    if (static_cast<uint32_t>(ACh) < 256) return AnsiSet.Contains(ACh);
    return ContainsWide(ACh);
  }
  bool Contains(char16_t ACh) const { return Contains(static_cast<int32_t>(ACh)); }
  bool ContainsAll(const TKitString& AStr) const;

  void IncludeChar(int32_t ACh);
  void IncludeChars(const TKitString& AStr);
  void IncludeRange(int32_t AMin, int32_t AMax);
  void IncludeCat(TKitUnicodeCategory ACat);
  void IncludeCats(TKitUnicodeCategories ACats);
  void Clear();
  // The complement of what was included; nothing may be added afterwards.
  void Invert();
  void Assign(const TKitCharSet& AOther) { *this = AOther; }

  bool Inverted() const { return FInverted; }
  int RangesCount() const { return static_cast<int>(FRanges.size()); }
  const TKitCharRange& Range(int AIdx) const { return FRanges[static_cast<size_t>(AIdx)]; }
  TKitUnicodeCategories Categories() const { return FCategories; }

  // Membership of 0..255, complement included, so that it is always one bit test.
  TKitSetOfByte AnsiSet;
  // No ranges and no categories: the bitmap tells everything about 0..255, and a code above
  // them is a member exactly when the set is inverted.
  bool IsAnsiSet = true;

 private:
  bool ContainsWide(int32_t ACh) const;
  bool InRanges(int32_t ACh) const;
  void CheckNotInverted() const;

  std::vector<TKitCharRange> FRanges;
  bool FHaveRanges = false;
  bool FInverted = false;
  TKitUnicodeCategories FCategories;
  bool FHaveCategories = false;
};

}  // namespace zv

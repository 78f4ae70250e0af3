#include "kit/text/charset.h"

#include <algorithm>

namespace zv {

void TKitSetOfByte::IncludeRange(int32_t Lo, int32_t Hi) {
  Lo = std::max(Lo, 0);
  Hi = std::min(Hi, 255);
  for (int32_t c = Lo; c <= Hi; ++c) Include(c);
}

namespace {

struct TCatCodes {
  TKitUnicodeCategory Cat;
  std::initializer_list<std::pair<int, int>> Ranges;
};

// The members among 0..255 a category brings into the bitmap. These rows, not the category
// table, decide 0..255 (173 is Pd here, 170 and 186 are Ll).
const TCatCodes kAnsiCategoryCodes[] = {
    {ukLu, {{65, 90}, {192, 214}, {216, 222}}},
    {ukLl, {{97, 122}, {170, 170}, {181, 181}, {186, 186}, {223, 246}, {248, 255}}},
    {ukNd, {{48, 57}}},
    {ukNo, {{178, 179}, {185, 185}, {188, 190}}},
    {ukPc, {{95, 95}}},
    {ukPd, {{45, 45}, {173, 173}}},
    {ukPs, {{40, 40}, {91, 91}, {123, 123}}},
    {ukPe, {{41, 41}, {93, 93}, {125, 125}}},
    {ukPi, {{171, 171}}},
    {ukPf, {{187, 187}}},
    {ukPo,
     {{33, 35}, {37, 39}, {42, 42}, {44, 44}, {46, 47}, {58, 59}, {63, 64}, {92, 92}, {161, 161}, {183, 183},
      {191, 191}}},
    {ukSm, {{43, 43}, {60, 62}, {124, 124}, {126, 126}, {172, 172}, {177, 177}, {215, 215}, {247, 247}}},
    {ukSc, {{36, 36}, {162, 165}}},
    {ukSk, {{94, 94}, {96, 96}, {168, 168}, {175, 175}, {180, 180}, {184, 184}}},
    {ukSo, {{166, 167}, {169, 169}, {174, 174}, {176, 176}, {182, 182}}},
    {ukZs, {{32, 32}, {160, 160}}},
    {ukCc, {{0, 31}, {127, 159}}},
};

}  // namespace

bool TKitCharSet::ContainsAll(const TKitString& AStr) const {
  return std::all_of(AStr.begin(), AStr.end(), [this](char16_t c) { return Contains(c); });
}

bool TKitCharSet::InRanges(int32_t ACh) const {
  const size_t n = FRanges.size();
  if (n > 3) {
    auto it = std::lower_bound(FRanges.begin(), FRanges.end(), ACh,
                               [](const TKitCharRange& r, int32_t c) { return r.Max < c; });
    return it != FRanges.end() && it->Min <= ACh;
  }
  for (const TKitCharRange& r : FRanges)
    if (r.Min <= ACh && ACh <= r.Max) return true;
  return false;
}

bool TKitCharSet::ContainsWide(int32_t ACh) const {
  bool in = false;
  if (!IsAnsiSet) {
    // Codes outside the 16-bit range (int-code mode) have no category.
    if (FHaveCategories && ACh >= 0 && ACh <= 0xFFFF &&
        FCategories.Contains(KitGetUnicodeCategory(static_cast<char16_t>(ACh))))
      in = true;
    else if (FHaveRanges && InRanges(ACh))
      in = true;
  }
  // The complement of a set of ANSI characters holds every code above them as well.
  return in != FInverted;
}

void TKitCharSet::CheckNotInverted() const {
  if (FInverted) throw EKitCharSetError("Can't invoke this method after Invert!");
}

void TKitCharSet::IncludeChar(int32_t ACh) {
  CheckNotInverted();
  if (!Contains(ACh)) IncludeRange(ACh, ACh);
}

void TKitCharSet::IncludeChars(const TKitString& AStr) {
  for (char16_t c : AStr) IncludeChar(c);
}

void TKitCharSet::IncludeRange(int32_t AMin, int32_t AMax) {
  CheckNotInverted();
  if (AMax < AMin) throw EKitCharSetError("IncludeRange: AMin should be <= AMax");
  AnsiSet.IncludeRange(AMin, AMax);
  if (AMax <= 255) return;
  const int64_t lo = std::max<int64_t>(AMin, 256);
  const int64_t hi = AMax;
  // Ranges that overlap or touch [lo, hi] are joined with it.
  size_t first = 0;
  while (first < FRanges.size() && FRanges[first].Max < lo - 1) ++first;
  size_t last = first;
  while (last < FRanges.size() && FRanges[last].Min <= hi + 1) ++last;
  if (last == first) {
    FRanges.insert(FRanges.begin() + static_cast<ptrdiff_t>(first),
                   TKitCharRange{static_cast<int32_t>(lo), static_cast<int32_t>(hi)});
  } else {
    TKitCharRange& r = FRanges[first];
    r.Min = static_cast<int32_t>(std::min<int64_t>(lo, r.Min));
    r.Max = static_cast<int32_t>(std::max<int64_t>(hi, FRanges[last - 1].Max));
    FRanges.erase(FRanges.begin() + static_cast<ptrdiff_t>(first) + 1, FRanges.begin() + static_cast<ptrdiff_t>(last));
  }
  FHaveRanges = true;
  IsAnsiSet = false;
}

void TKitCharSet::IncludeCat(TKitUnicodeCategory ACat) {
  CheckNotInverted();
  if (ACat > ukCn) throw EAssertionFailed("TKitCharSet.IncludeCat: unknown category");
  FHaveCategories = true;
  IsAnsiSet = false;
  FCategories.Include(ACat);
  for (const TCatCodes& row : kAnsiCategoryCodes)
    if (row.Cat == ACat)
      for (auto [lo, hi] : row.Ranges) AnsiSet.IncludeRange(lo, hi);
}

void TKitCharSet::IncludeCats(TKitUnicodeCategories ACats) {
  for (int c = ukLu; c <= ukCn; ++c)
    if (ACats.Contains(static_cast<TKitUnicodeCategory>(c))) IncludeCat(static_cast<TKitUnicodeCategory>(c));
}

void TKitCharSet::Clear() {
  IsAnsiSet = true;
  AnsiSet.Clear();
  FCategories = {};
  FHaveCategories = false;
  FHaveRanges = false;
  FInverted = false;
  FRanges.clear();
}

void TKitCharSet::Invert() {
  if (FInverted) return;
  FInverted = true;
  AnsiSet.Complement();
}

}  // namespace zv

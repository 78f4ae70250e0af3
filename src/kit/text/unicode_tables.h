// The constant tables of the Unicode layer (generated, see tools/gen_unicode_tables.py).
#pragma once
#include <cstdint>

#include "kit/text/unicode.h"

namespace zv {

constexpr int KitCaseRowCount = 816;
constexpr int KitCategoryPageCount = 56;

extern const TKitCaseRow KitCaseRows[KitCaseRowCount];
// Two stages: the offset of the high byte's page, plus the low byte, indexes the pages.
extern const uint16_t KitCategoryPageOffsets[256];
extern const uint8_t KitCategoryPages[KitCategoryPageCount * 256];

}  // namespace zv

// The refusals of the editor document and its parts. Every check raises before anything
// changes, with the fixed English messages the views and the frames show.
#pragma once
#include "foundation/errors.h"

namespace zv {

ZV_ERROR_CLASS(EKitEditDocError, Exception)

// The line index packs an offset into 30 bits, so a text stays below 2^30 units.
constexpr int KitMaxTextLength = 0x3FFFFFFF;

[[noreturn]] void KitDocError(const char* AFmt, ...) __attribute__((format(printf, 1, 2)));
// "Invalid char index for insert: ..." unless 0 <= AIdx <= ACount.
void KitCheckInsertIndex(int64_t AIdx, int ACount);
// Refuses a text that would pass KitMaxTextLength.
void KitCheckTextGrowth(int ACount, int64_t AAdded);

}  // namespace zv

#include "kit/editor/doc_errors.h"

#include <cstdarg>
#include <cstdio>

namespace zv {

void KitDocError(const char* AFmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, AFmt);
  std::vsnprintf(buf, sizeof buf, AFmt, args);
  va_end(args);
  throw EKitEditDocError(buf);
}

void KitCheckInsertIndex(int64_t AIdx, int ACount) {
  if (AIdx < 0 || AIdx > ACount)
    KitDocError("Invalid char index for insert: %lld. Valid range: [%d, %d].", static_cast<long long>(AIdx), 0,
                ACount);
}

void KitCheckTextGrowth(int ACount, int64_t AAdded) {
  if (static_cast<int64_t>(ACount) + AAdded > KitMaxTextLength)
    KitDocError("Text too long: %lld characters. Maximum length: %d", static_cast<long long>(ACount) + AAdded,
                KitMaxTextLength);
}

}  // namespace zv

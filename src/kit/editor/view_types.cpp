#include "kit/editor/view_types.h"

#include <cstdarg>
#include <cstdio>

namespace zv {

void KitViewError(const char* AFmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, AFmt);
  std::vsnprintf(buf, sizeof buf, AFmt, args);
  va_end(args);
  throw EKitEditViewError(buf);
}

}  // namespace zv

#include "platform/clock.h"

namespace zv {

IClock& DefaultClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace zv

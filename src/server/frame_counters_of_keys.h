// The frame counters received under each content key of data protection. A counter is
// accepted only when it is greater than every counter accepted before under the same key,
// for as long as the device is loaded, so that a protected buffer cannot be replayed in a
// later session. Counters to send come from the process-wide frame counter, never from here.
#pragma once
#include <cstdint>

#include "foundation/misc.h"

namespace zv {

struct TFrameCounterValues {
  // The highest frame counter accepted under the key; 0 before the first.
  uint32_t LastValueReceived = 0;
};

class TFrameCountersOfKeys {
 public:
  // Discards every entry; called when a device is taken.
  static void Init();
  // Records Received as the last counter of Key when it is greater (unsigned) than the last
  // one accepted under Key (0 for a key not met yet); false, with nothing changed, when not.
  static bool AcceptReceived(const PduStr& Key, uint32_t Received);
};

}  // namespace zv

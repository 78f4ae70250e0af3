// The invocation counters (frame counters) of the protection the server applies: never
// repeated within a run and, being derived from the UTC clock, still increasing after a
// restart of the program.
#pragma once
#include <cstdint>

namespace zv {

class TFrameCounter {
 public:
  // The next invocation counter: fifths of a second since 2011-04-07 00:00 UTC, or the
  // last value + 1 when the clock has not moved past it. Safe from any thread.
  static uint32_t GetNext();

  // Called with each result before GetNext returns; it may change the result, not the
  // stored last value. Nothing in the system sets it.
  using TCallback = void (*)(uint32_t& value);
  static void SetCallback(TCallback callback);

  // The counter value of a UTC time given in milliseconds since 1970-01-01, kept to 32 bits.
  static uint32_t ClockValue(int64_t unixMs);

  // The UTC source in milliseconds since 1970-01-01; nullptr restores the system clock.
  // Tests drive the counter with it.
  using TUtcSource = int64_t (*)();
  static void SetUtcSource(TUtcSource source);
};

}  // namespace zv

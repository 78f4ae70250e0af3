#include "cosem/frame_counter.h"

#include <atomic>
#include <chrono>

namespace zv {

namespace {

// 2011-04-07 00:00:00 UTC in milliseconds since 1970-01-01. UTC, not local time: a change
// of the time zone or of daylight saving must not move the counter back.
constexpr int64_t kEpochMs = 1302134400000LL;

std::atomic<uint32_t> gLastValue{0};
std::atomic<TFrameCounter::TCallback> gCallback{nullptr};
std::atomic<TFrameCounter::TUtcSource> gUtcSource{nullptr};

int64_t SystemUtcMs() {
  // system_clock counts from 1970-01-01 UTC.
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

uint32_t TFrameCounter::ClockValue(int64_t unixMs) {
  int64_t ms = unixMs - kEpochMs;
  // Floor division, so that an instant before the epoch does not round towards it.
  int64_t fifths = ms >= 0 ? ms / 200 : -((-ms + 199) / 200);
  return static_cast<uint32_t>(static_cast<uint64_t>(fifths));
}

uint32_t TFrameCounter::GetNext() {
  TUtcSource source = gUtcSource.load();
  uint32_t c = ClockValue(source ? source() : SystemUtcMs());
  uint32_t last = gLastValue.load();
  uint32_t next;
  // Concurrent callers each get a value of their own.
  do {
    next = c > last ? c : last + 1;
  } while (!gLastValue.compare_exchange_weak(last, next));
  uint32_t result = next;
  if (TCallback cb = gCallback.load()) cb(result);
  return result;
}

void TFrameCounter::SetCallback(TCallback callback) { gCallback.store(callback); }

void TFrameCounter::SetUtcSource(TUtcSource source) { gUtcSource.store(source); }

}  // namespace zv

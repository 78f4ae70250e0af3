#include "server/frame_counters_of_keys.h"

#include <map>
#include <mutex>

namespace zv {

namespace {

// Requests and device replacement both hold the device lock, but the table is process-wide
// and a process may hold more than one device holder.
std::mutex gMutex;

std::map<PduStr, TFrameCounterValues>& Table() {
  static std::map<PduStr, TFrameCounterValues> table;
  return table;
}

}  // namespace

void TFrameCountersOfKeys::Init() {
  std::lock_guard<std::mutex> g(gMutex);
  Table().clear();
}

bool TFrameCountersOfKeys::AcceptReceived(const PduStr& Key, uint32_t Received) {
  std::lock_guard<std::mutex> g(gMutex);
  TFrameCounterValues& values = Table()[Key];
  if (Received <= values.LastValueReceived) return false;
  values.LastValueReceived = Received;
  return true;
}

}  // namespace zv

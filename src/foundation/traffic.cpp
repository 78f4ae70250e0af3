#include "foundation/traffic.h"

#include <chrono>
#include <memory>

#include "foundation/logger.h"

namespace zv {

TTrafficWindowManager::TTrafficWindowManager(TLogger& Target)
    : PerformanceFrequency(std::chrono::steady_clock::period::den / std::chrono::steady_clock::period::num),
      FTarget(Target) {}

void TTrafficWindowManager::OnTraffic(const void* Sender, const PduStr& Bytes, TTrafficOptions Options) {
  FTarget.PostTraffic(std::make_unique<TTrafficEvent>(Sender, Bytes, Options));
}

TTrafficWindowManager& TrafficWindowManager() {
  static TTrafficWindowManager manager(Logger());
  return manager;
}

}  // namespace zv

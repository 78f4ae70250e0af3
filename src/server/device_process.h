// The device tick: a thread that, once a second for as long as it lives, lets every object
// of the loaded device do its periodic work, under the device lock.
#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace zv {

class TLogicalDeviceWrapper;

class TDeviceProcess {
 public:
  // Starts the thread; its first pass runs at once. Passes follow on a grid of absolute
  // deadlines one second apart, so a pass that overruns is caught up at once.
  explicit TDeviceProcess(TLogicalDeviceWrapper& Holder, const IClock& Clock = DefaultClock());
  // Ends the thread and waits for it.
  ~TDeviceProcess();
  TDeviceProcess(const TDeviceProcess&) = delete;
  TDeviceProcess& operator=(const TDeviceProcess&) = delete;

  static constexpr int64_t kPeriodMs = 1000;

 private:
  void Execute();
  void Pass();

  TLogicalDeviceWrapper& FHolder;
  const IClock& FClock;
  std::mutex FMutex;
  std::condition_variable FCv;
  bool FTerminated = false;
  std::thread FThread;
};

}  // namespace zv

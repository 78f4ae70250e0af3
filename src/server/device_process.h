// The device tick: a thread that, once a second for as long as it lives, lets every object
// of the loaded device do its periodic work, under the device lock.
#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace zv {

class TLogicalDeviceWrapper;
class TSequence;

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

  // One pass: under the device lock, every object's processing in list order; an error of
  // one object is logged and the next is processed.
  static void Pass(TLogicalDeviceWrapper& Holder, const IClock& Clock);
  // While a pass runs, on its thread: the pass's clock, by which processing hooks measure
  // their waits, and the device processed. Elsewhere the process clock and null.
  static const IClock& PassClock();
  static TSequence* PassDevice();

 private:
  void Execute();

  TLogicalDeviceWrapper& FHolder;
  const IClock& FClock;
  std::mutex FMutex;
  std::condition_variable FCv;
  bool FTerminated = false;
  std::thread FThread;
};

}  // namespace zv

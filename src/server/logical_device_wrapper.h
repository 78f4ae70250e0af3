// The holder of the one loaded device and of the device lock, under which every request,
// every device tick and every replacement of the device runs.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace zv {

class TAbortSubscription;
class TSequence;

class TLogicalDeviceWrapper {
 public:
  TLogicalDeviceWrapper();
  ~TLogicalDeviceWrapper();
  TLogicalDeviceWrapper(const TLogicalDeviceWrapper&) = delete;
  TLogicalDeviceWrapper& operator=(const TLogicalDeviceWrapper&) = delete;

  // The device lock; re-entrant.
  void StartToUse();
  // As StartToUse, but gives up (false) when abort is requested while the lock is held
  // by another thread.
  bool StartToUseUnlessAborted();
  void StopToUse();

  // The held device (a TLogicalDevice), null before the first one. Read it while holding
  // the lock: a replacement frees the previous device.
  TSequence* LogicalDevice() const { return FLogicalDevice.get(); }
  // Under the lock: frees the held device, takes the new one and binds the behaviour
  // hooks of its objects.
  void SetLogicalDevice(std::unique_ptr<TSequence> Value);
  // Counts replacements; whoever keeps pointers into the device compares it, under the
  // lock, with the value seen when the pointers were taken.
  uint64_t Generation() const { return FGeneration.load(); }

 private:
  bool Acquire(bool Abortable);

  std::mutex FMutex;
  std::condition_variable FCv;
  std::thread::id FOwner;
  int FDepth = 0;
  std::unique_ptr<TAbortSubscription> FAbortSubscription;
  std::unique_ptr<TSequence> FLogicalDevice;
  std::atomic<uint64_t> FGeneration{0};
};

// Holds the device lock for its lifetime.
class TDeviceLock {
 public:
  explicit TDeviceLock(TLogicalDeviceWrapper& Wrapper) : FWrapper(Wrapper) { FWrapper.StartToUse(); }
  ~TDeviceLock() { FWrapper.StopToUse(); }
  TDeviceLock(const TDeviceLock&) = delete;
  TDeviceLock& operator=(const TDeviceLock&) = delete;

 private:
  TLogicalDeviceWrapper& FWrapper;
};

// The process-wide holder.
TLogicalDeviceWrapper& LogicalDeviceWrapper();

}  // namespace zv

// The process-wide flag that tells a transport waiting for an answer that none will come.
#pragma once
#include <atomic>
#include <functional>

namespace zv {

// A Boolean whose setting calls the notifier, so that a link waiting for an answer wakes.
class TNoResponseFlag {
 public:
  bool load() const noexcept { return FValue.load(); }
  operator bool() const noexcept { return load(); }
  void store(bool Value);
  TNoResponseFlag& operator=(bool Value) {
    store(Value);
    return *this;
  }
  // Called (on the setting thread) each time the flag is set to true; empty to remove.
  // It must be short and must not set the flag.
  static void SetNotifier(std::function<void()> Notifier);

 private:
  std::atomic<bool> FValue{false};
};

// Set by the application process whenever a request ends without an answer; a transport
// that waits for the answer clears it and stops waiting when it is set.
extern TNoResponseFlag NoResponseGenerated;

}  // namespace zv

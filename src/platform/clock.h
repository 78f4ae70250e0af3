// Time behind an interface, so that time-outs, ticks and delays can be driven by tests.
#pragma once
#include <chrono>
#include <cstdint>

namespace zv {

class IClock {
 public:
  virtual ~IClock() = default;
  // Monotonic milliseconds.
  virtual int64_t NowMs() const = 0;
  // The real milliseconds a wait may block for Ms of this clock to pass. A test clock
  // answers 0 and moves itself on by Ms, so time-outs expire without real waiting.
  virtual int64_t WaitBudgetMs(int64_t Ms) const { return Ms; }
};

class SteadyClock final : public IClock {
 public:
  int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
  }
};

// The process clock; tests may replace it.
IClock& DefaultClock();

}  // namespace zv

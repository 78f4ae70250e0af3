#include "cosem/frame_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

using namespace zv;

namespace {

// A UTC clock that tests move by hand; each test starts later than anything before, so
// that the process-wide last value never hides what a test looks at.
std::atomic<int64_t> gNowMs{0};
int64_t FakeUtc() { return gNowMs.load(); }

constexpr int64_t kEpochMs = 1302134400000LL;  // 2011-04-07 00:00 UTC

struct FakeClock {
  explicit FakeClock(int64_t startMs) {
    static int64_t offset = 0;
    offset += 86400000;  // one day later for each test
    gNowMs = startMs + offset;
    TFrameCounter::SetUtcSource(FakeUtc);
  }
  ~FakeClock() { TFrameCounter::SetUtcSource(nullptr); }
};

}  // namespace

TEST(FrameCounter, CountsFifthsOfASecondSinceTheEpochInUtc) {
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs), 0u);
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs + 199), 0u);
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs + 200), 1u);
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs + 1000), 5u);
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs + 86400000), 432000u);
  // 2026-01-01 00:00 UTC.
  EXPECT_EQ(TFrameCounter::ClockValue(1767225600000LL), 2325456000u);
  // Kept to 32 bits.
  EXPECT_EQ(TFrameCounter::ClockValue(kEpochMs + 200 * (int64_t{1} << 32) + 200), 1u);

  // The system clock is read as UTC whatever the time zone: two zones far apart give the
  // same counter within the time the calls take.
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "Pacific/Kiritimati", 1);
  tzset();
  uint32_t a = TFrameCounter::GetNext();
  setenv("TZ", "Etc/GMT+12", 1);
  tzset();
  uint32_t b = TFrameCounter::GetNext();
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
  EXPECT_GT(b, a);
  EXPECT_LT(b - a, 50u);  // well under the 50 hours between the zones
}

TEST(FrameCounter, NeverRepeatsAndFollowsTheClock) {
  FakeClock clock(kEpochMs + int64_t{9000} * 86400000);  // later than the real clock (2035)
  uint32_t v1 = TFrameCounter::GetNext();
  EXPECT_EQ(v1, TFrameCounter::ClockValue(gNowMs));
  // Within the same fifth of a second: consecutive values.
  EXPECT_EQ(TFrameCounter::GetNext(), v1 + 1);
  EXPECT_EQ(TFrameCounter::GetNext(), v1 + 2);
  // The clock moves on: the clock's value.
  gNowMs += 10000;
  uint32_t v2 = TFrameCounter::GetNext();
  EXPECT_EQ(v2, TFrameCounter::ClockValue(gNowMs));
  // The clock is set back: last + 1, still increasing.
  gNowMs -= 3600000;
  EXPECT_EQ(TFrameCounter::GetNext(), v2 + 1);
  EXPECT_EQ(TFrameCounter::GetNext(), v2 + 2);
  // A later run starts from the clock: its first value is above every value of this run
  // once the clock has passed the burst.
  gNowMs += 3600000 + 1000;
  EXPECT_GT(TFrameCounter::ClockValue(gNowMs), v2 + 2);
}

TEST(FrameCounter, ConcurrentCallersGetDistinctValues) {
  FakeClock clock(kEpochMs + int64_t{9000} * 86400000);
  constexpr int kThreads = 8, kCalls = 5000;
  std::vector<std::vector<uint32_t>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCalls; ++i) got[t].push_back(TFrameCounter::GetNext());
    });
  for (auto& th : threads) th.join();
  std::vector<uint32_t> all;
  for (auto& g : got) {
    EXPECT_TRUE(std::is_sorted(g.begin(), g.end()));
    all.insert(all.end(), g.begin(), g.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.back() - all.front(), static_cast<uint32_t>(kThreads * kCalls - 1));
}

TEST(FrameCounter, TheCallbackChangesTheResultNotTheCounter) {
  FakeClock clock(kEpochMs + int64_t{9000} * 86400000);
  uint32_t v = TFrameCounter::GetNext();
  TFrameCounter::SetCallback([](uint32_t& value) { value += 1000; });
  EXPECT_EQ(TFrameCounter::GetNext(), v + 1 + 1000);
  TFrameCounter::SetCallback(nullptr);
  EXPECT_EQ(TFrameCounter::GetNext(), v + 2);
}

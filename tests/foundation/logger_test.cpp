#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/traffic.h"
#include "platform/clock.h"

using namespace zv;
using namespace std::chrono_literals;

namespace {

class FakeClock : public IClock {
 public:
  int64_t NowMs() const override { return Ms.fetch_add(Step); }
  mutable std::atomic<int64_t> Ms{1000};
  int64_t Step = 0;
};

class MemorySink : public ILogSink {
 public:
  void Clear() override {
    Lines.clear();
    ++Clears;
  }
  void AppendLines(const std::vector<std::string>& L) override {
    for (const auto& l : L) {
      if (l == FailOn) throw Exception("sink failure");
      Lines.push_back(l);
    }
  }
  int LineCount() const override { return static_cast<int>(Lines.size()); }
  void TrafficEvent(const TTrafficEvent& E) override { Traffic.push_back({E.Bytes, E.Options.AsByte()}); }

  std::vector<std::string> Lines;
  std::vector<std::pair<std::string, int>> Traffic;
  int Clears = 0;
  std::string FailOn = "\x01";
};

// The GUI thread's event loop in small: OnPending wakes it, it drains.
class Wakeup {
 public:
  std::function<void()> Callback() {
    return [this] {
      std::lock_guard<std::mutex> g(M);
      Pending = true;
      ++Calls;
      Cv.notify_all();
    };
  }
  bool Wait() {
    std::unique_lock<std::mutex> g(M);
    bool woken = Cv.wait_for(g, 30s, [&] { return Pending; });
    Pending = false;
    return woken;
  }
  std::mutex M;
  std::condition_variable Cv;
  bool Pending = false;
  int Calls = 0;
};

class LoggerTest : public ::testing::Test {
 protected:
  LoggerTest() : Log(Clock, [this] { return Now.load(); }) {}
  FakeClock Clock;
  std::atomic<TDateTime> Now{EncodeDateTime(2018, 1, 7, 9, 5, 3)};
  TLogger Log;
  MemorySink Sink;
  Wakeup Wake;
};

// Milliseconds of a "m'ss.mmm " time stamp.
int64_t StampMs(const std::string& line) {
  unsigned minutes, seconds, ms;
  EXPECT_EQ(std::sscanf(line.c_str(), "%u'%2u.%3u ", &minutes, &seconds, &ms), 3) << line;
  return (minutes * 60 + seconds) * 1000LL + ms;
}

}  // namespace

TEST_F(LoggerTest, SessionLinesListsAndExceptions) {
  Log.Attach(Sink, Wake.Callback());  // this test thread is the GUI thread: written at once
  Log.StringToLog("before");
  Log.BeginSession();
  EXPECT_EQ(Sink.Lines, std::vector<std::string>{"STARTED 07-Jan-2018 09:05:03"});
  Clock.Ms += 65431;
  Log.StringToLog("A");
  Log.StringListToLog({"x", "y"});
  Log.XMLStringListToLog({"<GetRequest>", "</GetRequest>"});
  Log.RaisedException(EXMLError("x", 0, 1));
  Log.RaisedException(Exception("x"));
  Log.RaisedException(EKeyMissing("no key"));
  Now = Now.load() + 3725.0 / 86400;
  Log.EndSession();
  EXPECT_EQ(Sink.Lines, (std::vector<std::string>{
                            "STARTED 07-Jan-2018 09:05:03", "1'05.431 A", "x", "y", "<GetRequest>",
                            "</GetRequest>", "1'05.431 EXCEPTION (EXMLError): x", "1'05.431 EXCEPTION: x",
                            "1'05.431 EXCEPTION (EKeyMissing): no key", "1'05.431 STOPPED after 1h 02m 05s"}));
  Log.ClearLog();
  EXPECT_TRUE(Sink.Lines.empty());
  EXPECT_EQ(Wake.Calls, 0);
}

TEST_F(LoggerTest, SizeRuleEmptiesThePane) {
  Log.Attach(Sink, Wake.Callback());
  Log.SetMaxLogSize(100);
  Log.BeginSession();
  Log.StringListToLog(std::vector<std::string>(99, "l"));
  EXPECT_EQ(Sink.LineCount(), 100);  // exactly the limit: kept
  Log.StringToLog("one more");
  EXPECT_EQ(Sink.LineCount(), 0);  // the whole pane goes, the new line too

  // Exceptions do not apply the rule; the next entry does.
  Log.SetMaxLogSize(1);
  Log.StringToLog("a");
  Log.RaisedException(Exception("e"));
  EXPECT_EQ(Sink.LineCount(), 2);
  Log.StringToLog("b");
  EXPECT_EQ(Sink.LineCount(), 0);

  Log.SetMaxLogSize(0);
  Log.StringListToLog(std::vector<std::string>(500, "l"));
  EXPECT_EQ(Sink.LineCount(), 500);
}

TEST_F(LoggerTest, UnknownEventKindFailsItsAssertion) {
  Log.Attach(Sink, Wake.Callback());
  TLogEventMessage msg;
  msg.Kind = 6;
  try {
    Log.HandleSimpleEventMessage(msg);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Wrong assertion (1018)");
  }
  msg.Kind = -1;
  EXPECT_THROW(Log.HandleSimpleEventMessage(msg), Exception);
}

TEST_F(LoggerTest, EntriesFromManyThreadsArriveInOrder) {
  Clock.Step = 1;  // every stamp is later than the one before
  Log.Attach(Sink, Wake.Callback());
  Log.BeginSession();
  TTrafficWindowManager traffic(Log);
  constexpr int kThreads = 4, kEntries = 300;
  std::atomic<int> done{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int n = 0; n < kEntries; ++n) {
        std::string id = std::to_string(t) + " " + std::to_string(n);
        switch (n % 4) {
          case 0: Log.StringToLog("S " + id); break;
          case 1: Log.StringListToLog({"L " + id}); break;
          case 2: Log.RaisedException(EFrame("E " + id)); break;
          case 3: traffic.OnTraffic(&traffic, "T " + id, {toIncoming, toName}); break;
        }
      }
      ++done;
      Wake.Callback()();
    });
  }
  // The GUI thread: woken, it drains; until every worker is through and the queue is empty.
  for (;;) {
    ASSERT_TRUE(Wake.Wait());
    bool finished = done == kThreads;
    Log.ProcessPending();
    if (finished) break;
  }
  for (auto& w : workers) w.join();
  Log.ProcessPending();

  // Per thread, the entries come in the order that thread made them.
  auto check = [](std::map<int, int>& last, const std::string& text) {
    int t, n;
    ASSERT_EQ(std::sscanf(text.c_str() + 2, "%d %d", &t, &n), 2) << text;
    auto [it, fresh] = last.try_emplace(t, -1);
    EXPECT_GT(n, it->second) << text;
    it->second = n;
  };
  std::map<int, int> lastLine, lastTraffic;
  int64_t lastStamp = -1;
  ASSERT_EQ(Sink.Lines.size(), 1u + kThreads * kEntries * 3 / 4);
  for (size_t i = 1; i < Sink.Lines.size(); ++i) {
    const std::string& line = Sink.Lines[i];
    if (line[0] == 'L') {
      check(lastLine, line);
      continue;
    }
    int64_t stamp = StampMs(line);
    EXPECT_GE(stamp, lastStamp);  // stamped in the order of the log
    lastStamp = stamp;
    size_t at = line.find(' ') + 1;
    if (line.compare(at, 20, "EXCEPTION (EFrame): ") == 0) at += 20;
    check(lastLine, line.substr(at));
  }
  ASSERT_EQ(Sink.Traffic.size(), static_cast<size_t>(kThreads * kEntries / 4));
  for (const auto& [bytes, options] : Sink.Traffic) {
    EXPECT_EQ(options, 0x03);
    check(lastTraffic, bytes);
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(lastLine[t], kEntries - 2);
    EXPECT_EQ(lastTraffic[t], kEntries - 1);
  }
}

TEST_F(LoggerTest, WorkerHoldingTheDeviceLockDoesNotBlockTheGuiThread) {
  Log.Attach(Sink, Wake.Callback());
  std::timed_mutex deviceLock;
  std::mutex m;
  std::condition_variable cv;
  bool locked = false;
  std::thread worker([&] {
    std::lock_guard<std::timed_mutex> hold(deviceLock);
    {
      std::lock_guard<std::mutex> g(m);
      locked = true;
    }
    cv.notify_all();
    for (int i = 0; i < 3; ++i) Log.StringToLog("while locked " + std::to_string(i));
    Log.XMLStringListToLog({"<x/>"});
  });
  {
    std::unique_lock<std::mutex> g(m);
    ASSERT_TRUE(cv.wait_for(g, 30s, [&] { return locked; }));
  }
  // The GUI thread waits for the device lock without draining the log. A logging call that
  // waited for the GUI thread would never let go of the lock.
  ASSERT_TRUE(deviceLock.try_lock_until(std::chrono::system_clock::now() + 30s));
  EXPECT_EQ(Sink.LineCount(), 0);
  deviceLock.unlock();
  worker.join();
  Log.ProcessPending();
  EXPECT_EQ(Sink.LineCount(), 4);
  EXPECT_EQ(Wake.Calls, 1);  // one wake-up for the whole batch
}

TEST_F(LoggerTest, DetachedLoggerDropsEntries) {
  TTrafficWindowManager traffic(Log);
  Log.StringToLog("nobody listens");
  traffic.OnTraffic(nullptr, "x", {toInfo});
  Log.Attach(Sink, Wake.Callback());
  Log.ProcessPending();
  EXPECT_EQ(Sink.LineCount(), 0);
  EXPECT_TRUE(Sink.Traffic.empty());

  std::thread([&] {
    Log.StringToLog("queued");
    traffic.OnTraffic(nullptr, "y", {toOutgoing});
  }).join();
  EXPECT_EQ(Wake.Calls, 1);
  Log.Detach();  // the waiting entries are dropped and the event freed
  std::thread([&] { Log.StringToLog("after"); }).join();
  EXPECT_EQ(Wake.Calls, 1);
  Log.ProcessPending();
  EXPECT_EQ(Sink.LineCount(), 0);
  EXPECT_TRUE(Sink.Traffic.empty());
}

TEST_F(LoggerTest, AFailingEntryDoesNotHoldUpTheRest) {
  Log.Attach(Sink, Wake.Callback());
  Sink.FailOn = "bad";
  std::thread([&] {
    Log.StringListToLog({"first"});
    Log.StringListToLog({"bad"});
    Log.StringListToLog({"last"});
  }).join();
  EXPECT_THROW(Log.ProcessPending(), Exception);
  EXPECT_EQ(Wake.Calls, 2);  // asked again for what is left
  Log.ProcessPending();
  EXPECT_EQ(Sink.Lines, (std::vector<std::string>{"first", "last"}));
}

TEST(Traffic, OptionsAndProcessWideInstances) {
  EXPECT_EQ((TTrafficOptions{toIncoming, toName}).AsByte(), 0x03);
  TTrafficOptions o{toOutgoing};
  EXPECT_EQ((o + toInfo).AsByte(), 0x0C);
  EXPECT_EQ((TTrafficOptions{toASCII, toTimeStamps, toTimeStampsDelta, toTimeStampsSession}).AsByte(), 0xF0);
  EXPECT_TRUE((o + toInfo).Contains(toInfo));
  EXPECT_FALSE(o.Contains(toIncoming));
  EXPECT_EQ(&Logger(), &Logger());
  EXPECT_EQ(&TrafficWindowManager(), &TrafficWindowManager());
  EXPECT_GE(TrafficWindowManager().PerformanceFrequency, 1000);
  EXPECT_EQ(TrafficWindowManager().RefTime, 0);
}

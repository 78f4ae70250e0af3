// The push sequence on a device tick driven by hand: method 1, communication windows, the
// randomisation and repetition delays, the retry budget, and the errors that end an
// attempt or the whole push.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "push_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

class PushSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    AbortRequested = false;
    Holder.SetLogicalDevice(MakeLogicalDevice(PushDevice()));
    SessionLog.SetLogStringProc([](const std::string& s) { Logger().StringToLog(s); });
    SessionLog.SetLogProtocolItemProc(
        [](const TCOSEMPduBase*, const std::string& Title, int) { Logger().StringToLog(Title); });
    Context.LoggingContext = &SessionLog;
  }
  void TearDown() override { TPushSetupObjectHelper::SetLocalTimeSource({}); }

  int Invoke(TCOSEMInstance& Push, int MethodId, const TData* Parameters) {
    std::unique_ptr<TData> result;
    return Push.InvokeMethodFunc(&Context, nullptr, MethodId, Parameters, result);
  }
  void Trigger(TCOSEMInstance& Push) { ASSERT_EQ(Invoke(Push, 1, IntegerZero().get()), 0); }
  int Count(const std::string& Text) {
    Log.Sync();
    return CountOf(Log.Lines, Text);
  }
  // Ticks until the push is idle again (at most Limit ticks); the seconds of the ticks
  // that made a failed attempt that reached the sending.
  std::vector<int64_t> RunToEnd(TCOSEMInstance& Push, int Limit = 100) {
    std::vector<int64_t> attempts;
    for (int i = 0; i < Limit && State(Push).State != psIdle; ++i) {
      const int before = Count("when pushing to");
      Tick.Tick();
      if (Count("when pushing to") > before) attempts.push_back(Tick.Seconds());
    }
    return attempts;
  }

  LogCapture Log;
  TLogicalDeviceWrapper Holder;
  TLoggingContext SessionLog;
  TTransferContext Context;
  HandTick Tick{Holder};
};

}  // namespace

// Method 1 takes only the integer 0; other methods are out of scope. A push asked for
// before the tick has seen the device is kept.
TEST_F(PushSequence, MethodOneTakesIntegerZero) {
  TCOSEMInstance& push = PushSetup(Holder);
  ASSERT_TRUE(push.InvokeMethodFunc);
  ASSERT_TRUE(push.ProcessFunc);
  EXPECT_EQ(push.ProcessData, nullptr);
  const std::string refused[] = {"<Integer Value=\"01\" />", "<Unsigned Value=\"00\" />", "<Long Value=\"0000\" />",
                                 "<NullData />"};
  for (const std::string& p : refused) {
    SCOPED_TRACE(p);
    EXPECT_EQ(Invoke(push, 1, TDataHelper::MakeFromXml("<Data>" + p + "</Data>").get()), 12);
  }
  EXPECT_EQ(Invoke(push, 1, nullptr), 12);
  EXPECT_EQ(Invoke(push, 2, IntegerZero().get()), 13);
  // Nothing was started by the refusals.
  EXPECT_TRUE(!push.ProcessData || State(push).State == psIdle);

  Context.CommunicationProfileInfo.Profile = cpTCP;
  EXPECT_EQ(Invoke(push, 1, IntegerZero().get()), 0);
  EXPECT_EQ(push.Context, &Context);
  EXPECT_EQ(State(push).State, psTriggered);
  EXPECT_EQ(State(push).Trials, 0);
  EXPECT_EQ(State(push).CommunicationProfileInfo.Profile, cpTCP);
}

// Each attempt counts once: N retries give N + 1 attempts, RepetitionDelay seconds apart,
// whether the attempt fails at the connection or before it; then the push is given up
// with one line of the tick.
TEST_F(PushSequence, RetriesGiveOneAttemptMore) {
  struct Row {
    const char* name;
    int retries;
    bool withAA;
  };
  const Row rows[] = {{"refused, 0 retries", 0, true}, {"refused, 1 retry", 1, true},
                      {"refused, 2 retries", 2, true}, {"refused, 3 retries", 3, true},
                      {"no AA, 0 retries", 0, false},  {"no AA, 2 retries", 2, false}};
  const int port = RefusingPort();
  const std::string destination = Format("127.0.0.1:%d", port);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Log.Sync();
    Log.Lines.clear();
    TCOSEMInstance& push = PushSetup(Holder, r.withAA ? kPushName : kPushWithoutAA);
    SetDestination(push, tsTCP, destination);
    SetNumber(push, PushSetupAttr::NumberOfRetries, r.retries);
    SetNumber(push, PushSetupAttr::RepetitionDelay, 5);
    Trigger(push);
    const int64_t start = Tick.Seconds();
    std::vector<int64_t> attempts = RunToEnd(push);
    ASSERT_EQ(attempts.size(), static_cast<size_t>(r.retries + 1));
    EXPECT_EQ(attempts[0], start + 1);  // at the first tick
    for (size_t i = 1; i < attempts.size(); ++i) EXPECT_EQ(attempts[i] - attempts[i - 1], 5);
    EXPECT_EQ(State(push).Trials, r.retries + 1);
    const std::string why = r.withAA ? "Connection refused" : "No AA reference specified for the push-setup";
    EXPECT_EQ(Count(Format("Exception \"%s\" when pushing to \"%s\"", why.c_str(), destination.c_str())),
              r.retries + 1);
    EXPECT_EQ(Count(Format("Exception \"Push to \"%s\" finally FAILED.\" when processing instance \"%s\"",
                           destination.c_str(), r.withAA ? kPushName : kPushWithoutAA)),
              1);
    if (!r.withAA) {
      EXPECT_EQ(Count("Transport service TCP"), r.retries + 1);
    }
    // Idle: the tick does nothing more.
    const size_t lines = Log.Lines.size();
    Tick.Tick();
    EXPECT_EQ(Count(""), static_cast<int>(lines));
  }
}

// A pass makes at most one attempt, even when no delay is left between attempts: the
// device lock is given up between them, so a client's request waits for one attempt only.
TEST_F(PushSequence, OneAttemptPerPass) {
  TCOSEMInstance& push = PushSetup(Holder);
  SetDestination(push, tsTCP, Format("127.0.0.1:%d", RefusingPort()));
  SetNumber(push, PushSetupAttr::NumberOfRetries, 3);
  Trigger(push);
  for (int pass = 1; pass <= 4; ++pass) {
    Tick.Pass();  // the clock stands still
    EXPECT_EQ(Count("when pushing to"), pass);
  }
  Tick.Pass();
  EXPECT_EQ(Count("finally FAILED"), 1);
  EXPECT_EQ(State(push).State, psIdle);
}

// The random delay is drawn below RandomisationStartInterval seconds and the attempt
// follows at the first tick after it.
TEST_F(PushSequence, RandomDelayBeforeTheFirstAttempt) {
  TCOSEMInstance& push = PushSetup(Holder);
  Peer sink = Peer::BindUdp("127.0.0.1");
  SetDestination(push, tsUDP, Format("127.0.0.1:%d", sink.LocalPort()));
  SetNumber(push, PushSetupAttr::RandomisationStartInterval, 4);
  std::set<int> delays;
  for (int run = 0; run < 40; ++run) {
    Trigger(push);
    Tick.Tick();
    ASSERT_EQ(State(push).State, psWaitEndOfRandomizationInterval);
    const int delay = State(push).RandomDelay;
    ASSERT_GE(delay, 0);
    ASSERT_LT(delay, 4);
    delays.insert(delay);
    const int64_t waitStart = Tick.Seconds();
    int64_t sentAt = -1;
    for (int i = 0; i < 10 && sentAt < 0; ++i) {
      Tick.Tick();
      if (sink.Readable(0)) {
        sink.ReadDatagram();
        sentAt = Tick.Seconds();
      }
    }
    ASSERT_EQ(sentAt - waitStart, std::max(delay, 1)) << "delay " << delay;
    EXPECT_EQ(State(push).State, psIdle);
  }
  // Forty draws from four values: all of them come up.
  EXPECT_EQ(delays.size(), 4u);

  // Interval 1 leaves no choice: the attempt comes one tick later.
  SetNumber(push, PushSetupAttr::RandomisationStartInterval, 1);
  Trigger(push);
  Tick.Tick();
  EXPECT_EQ(State(push).RandomDelay, 0);
  EXPECT_FALSE(sink.Readable(0));
  Tick.Tick();
  EXPECT_TRUE(sink.Readable(0));
}

// With windows, the push waits at each tick until one is open; an attempt while all are
// closed fails without a connection.
TEST_F(PushSequence, CommunicationWindows) {
  TDateTimeRecord now = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 5, 59, 58);
  TPushSetupObjectHelper::SetLocalTimeSource([&] { return now; });
  TCOSEMInstance& push = PushSetup(Holder);
  Peer sink = Peer::BindUdp("127.0.0.1");
  SetDestination(push, tsUDP, Format("127.0.0.1:%d", sink.LocalPort()));
  SetWindows(push, {{"FFFFFFFFFF060000FF800000", "FFFFFFFFFF070000FF800000"}});
  Trigger(push);
  Tick.Tick();
  EXPECT_EQ(State(push).State, psAtFirstWindow);
  now.Advance(1);
  Tick.Tick();
  EXPECT_EQ(State(push).State, psAtFirstWindow);
  EXPECT_FALSE(sink.Readable(0));
  now.Advance(1);  // 06:00:00
  Tick.Tick();
  EXPECT_EQ(State(push).State, psIdle);
  EXPECT_TRUE(sink.Readable(0));
  sink.ReadDatagram();

  // The window closes between two attempts: the second attempt fails without sending.
  Log.Sync();
  Log.Lines.clear();
  SetDestination(push, tsTCP, Format("127.0.0.1:%d", RefusingPort()));
  SetNumber(push, PushSetupAttr::NumberOfRetries, 1);
  SetNumber(push, PushSetupAttr::RepetitionDelay, 60);
  now = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 6, 59, 30);
  Trigger(push);
  Tick.Tick();
  EXPECT_EQ(Count("Connection refused"), 1);
  now = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 7, 0, 30);
  for (int i = 0; i < 60; ++i) Tick.Tick();
  EXPECT_EQ(State(push).State, psIdle);
  EXPECT_EQ(State(push).Trials, 2);
  EXPECT_EQ(Count("when pushing to"), 1);
  EXPECT_EQ(Count("finally FAILED"), 1);
}

TEST(PushWindows, InCommunicationWindow) {
  auto device = MakeLogicalDevice(PushDevice());
  TCOSEMInstance& push = *TLogicalDeviceHelper::FindInstance(*device, nullptr, HexStrToByteStr(kPushName), 40);
  struct Row {
    const char* start;
    const char* end;
    int hour, min, sec;
    bool open;
  };
  const char* const kAnyDay6 = "FFFFFFFFFF060000FF800000";
  const char* const kAnyDay16 = "FFFFFFFFFF100000FF800000";
  const Row rows[] = {
      {kAnyDay6, kAnyDay16, 5, 59, 59, false},
      {kAnyDay6, kAnyDay16, 6, 0, 0, true},
      {kAnyDay6, kAnyDay16, 12, 0, 0, true},
      {kAnyDay6, kAnyDay16, 16, 0, 0, true},
      {kAnyDay6, kAnyDay16, 16, 0, 1, false},
      // Over midnight.
      {"FFFFFFFFFF160000FF800000", "FFFFFFFFFF020000FF800000", 23, 0, 0, true},
      {"FFFFFFFFFF160000FF800000", "FFFFFFFFFF020000FF800000", 1, 0, 0, true},
      {"FFFFFFFFFF160000FF800000", "FFFFFFFFFF020000FF800000", 12, 0, 0, false},
      // Whole minutes of any hour: minute 10 to 20.
      {"FFFFFFFFFFFF0A00FF800000", "FFFFFFFFFFFF1400FF800000", 9, 15, 0, true},
      {"FFFFFFFFFFFF0A00FF800000", "FFFFFFFFFFFF1400FF800000", 9, 21, 0, false},
      // Fully specified dates; day of week and hundredths do not matter.
      {"07E8060FFF000000FF800000", "07E8060FFF173B3BFF800000", 10, 0, 0, true},
      {"07E8060E06000000FF800000", "07E8060E06173B3B00800000", 10, 0, 0, false},
      {"07E8060F06173B3BFF800000", "07E8060F06000000FF800000", 10, 0, 0, false},  // empty
      // Not date-times: never open.
      {"FFFF", kAnyDay16, 10, 0, 0, false},
      {kAnyDay6, "", 10, 0, 0, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Format("%s %s %02d:%02d:%02d", r.start, r.end, r.hour, r.min, r.sec));
    SetWindows(push, {{r.start, r.end}});
    const TDateTimeRecord now = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, r.hour, r.min, r.sec);
    EXPECT_EQ(TPushSetupObjectHelper::InCommunicationWindow(push, now), r.open);
  }
  // One open window of several is enough; none is never open.
  SetWindows(push, {{"FFFFFFFFFF010000FF800000", "FFFFFFFFFF020000FF800000"}, {kAnyDay6, kAnyDay16}});
  EXPECT_TRUE(TPushSetupObjectHelper::InCommunicationWindow(push, TDateTimeRecord::GetDateTimeRecord(2024, 1, 1, 7, 0, 0)));
  SetWindows(push, {});
  EXPECT_FALSE(TPushSetupObjectHelper::InCommunicationWindow(push, TDateTimeRecord::GetDateTimeRecord(2024, 1, 1, 7, 0, 0)));
}

// What fails an attempt (logged, retried) and what ends the push at once (raised to the
// tick, no retry).
TEST_F(PushSequence, AttemptErrors) {
  const int refused = RefusingPort();
  const std::string ok = Format("127.0.0.1:%d", refused);
  struct Row {
    const char* name;
    int service;
    std::string destination;
    int message;
    const char* aa;  // null: as in the device
    std::string error;
  };
  const Row rows[] = {
      {"XML message", tsTCP, ok, mtXML, nullptr, "Message type \"MessageTypeXML\" is not supported"},
      {"unnamed message", tsTCP, ok, 7, nullptr, "Message type \"07\" is not supported"},
      {"host name", tsTCP, "localhost:4059", mtAXDR, nullptr, "Illegal IP/Port \"localhost:4059\""},
      {"port too big", tsTCP, "127.0.0.1:70000", mtAXDR, nullptr, "Illegal IP/Port \"127.0.0.1:70000\""},
      {"no port", tsTCP, "127.0.0.1", mtAXDR, nullptr, "No port in destination \"127.0.0.1\""},
      {"no port v6", tsUDP, "[::1]", mtAXDR, nullptr, "No port in destination \"[::1]\""},
      {"port 0", tsUDP, "127.0.0.1:0", mtAXDR, nullptr, "Port 0 out of range 1..65535 in destination \"127.0.0.1:0\""},
      {"FTP", tsFTP, ok, mtAXDR, nullptr, "Transport service \"TransportServiceFTP\" is not supported"},
      {"unknown AA", tsTCP, ok, mtAXDR, "0000280009FF", "AA 0000280009FF referenced in 0000190900FF does not exist"},
      {"AA of another class", tsTCP, ok, mtAXDR, "0000010000FF",
       "AA 0000010000FF referenced in 0000190900FF does not exist"},
      {"ciphered, setup missing", tsTCP, ok, mtAXDR, "0000280002FF",
       "Security setup 00002B0009FF referenced in 0000280002FF does not exist"},
  };
  TCOSEMInstance& push = PushSetup(Holder);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Log.Sync();
    Log.Lines.clear();
    Log.Traffic.clear();
    SetDestination(push, r.service, r.destination, r.message);
    push.ReplaceAttribute(PushSetupAttr::AAReference,
                          MakeOctets(T_LogicalName, HexStrToByteStr(r.aa ? r.aa : "0000280001FF"), xmlAAReference));
    Trigger(push);
    Tick.Tick();
    EXPECT_EQ(Count(Format("Exception \"%s\" when pushing to \"%s\"", r.error.c_str(), r.destination.c_str())), 1);
    EXPECT_EQ(Count("finally FAILED"), 1);
    // Nothing was connected.
    EXPECT_FALSE(Log.HasInfo("Connecting"));
  }

  // A ciphered association without a security setup reference.
  {
    Log.Sync();
    Log.Lines.clear();
    TCOSEMInstance& association = Object(Holder, "0000280002FF", 15);
    association.ReplaceAttribute(LNAssociationAttr::SecuritySetupReference,
                                 MakeOctets(T_OctetString, "", xmlSecuritySetupReference));
    SetDestination(push, tsTCP, ok);
    push.ReplaceAttribute(PushSetupAttr::AAReference,
                          MakeOctets(T_LogicalName, HexStrToByteStr("0000280002FF"), xmlAAReference));
    Trigger(push);
    Tick.Tick();
    EXPECT_EQ(Count("Exception \"AA 0000280002FF referenced does not reference a security setup\" when pushing to"), 1);
    EXPECT_EQ(Count("DATA NOTIFICATION: Push in ciphered context"), 1);
  }

  // An object of the push object list that is not there ends the push at the first
  // attempt, whatever the retries.
  {
    Log.Sync();
    Log.Lines.clear();
    push.ReplaceAttribute(PushSetupAttr::AAReference,
                          MakeOctets(T_LogicalName, HexStrToByteStr("0000280001FF"), xmlAAReference));
    auto& list = TPushSetup::PushObjectList(push);
    list.Elements(1)->As<TSequence>().Get<TOctetString>(CaptureObject::LogicalName).Value =
        HexStrToByteStr("0100010899FF");
    SetNumber(push, PushSetupAttr::NumberOfRetries, 3);
    Trigger(push);
    Tick.Tick();
    EXPECT_EQ(State(push).State, psIdle);
    EXPECT_EQ(Count("Exception \"Instance: \"0100010899FF\", Class: 3 not found\" when processing instance "
                    "\"0000190900FF\""),
              1);
    for (int i = 0; i < 5; ++i) Tick.Tick();
    EXPECT_EQ(Count("Exception"), 1);
    EXPECT_FALSE(Log.HasInfo("Connecting"));
  }
}

// The device tick's own thread runs the push on its clock: a repetition delay of ten
// minutes passes without real waiting.
TEST_F(PushSequence, TickThreadUsesItsClock) {
  TCOSEMInstance& push = PushSetup(Holder);
  const std::string destination = Format("127.0.0.1:%d", RefusingPort());
  SetDestination(push, tsTCP, destination);
  SetNumber(push, PushSetupAttr::NumberOfRetries, 1);
  SetNumber(push, PushSetupAttr::RepetitionDelay, 600);
  Trigger(push);
  FakeClock clock;
  {
    TDeviceProcess tick(Holder, clock);
    ASSERT_TRUE(Log.WaitFor([&] { return CountOf(Log.Lines, "finally FAILED") == 1; }));
  }
  EXPECT_EQ(Count(Format("Exception \"Connection refused\" when pushing to \"%s\"", destination.c_str())), 2);
  EXPECT_GE(clock.Waited.load(), 600 * 1000);
}

#include "transport/hdlc_server_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/globals.h"
#include "support/serial_test_support.h"
#include "support/transport_test_support.h"
#include "transport/hdlc_frame.h"
#include "transport/serial_layer.h"

using namespace zv;
using zv::test::EventCounter;
using zv::test::FakeClock;
using zv::test::Hex;
using zv::test::Pty;

namespace {

const PduStr kParameters = Hex("81 80 14 05 02 00 80 06 02 00 80 07 04 00 00 00 01 08 04 00 00 00 01");
const PduStr kUA = Hex("7E A0 20 21 03 73 73 98") + kParameters + Hex("CE 6A 7E");
const PduStr kSNRM = Hex("7E A0 07 03 21 93 0F 01 7E");
const PduStr kAARQ =
    Hex("60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0");
const PduStr kAARE = Hex(
    "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E 08 00 06 5F 1F 04 00 00 "
    "10 1D 00 EF 00 07");
const PduStr kGET = Hex("C0 01 C1 00 08 00 00 01 00 00 FF 02 00");
const PduStr kRequestLLC = Hex("E6 E6 00");
const PduStr kResponseLLC = Hex("E6 E7 00");

TFrameAddress Address(int Size, int Upper, int Lower = 0) {
  TFrameAddress a;
  a.FSize = Size;
  a.FUpper = static_cast<uint16_t>(Upper);
  a.FLower = static_cast<uint16_t>(Lower);
  return a;
}

// A frame of client 16 to the server's upper address 1, poll bit set.
TFrame ClientFrame(TFrameKind Kind) {
  TFrame f;
  f.SetKind(Kind);
  f.FPollFinal = true;
  f.FDstAddress = Address(1, 1);
  f.FSrcAddress = Address(1, 16);
  return f;
}

TFrame IFrame(int NS, int NR, const PduStr& Info, bool Segmented = false) {
  TFrame f = ClientFrame(fkI);
  f.FSSequenceNr = static_cast<uint8_t>(NS);
  f.FRSequenceNr = static_cast<uint8_t>(NR);
  f.FData = Info;
  f.FSegmented = Segmented;
  return f;
}

TFrame RR(int NR) {
  TFrame f = ClientFrame(fkRR);
  f.FRSequenceNr = static_cast<uint8_t>(NR);
  return f;
}

// Every wait moves the clock on by its whole length but lasts at most 50 real
// milliseconds: a frame cut short is given up at once, while octets already on their way
// still arrive within a wait.
class HurriedClock : public IClock {
 public:
  int64_t NowMs() const override { return Ms.load(); }
  int64_t WaitBudgetMs(int64_t Wait) const override {
    Ms += Wait;
    return std::min<int64_t>(Wait, 50);
  }
  mutable std::atomic<int64_t> Ms{1000000};
};

// Ends the application-side waits of a test that stops early, so that its futures end.
struct AbortOnExit {
  ~AbortOnExit() { AbortRequested = true; }
};

PduStr Pattern(size_t Size) {
  PduStr s;
  for (size_t i = 0; i < Size; ++i) s.push_back(static_cast<char>(i * 7 + 1));
  return s;
}

class HdlcServerTest : public ::testing::Test {
 protected:
  HdlcServerTest() {
    AbortRequested = false;
    NoResponseGenerated = false;
    Serial.DevicePath = pty.SlaveName;
    Serial.SetShowTraffic(false);
    Link.Name = "HDLCServer";
    Link.SetSerialPort(&Serial);
    Link.LogProc = [this](const std::vector<std::string>& L) {
      {
        std::lock_guard<std::mutex> g(M);
        EXPECT_EQ(L.size(), 1u);
        Lines.insert(Lines.end(), L.begin(), L.end());
      }
      LinesCv.notify_all();
    };
    Link.OnDisconnectedProc = [this](TProtocolLayerAbstract* Sender) {
      EXPECT_EQ(Sender, &Link);
      Disconnects.Add();
    };
  }
  ~HdlcServerTest() override {
    Link.StopListening();
    AbortRequested = false;
    NoResponseGenerated = false;
  }

  void Start() {
    ASSERT_TRUE(pty.Valid());
    Link.StartListening();
  }
  // Time-outs of the link expire at once.
  void StartWithTestClock() {
    Serial.SetClock(Fake);
    Link.SetClock(Fake);
    Start();
  }

  void ToServer(TFrame Frame) { ASSERT_TRUE(pty.Write(Frame.GetPDUByteStr())); }
  TFrame FromServer(int Ms = 30000) {
    TFrame f;
    EXPECT_TRUE(pty.ReadFrame(f, Ms)) << "no frame from the server";
    return f;
  }
  void ExpectFromServer(TFrameKind Kind, int NR = 0, int NS = 0, const PduStr& Info = PduStr(), bool Segmented = false,
                        int Ms = 30000) {
    const TFrame f = FromServer(Ms);
    EXPECT_EQ(f.Kind(), Kind);
    EXPECT_TRUE(f.FPollFinal);
    EXPECT_EQ(f.FDstAddress, Address(1, 16));
    EXPECT_EQ(f.FSrcAddress, Address(1, 1));
    if (Kind == fkI || Kind == fkRR) {
      EXPECT_EQ(f.FRSequenceNr, NR);
    }
    if (Kind == fkI) {
      EXPECT_EQ(f.FSSequenceNr, NS);
    }
    EXPECT_EQ(f.FData, Info);
    EXPECT_EQ(f.FSegmented, Segmented);
  }
  // A receive on its own thread, started before this returns: "(received)" when a request
  // came, else the message of the disconnection that ended it.
  std::future<std::string> ReceiveInBackground() {
    std::promise<void> receiving;
    auto received = std::async(std::launch::async, [this, &receiving] {
      receiving.set_value();
      try {
        Link.Rec(&Ctx);
      } catch (const EHDLCDisconnected& e) {
        return e.Message();
      }
      return std::string("(received)");
    });
    receiving.get_future().wait();
    return received;
  }
  void Connect() {
    ASSERT_TRUE(pty.Write(kSNRM));
    EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  }
  std::vector<std::string> LogLines() {
    std::lock_guard<std::mutex> g(M);
    return Lines;
  }
  // Waits until Line was logged Count times (at most 30 s).
  bool WaitLogged(const std::string& Line, int Count) {
    std::unique_lock<std::mutex> g(M);
    return LinesCv.wait_for(g, std::chrono::seconds(30),
                            [&] { return std::count(Lines.begin(), Lines.end(), Line) >= Count; });
  }
  bool Logged(const std::string& Line) {
    const auto lines = LogLines();
    return std::find(lines.begin(), lines.end(), Line) != lines.end();
  }

  // Declared first: the link thread uses them until the link is gone.
  std::mutex M;
  std::condition_variable LinesCv;
  std::vector<std::string> Lines;
  EventCounter Disconnects;
  FakeClock Fake;
  HurriedClock Hurried;
  Pty pty;
  TProtocolLayerSerial Serial;
  TProtocolLayerHDLCServer Link;
  TLinkAddresses Ctx;
};

TEST_F(HdlcServerTest, SnrmIsAnsweredByUaWithTheFixedLinkParameters) {
  Start();
  EXPECT_EQ(Link.State(), hlNDM);
  ASSERT_TRUE(pty.Write(kSNRM));
  EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  // Whatever the client proposes, the answer carries the same parameters.
  TFrame snrm = ClientFrame(fkSNRM);
  snrm.FData = Hex("81 80 10 05 01 F8 06 02 04 00 07 04 00 00 00 07 08 01 07");
  ToServer(snrm);
  EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  ToServer(RR(0));
  ExpectFromServer(fkRR);
  EXPECT_EQ(Link.State(), hlNRM);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "HDLC NDM",
                            "HDLC Rec. SNRM  ",
                            "HDLC Sent UA  " + ByteStrToHexStr(kParameters),
                            "HDLC NRM",
                            "HDLC Rec. SNRM  " + ByteStrToHexStr(snrm.FData),
                            "HDLC Sent UA  " + ByteStrToHexStr(kParameters),
                            "HDLC Rec. RR  ",
                            "HDLC Sent RR  ",
                        }));
  EXPECT_TRUE(Link.IsConnected());
  EXPECT_EQ(Disconnects.Count(), 0);
}

TEST_F(HdlcServerTest, DiscWithoutALinkIsAnsweredByDm) {
  Start();
  ToServer(ClientFrame(fkDISC));
  EXPECT_EQ(pty.ReadFrameOctets(), Hex("7E A0 07 21 03 1F 6B E9 7E"));
  // Other frames get no answer without a link: the UA below is the first frame back.
  ToServer(RR(0));
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  Connect();
  EXPECT_EQ(Disconnects.Count(), 0);
}

TEST_F(HdlcServerTest, AssociationAndGetInIFrames) {
  Start();
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kAARQ));
  EXPECT_EQ(Link.Rec(&Ctx), kAARQ);
  EXPECT_EQ(Ctx.ClientId, 16);
  EXPECT_EQ(Ctx.ServerId, 1);
  Link.Send(&Ctx, kAARE);
  ExpectFromServer(fkI, 1, 0, kResponseLLC + kAARE);

  ToServer(IFrame(1, 1, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  const PduStr answer = Hex("C4 01 C1 00 09 06 00 00 00 00 00 00");
  Link.Send(&Ctx, answer);
  ExpectFromServer(fkI, 2, 1, kResponseLLC + answer);

  // A first information field without the LLC header is handed over as it is.
  ToServer(IFrame(2, 2, kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  Link.Send(&Ctx, answer);
  ExpectFromServer(fkI, 3, 2, kResponseLLC + answer);
  EXPECT_TRUE(Logged("HDLC Rec. I  " + ByteStrToHexStr(kRequestLLC + kAARQ)));
  EXPECT_TRUE(Logged("HDLC Sent I  " + ByteStrToHexStr(kResponseLLC + kAARE)));
}

TEST_F(HdlcServerTest, ALongAnswerGoesOutInSegmentsOfAtMost128Octets) {
  Start();
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  const PduStr answer = Pattern(300);
  const PduStr sent = kResponseLLC + answer;  // the LLC header counts: 303 octets
  Link.Send(&Ctx, answer);
  ExpectFromServer(fkI, 1, 0, sent.substr(0, 128), true);
  ToServer(RR(1));
  ExpectFromServer(fkI, 1, 1, sent.substr(128, 128), true);
  ToServer(RR(2));
  ExpectFromServer(fkI, 1, 2, sent.substr(256), false);
  EXPECT_EQ(sent.size() - 256, 47u);
  // Nothing more to send: a poll is answered by RR.
  ToServer(RR(3));
  ExpectFromServer(fkRR, 1);
  EXPECT_TRUE(Logged("HDLC Sent I Seg. " + ByteStrToHexStr(sent.substr(0, 128))));
}

TEST_F(HdlcServerTest, ASegmentedRequestIsJoinedOnce) {
  Start();
  Connect();
  const PduStr request = Pattern(200);
  const PduStr first = kRequestLLC + request.substr(0, 125);
  ToServer(IFrame(0, 0, first, true));
  ExpectFromServer(fkRR, 1);
  // The same segment again, with its old N(S): acknowledged, not joined.
  ToServer(IFrame(0, 0, first, true));
  ExpectFromServer(fkRR, 1);
  ToServer(IFrame(1, 0, request.substr(125)));
  EXPECT_EQ(Link.Rec(&Ctx), request);
  Link.Send(&Ctx, Hex("C4"));
  ExpectFromServer(fkI, 2, 0, kResponseLLC + Hex("C4"));
}

TEST_F(HdlcServerTest, AnIFrameWithoutAnApduIsAcknowledged) {
  Start();
  Connect();
  // Nothing reaches the application, so the link waits for no answer.
  ToServer(IFrame(0, 0, kRequestLLC));
  ExpectFromServer(fkRR, 1);
  ToServer(IFrame(1, 0, PduStr()));
  ExpectFromServer(fkRR, 2);
  ToServer(IFrame(2, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  Link.Send(&Ctx, Hex("C4"));
  ExpectFromServer(fkI, 3, 0, kResponseLLC + Hex("C4"));
}

TEST_F(HdlcServerTest, AnRrWithAWrongNrIsRefusedWithFrmr) {
  Start();
  Connect();
  ToServer(RR(3));
  ExpectFromServer(fkFRMR);
  ASSERT_TRUE(Disconnects.WaitFor(1));
  // The link is down: DISC gets DM.
  ToServer(ClientFrame(fkDISC));
  ExpectFromServer(fkDM);
  EXPECT_EQ(Disconnects.Count(), 1);
}

TEST_F(HdlcServerTest, AnOverLongIFrameIsRefusedWithFrmr) {
  Start();
  Connect();
  // 128 information octets are the most, LLC header included.
  const PduStr longest = kRequestLLC + Pattern(125);
  ToServer(IFrame(0, 0, longest));
  EXPECT_EQ(Link.Rec(&Ctx), longest.substr(3));
  Link.Send(&Ctx, Hex("C4"));
  ExpectFromServer(fkI, 1, 0, kResponseLLC + Hex("C4"));
  ToServer(IFrame(1, 1, longest + "x"));
  ExpectFromServer(fkFRMR);
  ASSERT_TRUE(Disconnects.WaitFor(1));
  ToServer(ClientFrame(fkDISC));
  ExpectFromServer(fkDM);
}

TEST_F(HdlcServerTest, DiscEndsTheLinkAndTheWaitingReceive) {
  Start();
  auto received = ReceiveInBackground();
  AbortOnExit guard;
  // A receive that starts after a drop waits for the next link; should it have started
  // only after this one dropped, the next drop ends it.
  int drops = 0;
  while (drops < 2) {
    Connect();
    ToServer(ClientFrame(fkDISC));
    EXPECT_EQ(pty.ReadFrameOctets(), kUA);
    ++drops;
    if (received.wait_for(std::chrono::seconds(drops > 1 ? 30 : 5)) == std::future_status::ready) break;
  }
  ASSERT_EQ(received.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_EQ(received.get(), "HDLC Disconnected");
  // Without a link DISC gets DM, and no further notification.
  ToServer(ClientFrame(fkDISC));
  ExpectFromServer(fkDM);
  EXPECT_EQ(Disconnects.Count(), drops);
  EXPECT_TRUE(Logged("HDLC NDM"));
}

TEST_F(HdlcServerTest, ARequestOnTheNextLinkIsNotLostWithTheDrop) {
  Start();
  Connect();
  auto received = ReceiveInBackground();
  AbortOnExit guard;
  // The drop, a new link and its first request, possibly before the receive has woken.
  ToServer(ClientFrame(fkDISC));
  EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  ASSERT_EQ(received.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  const std::string first = received.get();
  if (first == "HDLC Disconnected") {
    auto again = std::async(std::launch::async, [this] { return Link.Rec(&Ctx); });
    ASSERT_EQ(again.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(again.get(), kGET);
  }
  Link.Send(&Ctx, Hex("C4"));
  ExpectFromServer(fkI, 1, 0, kResponseLLC + Hex("C4"));
}

TEST_F(HdlcServerTest, FramesForOtherAddressesAreIgnored) {
  Start();
  struct Row {
    TFrameAddress Dst, Src;
    bool Rejected;  // refused as a frame, not just not ours
  } ignored[] = {
      {Address(1, 1), Address(2, 16, 1), true},     // two-octet source address
      {Address(1, 5), Address(1, 16), true},        // reserved upper address
      {Address(2, 1, 1), Address(1, 16), false},    // another lower (physical) address
      {Address(4, 1, 16), Address(1, 16), false},
  };
  for (const Row& r : ignored) {
    TFrame snrm = ClientFrame(fkSNRM);
    snrm.FDstAddress = r.Dst;
    snrm.FSrcAddress = r.Src;
    ToServer(snrm);
  }
  Connect();
  for (const Row& r : ignored) {
    TFrame rr = RR(0);
    rr.FDstAddress = r.Dst;
    rr.FSrcAddress = r.Src;
    ToServer(rr);
  }
  // Lower address 0 is this server's: answered, with the addresses as received.
  TFrame rr = RR(0);
  rr.FDstAddress = Address(2, 1, 0);
  ToServer(rr);
  const TFrame answer = FromServer();
  EXPECT_EQ(answer.Kind(), fkRR);
  EXPECT_EQ(answer.FSrcAddress, Address(2, 1, 0));
  EXPECT_EQ(answer.FDstAddress, Address(1, 16));
  int rejected = 0;
  for (const auto& l : LogLines()) rejected += l == "HDLC Frame rejected";
  EXPECT_EQ(rejected, 4);
}

TEST_F(HdlcServerTest, SilenceDropsTheLink) {
  StartWithTestClock();
  Connect();
  ASSERT_TRUE(Disconnects.WaitFor(1));
  EXPECT_GE(Fake.Waited.load(), 120000);
  Link.StopListening();
  const auto lines = LogLines();
  const auto nrm = std::find(lines.begin(), lines.end(), "HDLC NRM");
  ASSERT_NE(nrm, lines.end());
  EXPECT_NE(std::find(nrm, lines.end(), "HDLC NDM"), lines.end());
  // In disconnected mode silence changes nothing, and nothing was sent but the UA.
  EXPECT_EQ(Disconnects.Count(), 1);
  EXPECT_FALSE(pty.Readable(0));
  EXPECT_EQ(Link.State(), hlIdle);
}

TEST_F(HdlcServerTest, ABrokenFrameLeavesNothingBehind) {
  StartWithTestClock();
  // A broken SNRM, then silence: the silence does not make it count. (Its closing flag
  // opens a frame that the silence ends: the second rejection.)
  ASSERT_TRUE(pty.Write(Hex("7E A0 07 03 21 93 0F 02 7E")));
  ASSERT_TRUE(WaitLogged("HDLC Frame rejected", 2));
  ToServer(ClientFrame(fkDISC));
  ExpectFromServer(fkDM);
}

TEST_F(HdlcServerTest, AJoinedRequestHasALimit) {
  Start();
  Connect();
  const PduStr segment = Pattern(128);
  size_t joined = 0;
  int ns = 0;
  ToServer(IFrame(ns, 0, segment, true));
  joined += segment.size();
  ExpectFromServer(fkRR, 1);
  while (joined + segment.size() <= TProtocolLayerHDLCServer::kMaxRequestSize) {
    ns = (ns + 1) % 8;
    ToServer(IFrame(ns, 0, segment, true));
    joined += segment.size();
    ExpectFromServer(fkRR, (ns + 1) % 8);
  }
  ToServer(IFrame((ns + 1) % 8, 0, segment, true));
  ExpectFromServer(fkFRMR);
  ASSERT_TRUE(Disconnects.WaitFor(1));
}

TEST_F(HdlcServerTest, BadInputNeverDerailsTheLink) {
  // Broken octets, each followed by an SNRM in the same write: the SNRM is answered.
  const PduStr noise = Hex("12 34 7E 56 9A 7E A5 FF 00 11");
  PduStr longNoise = Hex("7E A7 FF");
  for (int i = 0; i < 2045; ++i) longNoise.push_back(static_cast<char>(i % 0x7D));
  // Thirty openings of frames of the longest length, each taking in the ones behind it.
  PduStr falseStarts;
  for (int i = 0; i < 30; ++i) falseStarts += Hex("7E A7 FF");
  TFrame withInfo = ClientFrame(fkSNRM);
  withInfo.FData = kParameters;
  PduStr wrongFcs = withInfo.GetPDUByteStr();
  wrongFcs[wrongFcs.size() - 2] = static_cast<char>(wrongFcs[wrongFcs.size() - 2] ^ 1);
  struct Row {
    const char* Name;
    PduStr Octets;
    std::vector<std::string> Log;  // lines logged for the broken octets
  } rows[] = {
      {"shorter than its header",
       Hex("7E A0 03 03 21"),
       {"HDLC Frame too short for its header (5)", "HDLC Frame rejected"}},
      {"length 0", Hex("7E A0 00"),
       {"HDLC Frame length subfield value (0) does not match frame length (1)", "HDLC Frame rejected"}},
      {"bad HCS", Hex("7E A0 07 03 21 93 0F 02 7E"), {"HDLC Illegal HCS", "HDLC Frame rejected"}},
      {"bad FCS", wrongFcs, {"HDLC Illegal FCS", "HDLC Frame rejected"}},
      {"cut short", Hex("7E A0 07 03 21"), {"HDLC Illegal HCS", "HDLC Frame rejected"}},
      {"noise without a flag", Hex("00 01 02 03"), {"HDLC Illegal opening flag", "HDLC Frame rejected"}},
      {"flags", Hex("7E 7E 7E"), {}},
      {"a flag in the middle of noise", noise,
       {"HDLC Illegal opening flag", "HDLC Frame rejected", "HDLC Illegal frame type", "HDLC Frame rejected",
        "HDLC Illegal opening flag", "HDLC Frame rejected", "HDLC Frame rejected"}},
      {"a frame of the longest length", longNoise, {"HDLC Illegal HCS", "HDLC Frame rejected"}},
      {"false starts", falseStarts, std::vector<std::string>(30, "HDLC Frame rejected")},
  };
  Serial.SetClock(Hurried);
  Link.SetClock(Hurried);
  Start();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    const size_t before = LogLines().size();
    ASSERT_TRUE(pty.Write(r.Octets + kSNRM));
    EXPECT_EQ(pty.ReadFrameOctets(), kUA);
    const auto lines = LogLines();
    std::vector<std::string> logged(lines.begin() + static_cast<long>(before), lines.end());
    // What the broken octets left in the log, up to the SNRM's own line.
    const auto snrm = std::find(logged.begin(), logged.end(), "HDLC Rec. SNRM  ");
    ASSERT_NE(snrm, logged.end());
    std::vector<std::string> reasons;
    for (auto it = logged.begin(); it != snrm; ++it)
      if (*it != "HDLC NDM" && *it != "HDLC NRM") reasons.push_back(*it);
    EXPECT_EQ(reasons, r.Log);
  }
}

TEST_F(HdlcServerTest, BytesTricklingInOneAtATime) {
  Link.SetInterFrameTimeout(20000);
  Start();
  ASSERT_TRUE(pty.Trickle(kSNRM));
  EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  ASSERT_TRUE(pty.Trickle(IFrame(0, 0, kRequestLLC + kAARQ).GetPDUByteStr()));
  EXPECT_EQ(Link.Rec(&Ctx), kAARQ);
  Link.Send(&Ctx, kAARE);
  ExpectFromServer(fkI, 1, 0, kResponseLLC + kAARE);
}

TEST_F(HdlcServerTest, RequestsWithoutAnAnswerReleaseTheLinkAtOnce) {
  Start();
  Connect();
  // The flag is set as soon as the request is taken, many times over: no setting is lost
  // and none waits for a poll interval (a lost one would leave the client without RR).
  int ns = 0;
  for (int i = 0; i < 20; ++i, ns = (ns + 1) % 8) {
    ToServer(IFrame(ns, 0, kRequestLLC + kGET));
    EXPECT_EQ(Link.Rec(&Ctx), kGET);
    NoResponseGenerated = true;
    ExpectFromServer(fkRR, (ns + 1) % 8, 0, PduStr(), false, 10000);
  }
  // An empty Send releases the link too; the answer that still comes goes out on the next
  // poll.
  ToServer(IFrame(ns, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  Link.Send(&Ctx, "");
  ExpectFromServer(fkRR, (ns + 1) % 8, 0, PduStr(), false, 10000);
  EXPECT_FALSE(Link.HasDataToSend());
  Link.Send(&Ctx, Hex("C4 01"));
  EXPECT_TRUE(Link.HasDataToSend());
  ToServer(RR(0));
  ExpectFromServer(fkI, (ns + 1) % 8, 0, kResponseLLC + Hex("C4 01"));
}

TEST_F(HdlcServerTest, AnAnswerForALinkThatDroppedReachesNoLaterLink) {
  Start();
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  // No answer yet: the link is released, and the client leaves.
  Link.Send(&Ctx, "");
  ExpectFromServer(fkRR, 1);
  ToServer(ClientFrame(fkDISC));
  EXPECT_EQ(pty.ReadFrameOctets(), kUA);
  ASSERT_TRUE(Disconnects.WaitFor(1));
  // The next client links up before the first one's answer is ready.
  Connect();
  Link.Send(&Ctx, Hex("C4 01"));
  EXPECT_FALSE(Link.HasDataToSend());
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  Link.Send(&Ctx, Hex("C4 02"));
  ExpectFromServer(fkI, 1, 0, kResponseLLC + Hex("C4 02"));
}

TEST_F(HdlcServerTest, StoppingWhileTheLinkWaitsForAnAnswer) {
  Start();
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  // The link waits for the answer; a stop ends that wait without a disconnect notification.
  Link.StopListening();
  EXPECT_EQ(Link.State(), hlIdle);
  EXPECT_FALSE(Serial.IsConnected());
  EXPECT_EQ(Disconnects.Count(), 0);
  EXPECT_EQ(LogLines().back(), "HDLC Idle");
  // And it starts again.
  Link.StartListening();
  Connect();
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  EXPECT_EQ(Link.Rec(&Ctx), kGET);
  Link.Send(&Ctx, Hex("C4"));
  ExpectFromServer(fkI, 1, 0, kResponseLLC + Hex("C4"));
}

TEST_F(HdlcServerTest, AbortEndsTheApplicationSideWaits) {
  Start();
  Connect();
  auto received = std::async(std::launch::async, [this] {
    try {
      Link.Rec(&Ctx);
    } catch (const EAbort& e) {
      return e.Message();
    }
    return std::string("(received)");
  });
  AbortOnExit guard;
  // An answer that the link never took keeps a second Send waiting until the abort.
  ToServer(IFrame(0, 0, kRequestLLC + kGET));
  ASSERT_EQ(received.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(received.get(), "(received)");
  NoResponseGenerated = true;
  ExpectFromServer(fkRR, 1);
  Link.Send(&Ctx, Hex("C4 01"));
  auto sending = std::async(std::launch::async, [this] { Link.Send(&Ctx, Hex("C4 02")); });
  auto waiting = std::async(std::launch::async, [this] {
    try {
      Link.Rec(&Ctx);
    } catch (const EAbort& e) {
      return e.Message();
    }
    return std::string("(received)");
  });
  AbortOnExit guard2;
  AbortRequested = true;
  ASSERT_EQ(sending.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), "USER ABORT");
}

TEST(HdlcServerLifetime, TheLinkThreadEndsWithItsLayer) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  AbortRequested = false;
  TProtocolLayerSerial serial;
  serial.DevicePath = pty.SlaveName;
  serial.SetShowTraffic(false);
  // Destroyed idle, waiting for a frame, and waiting for an answer.
  for (int stage = 0; stage < 3; ++stage) {
    SCOPED_TRACE(stage);
    auto link = std::make_unique<TProtocolLayerHDLCServer>();
    link->SetSerialPort(&serial);
    if (stage > 0) link->StartListening();
    if (stage > 1) {
      ASSERT_TRUE(pty.Write(kSNRM));
      EXPECT_EQ(pty.ReadFrameOctets(), kUA);
      TFrame i = IFrame(0, 0, kRequestLLC + kGET);
      ASSERT_TRUE(pty.Write(i.GetPDUByteStr()));
      TLinkAddresses ctx;
      EXPECT_EQ(link->Rec(&ctx), kGET);
    }
    auto destroyed = std::async(std::launch::async, [&link] { link.reset(); });
    ASSERT_EQ(destroyed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    serial.Disconnect();
  }
}

}  // namespace

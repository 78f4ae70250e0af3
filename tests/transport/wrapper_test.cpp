#include "transport/wrapper_layer.h"

#include <gtest/gtest.h>

#include "support/transport_test_support.h"

using namespace zv;
using zv::test::FakeClock;
using zv::test::Hex;

namespace {

// An octet stream below the wrapper: Rec hands out what has arrived, one octet at a time
// against the frame-complete test, and returns what it has when nothing more has arrived
// (its time-out). Sends are recorded with the time of the wrapper's clock.
class StreamStub : public TProtocolLayerAbstract {
 public:
  PduStr Rec(TLinkAddresses*) override {
    ++Recs;
    PduStr result;
    while (!Arrived.empty()) {
      result += Arrived.front();
      Arrived.erase(0, 1);
      if (CheckFrameCompleteCallBack && CheckFrameCompleteCallBack(this, result)) break;
    }
    return result;
  }
  void Send(TLinkAddresses*, const PduStr& s) override {
    Sent.push_back(s);
    SentAt.push_back(Clock ? Clock->NowMs() : 0);
  }
  void PushBack(const PduStr& s) override { Arrived.insert(0, s); }

  PduStr Arrived;
  int Recs = 0;
  std::vector<PduStr> Sent;
  std::vector<int64_t> SentAt;
  const IClock* Clock = nullptr;
};

class WrapperTest : public ::testing::Test {
 protected:
  WrapperTest() {
    Wrapper.Name = "Wrapper";
    Wrapper.SetSupportingLayer(&Stream);
  }
  StreamStub Stream;
  TProtocolLayerWrapper Wrapper;
  TLinkAddresses Context;
};

TEST(Wrapper, IsWPdu) {
  struct Row { const char* Hex; bool Is; };
  const Row rows[] = {
      {"0001 0010 0001 0003 AABBCC", true},
      {"0001 0010 0001 0003 AABB", false},
      {"0001 0010 0001 0003 AABBCCDD", true},  // more than the length is allowed
      {"0001 0010 0001 0000", true},
      {"0001 0010 0001 00", false},            // seven octets
      {"0002 0010 0001 0000", false},
      {"0101 0010 0001 0000", false},
      {"0001 FFFF FFFF 0001 00", true},        // wPorts are not looked at
      {"0001 0000 0000 FFFF", false},
      {"", false},
  };
  for (const Row& r : rows) EXPECT_EQ(TProtocolLayerWrapper::IsWPdu(Hex(r.Hex)), r.Is) << r.Hex;
  PduStr longest = Hex("0001 0001 0010 FFFF") + PduStr(65535, 'x');
  EXPECT_TRUE(TProtocolLayerWrapper::IsWPdu(longest));
  EXPECT_FALSE(TProtocolLayerWrapper::IsWPdu(longest.substr(0, longest.size() - 1)));
}

TEST_F(WrapperTest, EmptyApduSetsTheAddressesAndTheAnswerSwapsThem) {
  Stream.Arrived = Hex("0001 0010 0001 0000");
  EXPECT_EQ(Wrapper.Rec(&Context), "");
  EXPECT_EQ(Context.ClientId, 16);
  EXPECT_EQ(Context.ServerId, 1);
  // The frame-complete test is installed on the layer below.
  ASSERT_TRUE(Stream.CheckFrameCompleteCallBack);
  EXPECT_TRUE(Stream.CheckFrameCompleteCallBack(&Stream, Hex("0001 0010 0001 0001 C0")));
  Wrapper.Send(&Context, Hex("C401 C1"));
  ASSERT_EQ(Stream.Sent.size(), 1u);
  EXPECT_EQ(Stream.Sent[0], Hex("0001 0001 0010 0003 C401C1"));
}

TEST_F(WrapperTest, AddressesAreCutToSixteenBits) {
  Context.ServerId = 0x12345;
  Context.ClientId = -1;
  Wrapper.Send(&Context, "");
  EXPECT_EQ(Stream.Sent.at(0), Hex("0001 2345 FFFF 0000"));
}

TEST_F(WrapperTest, BadInputIsRefusedAndLeavesTheAddresses) {
  struct Row { const char* Hex; const char* Message; };
  const Row rows[] = {
      {"", "No response"},
      {"0002 0010 0001 0000", "Illegal version 2 in response WPDU"},
      {"0002 0010 0001 0003 AABBCC", "Illegal version 2 in response WPDU"},
      {"FFFF 0010 0001 0000", "Illegal version 65535 in response WPDU"},
      {"68656C6C6F", "Illegal WPDU"},  // garbage
      {"01", "Illegal WPDU"},
      {"0002", "Illegal WPDU"},
  };
  for (const Row& r : rows) {
    Context.ClientId = 7;
    Context.ServerId = 8;
    Stream.Arrived = Hex(r.Hex);
    try {
      Wrapper.Rec(&Context);
      ADD_FAILURE() << r.Hex;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), r.Message) << r.Hex;
      EXPECT_STREQ(e.ClassName(), *r.Hex ? "EProtocolLayerWrapper" : "ENoResponse") << r.Hex;
    }
    EXPECT_EQ(Context.ClientId, 7) << r.Hex;
    EXPECT_EQ(Context.ServerId, 8) << r.Hex;
    EXPECT_TRUE(Stream.Arrived.empty()) << r.Hex;  // consumed, not kept for later
  }
}

TEST_F(WrapperTest, TwoWPdusInOneChunkComeOutOneByOne) {
  Stream.Arrived = Hex("0001 0010 0001 0002 C001 0001 0011 0002 0001 E6");
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("C001"));
  EXPECT_EQ(Context.ClientId, 16);
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  EXPECT_EQ(Context.ClientId, 17);
  EXPECT_EQ(Context.ServerId, 2);
}

TEST_F(WrapperTest, AWPduCutByTheTimeOutWaitsForItsRest) {
  const PduStr wpdu = Hex("0001 0010 0001 0005 C001C10001");
  // Every cut: the header alone, part of it, part of the APDU.
  for (size_t cut : {1u, 2u, 7u, 8u, 10u}) {
    Context.ClientId = 0;
    Stream.Arrived = wpdu.substr(0, cut);
    EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse) << cut;
    EXPECT_EQ(Stream.Arrived, wpdu.substr(0, cut)) << cut;  // kept for the next receive
    EXPECT_EQ(Context.ClientId, 0);
    Stream.Arrived += wpdu.substr(cut) + Hex("0001 0010 0001 0001 E6");
    EXPECT_EQ(Wrapper.Rec(&Context), Hex("C001C10001")) << cut;
    EXPECT_EQ(Context.ClientId, 16);
    EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6")) << cut;
  }
}

TEST_F(WrapperTest, ALengthLargerThanWhatFollowsNeverHangsOrGrows) {
  Stream.Arrived = Hex("0001 0010 0001 FFFF 01020304");
  for (int i = 0; i < 3; ++i) EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse);
  EXPECT_EQ(Stream.Arrived.size(), 12u);
  // Octets that grew to the largest WPDU without making one are given up as a whole.
  TProtocolLayerWrapper w;
  EXPECT_FALSE(w.CheckFrameComplete(nullptr, Hex("0102 0304") + PduStr(65530, 'x')));
  EXPECT_TRUE(w.CheckFrameComplete(nullptr, Hex("0102 0304") + PduStr(65539, 'x')));
  Stream.Arrived = Hex("0200") + PduStr(70000, 'x');
  try {
    Wrapper.Rec(&Context);
    FAIL();
  } catch (const EProtocolLayerWrapper& e) {
    EXPECT_EQ(e.Message(), "Illegal version 512 in response WPDU");
  }
  EXPECT_EQ(Stream.Arrived.size(), 70002u - 65543u);
}

TEST_F(WrapperTest, SendRefusesAnApduThatDoesNotFitTheLengthField) {
  Wrapper.Send(&Context, PduStr(65535, 'a'));
  ASSERT_EQ(Stream.Sent.size(), 1u);
  EXPECT_EQ(Stream.Sent[0].substr(0, 8), Hex("0001 0000 0000 FFFF"));
  EXPECT_EQ(Stream.Sent[0].size(), 65543u);
  EXPECT_THROW(Wrapper.Send(&Context, PduStr(65536, 'a')), EProtocolLayerWrapper);
  EXPECT_THROW(Wrapper.Send(&Context, PduStr(70000, 'a')), EProtocolLayerWrapper);
  EXPECT_EQ(Stream.Sent.size(), 1u);  // nothing went out
}

TEST_F(WrapperTest, MinOutWPduFramesDelayPacesBackToBackSends) {
  struct Row { uint32_t Delay; int64_t Gap; };
  for (Row r : {Row{0, 0}, Row{200, 200}}) {
    FakeClock clock;
    Wrapper.SetClock(clock);
    Stream.Clock = &clock;
    Stream.SentAt.clear();
    Wrapper.SetMinOutWPduFramesDelay(r.Delay);
    Wrapper.Send(&Context, "a");
    Wrapper.Send(&Context, "b");
    ASSERT_EQ(Stream.SentAt.size(), 2u);
    EXPECT_EQ(Stream.SentAt[1] - Stream.SentAt[0], r.Gap) << r.Delay;
    // A send that comes later than the gap does not wait.
    clock.Ms += 500;
    int64_t before = clock.Waited;
    Wrapper.Send(&Context, "c");
    EXPECT_EQ(clock.Waited, before);
  }
}

TEST_F(WrapperTest, LogLines) {
  std::vector<std::string> lines;
  Wrapper.LogProc = [&](const std::vector<std::string>& L) { lines.insert(lines.end(), L.begin(), L.end()); };
  Stream.Arrived = Hex("0001 0010 0001 0002 C001");
  Wrapper.Rec(&Context);
  Wrapper.Send(&Context, Hex("C4"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Wrapper: Rec Src=16, Dst=1, Len=2 C001");
  EXPECT_EQ(lines[1], "Wrapper: Sent Src=1, Dst=16, Len=1 C4");
}

TEST(Wrapper, RenderingsOfAWPdu) {
  std::vector<std::string> lines{"before"};
  TProtocolLayerWrapper::WPduGetAsStrings(Hex("0001 0010 0001 0009 C001"), lines, 2);
  const std::vector<std::string> expected{
      "before", "  WPDU(", "    Version: 1, SrcWPort:16, DstWPort:1, Length:9", "    Data:'C001'", "  )"};
  EXPECT_EQ(lines, expected);
  EXPECT_THROW(TProtocolLayerWrapper::WPduGetAsStrings(Hex("0001"), lines, 0), EProtocolLayerWrapper);
  EXPECT_EQ(TProtocolLayerWrapper::GetHexAPduPayLoad("00 01-00 10\r\n00 01 00 02 c0 01"), "C001");
  EXPECT_EQ(TProtocolLayerWrapper::GetHexAPduPayLoad("0001001000010000"), "");
  EXPECT_EQ(TProtocolLayerWrapper::GetHexAPduPayLoad("0001"), "");
}

}  // namespace

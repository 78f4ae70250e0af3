// General block transfer between the service layer and a scripted transport: when answers
// are cut into blocks and how, what the path does with aborts, new requests and undecodable
// octets while it waits, and what it keeps for the next request.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>

#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "crypto/logging_context.h"
#include "foundation/globals.h"
#include "server/gbt.h"
#include "server/general_block_transfer.h"
#include "server/transfer_context.h"
#include "transport/protocol_layer.h"

using namespace zv;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }

TGBT Blk(bool lb, bool str, int w, int bn, int bna, const PduStr& bd = PduStr()) {
  return TGBT{lb, str, w, bn, bna, bd};
}

PduStr Octets(const TGBT& g) { return TGeneralBlockTransferHelper::MakeAPDU(g)->Encode(); }

bool IsBlock(const PduStr& s) { return !s.empty() && static_cast<uint8_t>(s[0]) == 0xE0; }

TGBT ToGBT(const PduStr& s) {
  TGBT g;
  TGBTProtocol::GeneralBlockTransferToGBT(TCOSEMPDUHelper::AsGeneralBlockTransfer(*TCOSEMPDUHelper::MakeFromPdu(s)),
                                          g);
  return g;
}

// Two plain requests a client may send next.
const PduStr kGetA = H("C0 01 C1 0001 0000600100FF 02 00");
const PduStr kGetB = H("C0 01 C2 0001 0000600101FF 02 00");

// An answer of Size octets: a get-response whose tail is filler.
PduStr Answer(size_t Size, char Tag = static_cast<char>(0xC4)) {
  PduStr s(Size, 'x');
  s[0] = Tag;
  return s;
}

// The transport as the path sees it: Rec hands out what the script queued (nothing queued:
// ENoResponse, as a receive time-out), Send records and lets the script react.
class TScriptedLayer : public TProtocolLayerAbstract {
 public:
  std::deque<PduStr> Inbox;
  std::vector<PduStr> Sent;
  std::function<void(TScriptedLayer&, const PduStr&)> OnSend;
  int EmptyRecs = 0;

  void Send(TLinkAddresses*, const PduStr& s) override {
    Sent.push_back(s);
    if (OnSend) OnSend(*this, s);
  }
  PduStr Rec(TLinkAddresses*) override {
    if (Inbox.empty()) {
      // A path that asks again and again for what never comes is a hang.
      if (++EmptyRecs > 50) throw std::runtime_error("the path keeps waiting");
      throw ENoResponse();
    }
    PduStr s = std::move(Inbox.front());
    Inbox.pop_front();
    return s;
  }
  bool IsConnected() override { return true; }

  std::vector<TGBT> SentBlocks() const {
    std::vector<TGBT> out;
    for (const auto& s : Sent)
      if (IsBlock(s)) out.push_back(ToGBT(s));
    return out;
  }
  // A client with window Window that acknowledges the end of every stream it receives,
  // the last block included; its blocks are numbered from FirstBN.
  void AcknowledgeStreams(int Window, int FirstBN = 1) {
    OnSend = [Window, bn = FirstBN](TScriptedLayer& l, const PduStr& s) mutable {
      if (!IsBlock(s)) return;
      const TGBT g = ToGBT(s);
      if (!g.STR && !g.IsAbort()) l.Inbox.push_back(Octets(Blk(true, false, Window, bn++, g.BN)));
    };
  }
};

class GBTPath : public ::testing::Test {
 protected:
  GBTPath() {
    Log.SetLogStringProc([this](const std::string& s) { Lines.push_back(s); });
    Ctx.LoggingContext = &Log;
    Ctx.CommunicationProfileInfo.Profile = cpTCP;
    Ctx.GeneralBlockTransferInfo.AdvertizedWindowSize = 1;
    Ctx.GeneralBlockTransferInfo.SendStreams = true;
    Ctx.GeneralBlockTransferInfo.AnswerAbortToAbort = true;
    Ctx.AgreedMaxSendPduSize = 256;
    Ctx.Confirmed = true;
    Agree(true);
  }
  ~GBTPath() override { AbortRequested = false; }

  void Agree(bool GeneralBlockTransfer) {
    PduPtr c = Create(T_Conformance, xmlConformance);
    TConformance& conformance = c->As<TConformance>();
    conformance.SetDefaultValue();
    if (GeneralBlockTransfer) conformance.Value[cbGeneralBlockTransfer] = '1';
    Ctx.SetAgreedConformance(conformance);
  }
  int LinesWith(const std::string& Text) const {
    int n = 0;
    for (const auto& l : Lines) n += l.find(Text) != std::string::npos;
    return n;
  }
  PduStr Receive() {
    PduStr s;
    TGeneralBlockTransfer::ReceivePdu(Ctx, Layer, s);
    return s;
  }
  void Send(const PduStr& Pdu) { TGeneralBlockTransfer::SendPdu(Ctx, Layer, Pdu); }

  TLoggingContext Log;
  std::vector<std::string> Lines;
  TTransferContext Ctx;
  TScriptedLayer Layer;
};

// ---- When and how an answer is cut ----------------------------------------------------------

// A long answer leaves as blocks of (agreed size - 13) octets, the last one shorter and with
// LB; confirmed, each waits for the client; unconfirmed, they leave back to back and the
// engine is gone afterwards. Too small an agreed size gives one block with everything.
TEST_F(GBTPath, LongAnswerIsCutIntoBlocks) {
  struct Row {
    int MaxPdu;
    size_t Size;
    bool Confirmed;
    std::vector<size_t> Blocks;
  };
  const Row rows[] = {
      {256, 1000, true, {243, 243, 243, 243, 28}},
      {256, 1000, false, {243, 243, 243, 243, 28}},
      {256, 486, true, {243, 243}},
      {13, 300, true, {300}},
      {5, 300, false, {300}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.MaxPdu << "/" << r.Size << (r.Confirmed ? " confirmed" : " unconfirmed"));
    Layer.Inbox.clear();
    Layer.Sent.clear();
    Layer.EmptyRecs = 0;
    Layer.OnSend = nullptr;
    Ctx.GBTProtocol.reset();
    Ctx.AgreedMaxSendPduSize = r.MaxPdu;
    Ctx.Confirmed = r.Confirmed;
    if (r.Confirmed) Layer.AcknowledgeStreams(1);
    const PduStr answer = Answer(r.Size);
    Send(answer);

    const std::vector<TGBT> blocks = Layer.SentBlocks();
    ASSERT_EQ(blocks.size(), r.Blocks.size());
    EXPECT_EQ(Layer.Sent.size(), blocks.size()) << "nothing but blocks goes down";
    PduStr joined;
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].BD.size(), r.Blocks[i]) << "block " << i;
      EXPECT_EQ(blocks[i].LB, i + 1 == blocks.size());
      EXPECT_EQ(blocks[i].BN, static_cast<int>(i) + 1);
      EXPECT_EQ(blocks[i].W, 1);
      joined += blocks[i].BD;
    }
    EXPECT_EQ(joined, answer);
    // Confirmed: every acknowledgement was taken, the last one too; unconfirmed: nothing
    // was waited for.
    EXPECT_TRUE(Layer.Inbox.empty());
    EXPECT_EQ(Layer.EmptyRecs, 0);
    EXPECT_EQ(Ctx.GBTProtocol != nullptr, r.Confirmed);
  }
}

// Answers that go down whole: general block transfer not agreed, not longer than agreed,
// association and release answers and exception responses of any length.
TEST_F(GBTPath, AnswersThatGoWhole) {
  struct Row {
    const char* Name;
    bool Agreed;
    PduStr Pdu;
  } rows[] = {
      {"not agreed", false, Answer(1000)},
      {"as long as agreed", true, Answer(256)},
      {"AARE", true, Answer(1000, 0x61)},
      {"RLRE", true, Answer(1000, 0x63)},
      {"AARQ", true, Answer(1000, 0x60)},
      {"RLRQ", true, Answer(1000, 0x62)},
      {"exception response", true, Answer(1000, static_cast<char>(0xD8))},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    Layer.Sent.clear();
    Agree(r.Agreed);
    Send(r.Pdu);
    ASSERT_EQ(Layer.Sent.size(), 1u);
    EXPECT_EQ(Layer.Sent[0], r.Pdu);
    EXPECT_EQ(Ctx.GBTProtocol, nullptr);
  }
  // Without any agreed conformance (before an association) nothing is cut either.
  TTransferContext fresh;
  Layer.Sent.clear();
  TGeneralBlockTransfer::SendPdu(fresh, Layer, Answer(1000));
  EXPECT_EQ(Layer.Sent.size(), 1u);
}

// Streams are as long as the client's window while streams are on, one block each when
// they are off. The first stream has one block: the client's window is not known yet.
TEST_F(GBTPath, StreamsFollowTheClientsWindowOrHoldOneBlock) {
  for (bool streams : {true, false}) {
    SCOPED_TRACE(streams ? "streams" : "no streams");
    Layer.Sent.clear();
    Ctx.GBTProtocol.reset();
    Ctx.GeneralBlockTransferInfo.SendStreams = streams;
    Layer.AcknowledgeStreams(3);
    Send(Answer(7 * 243));
    std::string pattern;
    for (const TGBT& g : Layer.SentBlocks()) pattern += g.STR ? 'S' : '.';
    EXPECT_EQ(pattern, streams ? ".SS.SS." : ".......");
  }
}

// ---- Requests by blocks ---------------------------------------------------------------------

// A request that comes as blocks is joined; each block is acknowledged, and the answer goes
// by blocks even when it is short. Octets that came behind a request's last block are the
// next request.
TEST_F(GBTPath, RequestByBlocksIsJoinedAndAnsweredByBlocks) {
  const PduStr request = kGetA;
  Layer.Inbox.push_back(Octets(Blk(false, false, 1, 1, 0, request.substr(0, 5))));
  Layer.Inbox.push_back(Octets(Blk(false, false, 1, 2, 1, request.substr(5, 5))));
  Layer.Inbox.push_back(Octets(Blk(true, false, 1, 3, 2, request.substr(10))));
  EXPECT_EQ(Receive(), request);
  ASSERT_EQ(Layer.SentBlocks().size(), 2u);
  EXPECT_EQ(Layer.SentBlocks()[1].BNA, 2);
  EXPECT_TRUE(Ctx.ReceivedBufferInfo.Buffer.empty());

  Layer.Sent.clear();
  Layer.AcknowledgeStreams(1, 4);
  const PduStr shortAnswer = H("C4 01 C1 00 12 0005");
  Send(shortAnswer);
  const std::vector<TGBT> blocks = Layer.SentBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_TRUE(blocks[0].LB);
  EXPECT_EQ(blocks[0].BNA, 3);
  EXPECT_EQ(blocks[0].BD, shortAnswer);
  EXPECT_TRUE(Layer.Inbox.empty());

  // A request of one block: what came behind it is the next request.
  Layer.Sent.clear();
  Layer.OnSend = nullptr;
  Layer.Inbox.push_back(Octets(Blk(true, false, 1, 1, 0, kGetA)) + kGetB);
  EXPECT_EQ(Receive(), kGetA);
  EXPECT_TRUE(Layer.Sent.empty());
  EXPECT_EQ(Ctx.ReceivedBufferInfo.Buffer, kGetB);
  EXPECT_EQ(Receive(), kGetB);
  EXPECT_EQ(Ctx.GBTProtocol, nullptr);
}

// On HDLC every block that announces more of its stream releases the link, as nothing
// answers it.
TEST_F(GBTPath, HDLCReleasesTheLinkAfterAStreamingBlock) {
  Ctx.CommunicationProfileInfo.Profile = cpHDLC;
  Layer.Inbox.push_back(Octets(Blk(false, false, 2, 1, 0, kGetA.substr(0, 4))));
  Layer.Inbox.push_back(Octets(Blk(false, true, 2, 2, 1, kGetA.substr(4, 4))));
  Layer.Inbox.push_back(Octets(Blk(true, false, 2, 3, 1, kGetA.substr(8))));
  EXPECT_EQ(Receive(), kGetA);
  std::vector<std::string> kinds;
  for (const auto& s : Layer.Sent) kinds.push_back(s.empty() ? "release" : "ack " + std::to_string(ToGBT(s).BNA));
  EXPECT_EQ(kinds, (std::vector<std::string>{"ack 1", "release", "ack 2"}));
}

// ---- Abort, new service, waits ---------------------------------------------------------------

// An abort block is answered with one while the setting says so, else not (HDLC: the link
// is released); either way a request being received is dropped and the next one awaited,
// and an answer being sent stops.
TEST_F(GBTPath, AbortIsAnsweredAsTheSettingSays) {
  const PduStr abortBlock = Octets(Blk(true, false, 0, 0, 0));
  struct Row {
    bool AnswerAbort;
    TCommunicationProfile Profile;
    const char* Reaction;  // what goes down after the abort
  } rows[] = {{true, cpTCP, "abort"}, {false, cpTCP, ""}, {true, cpHDLC, "abort"}, {false, cpHDLC, "release"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.AnswerAbort << "/" << r.Profile);
    Ctx.GeneralBlockTransferInfo.AnswerAbortToAbort = r.AnswerAbort;
    Ctx.CommunicationProfileInfo.Profile = r.Profile;
    auto reaction = [&](size_t from) {
      std::string out;
      for (size_t i = from; i < Layer.Sent.size(); ++i)
        out += Layer.Sent[i].empty() ? "release" : ToGBT(Layer.Sent[i]).IsAbort() ? "abort" : "block";
      return out;
    };

    // While a request comes in.
    Layer.Sent.clear();
    Layer.OnSend = nullptr;
    Layer.Inbox = {Octets(Blk(false, false, 1, 1, 0, "ab")), abortBlock, kGetA};
    EXPECT_EQ(Receive(), kGetA);
    EXPECT_EQ(reaction(1), r.Reaction);

    // While an answer goes out: the client aborts after the first block.
    Layer.Sent.clear();
    Ctx.GBTProtocol.reset();
    Layer.OnSend = [&](TScriptedLayer& l, const PduStr& s) {
      if (l.Sent.size() == 1 && IsBlock(s)) l.Inbox.push_back(abortBlock);
    };
    Send(Answer(1000));
    EXPECT_EQ(reaction(1), r.Reaction);
    EXPECT_TRUE(Ctx.ReceivedBufferInfo.Buffer.empty());
  }
}

// A request that the client sends while an answer goes out ends the answer and is served
// next, before octets that came behind it.
TEST_F(GBTPath, NewServiceDuringAnAnswerIsServedNext) {
  Layer.OnSend = [](TScriptedLayer& l, const PduStr&) {
    if (l.Sent.size() == 1) l.Inbox.push_back(kGetA + kGetB);
  };
  Send(Answer(1000));
  EXPECT_EQ(Layer.Sent.size(), 1u);
  EXPECT_EQ(LinesWith("*** New service started by peer"), 1);
  EXPECT_EQ(Ctx.ReceivedBufferInfo.Buffer, kGetA + kGetB);
  const PduStr next = Receive();
  EXPECT_EQ(next.substr(0, kGetA.size()), kGetA);
  EXPECT_TRUE(Layer.Inbox.empty());
}

// The answer's exchange ends with the client's acknowledgement of the last block: that
// block is taken by the exchange, and the request behind it is left for ReceivePdu.
TEST_F(GBTPath, LastAcknowledgementBelongsToTheAnswer) {
  Layer.OnSend = [](TScriptedLayer& l, const PduStr& s) {
    const TGBT g = ToGBT(s);
    l.Inbox.push_back(Octets(Blk(true, false, 1, g.BN, g.BN)));
    if (g.LB) l.Inbox.push_back(kGetA);
  };
  Send(Answer(600));
  EXPECT_EQ(Layer.SentBlocks().size(), 3u);
  ASSERT_EQ(Layer.Inbox.size(), 1u);
  EXPECT_EQ(Layer.Inbox.front(), kGetA);
  EXPECT_TRUE(Ctx.ReceivedBufferInfo.Buffer.empty());
  EXPECT_EQ(Receive(), kGetA);
  EXPECT_EQ(LinesWith("GBT Received"), 3);
}

// Octets that cannot be decoded while the engine waits reach the session with the error
// and are not kept, or they would come back as the next request.
TEST_F(GBTPath, UndecodableOctetsAreNotKept) {
  Layer.OnSend = [](TScriptedLayer& l, const PduStr&) { l.Inbox.push_back(H("C0 07 C1")); };
  try {
    Send(Answer(1000));
    ADD_FAILURE() << "no error";
  } catch (const EMakeCOSEMPdu& e) {
    EXPECT_EQ(e.Octets, H("C0 07 C1"));
  }
  EXPECT_TRUE(Ctx.ReceivedBufferInfo.Buffer.empty());
}

// Abort ends the wait for the client's acknowledgement; the transport returns at once
// while abort is requested, so without a test the stream would go out again and again.
TEST_F(GBTPath, AbortEndsTheWaitForAnAcknowledgement) {
  Layer.OnSend = [](TScriptedLayer&, const PduStr&) { AbortRequested = true; };
  EXPECT_THROW(Send(Answer(1000)), EAbort);
  EXPECT_EQ(Layer.Sent.size(), 1u);
}

// Block trace lines go to the log sink of the association.
TEST_F(GBTPath, BlocksAreTraced) {
  Layer.AcknowledgeStreams(1);
  Send(Answer(300));
  EXPECT_EQ(LinesWith("Sent  L="), 2);
  EXPECT_EQ(LinesWith("GBT Received"), 2);
}

}  // namespace

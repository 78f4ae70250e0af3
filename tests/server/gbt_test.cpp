#include "server/gbt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "apdu/apdu_views.h"

using namespace zv;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }

TGBT Blk(bool lb, bool str, int w, int bn, int bna, const PduStr& bd = PduStr()) {
  return TGBT{lb, str, w, bn, bna, bd};
}

COSEMpduPtr Apdu(const TGBT& g) { return TGeneralBlockTransferHelper::MakeAPDU(g); }

TGBT ToGBT(const TCOSEMpdu& pdu) {
  TGBT g;
  TGBTProtocol::GeneralBlockTransferToGBT(TCOSEMPDUHelper::AsGeneralBlockTransfer(pdu), g);
  return g;
}

// A plain GET request: what a client sends as its next request.
COSEMpduPtr GetRequest() { return TCOSEMPDUHelper::MakeFromPdu(H("C0 01 C1 0008 0000010000FF 02 00")); }

template <class F>
EGBT GBTErrorOf(F f) {
  try {
    f();
  } catch (const EGBT& e) {
    return e;
  }
  ADD_FAILURE() << "no EGBT raised";
  return EGBT(egIllegalGBT, "<none>");
}

// The peer as the engine sees it: what the engine sends goes over the octet form and is
// recorded; what it receives comes from an inbox that a script may fill as blocks arrive.
// Events record the order: "S<BN>" for a block sent, "R<BN>" for a block received, "R-"
// for a receive that found nothing.
struct ScriptedPeer {
  std::vector<TGBT> Sent;
  std::vector<std::string> Events;
  std::deque<COSEMpduPtr> Inbox;
  std::function<void(ScriptedPeer&, const TGBT&)> OnBlock;
  int Nils = 0;

  void Push(const TGBT& g) { Inbox.push_back(Apdu(g)); }

  TGBTProtocol::TSendCOSEMPduProc Send() {
    return [this](const TCOSEMpdu& pdu) {
      COSEMpduPtr wire = TCOSEMPDUHelper::MakeFromPdu(pdu.Encode());
      TGBT g = ToGBT(*wire);
      Sent.push_back(g);
      Events.push_back("S" + std::to_string(g.BN));
      if (OnBlock) OnBlock(*this, g);
    };
  }
  TGBTProtocol::TRecCOSEMPduFunc Rec() {
    return [this]() -> COSEMpduPtr {
      if (Inbox.empty()) {
        Events.push_back("R-");
        if (++Nils > 10) throw std::runtime_error("the engine keeps waiting for a silent peer");
        return nullptr;
      }
      COSEMpduPtr p = std::move(Inbox.front());
      Inbox.pop_front();
      Events.push_back(TCOSEMPDUHelper::IsGeneralBlockTransfer(*p) ? "R" + std::to_string(ToGBT(*p).BN) : "Rpdu");
      return p;
    };
  }
};

std::unique_ptr<TGBTProtocol> Engine(TGBTProtocolKind kind, int window, bool streams = true,
                                     std::vector<std::string>* trace = nullptr, int peerWindow = 1) {
  auto e = std::make_unique<TGBTProtocol>(kind);
  TGBTSettings s;
  s.WindowSize = window;
  s.SendStreams = streams;
  e->ApplySettings(s);
  e->SetWPeerInitialValue(peerWindow);
  e->Initialize([trace](const TTraceInfo& t) {
    if (trace) trace->push_back(t.ToString());
  });
  return e;
}

// ---- Queues, records and texts ------------------------------------------------------

// The ordering check the program ran at start-up: numbers added out of order come out in
// order, and the queue is consistent after every insertion.
TEST(GBTControlQueue, KeepsBlockNumberOrderAfterEveryInsertion) {
  TControlQueue q;
  std::vector<int> order;
  for (int bn : {1, 3, 2, 5, 4}) {
    q.AddQueueBlock(false, bn, PduStr());
    EXPECT_TRUE(q.Check()) << "after " << bn;
  }
  for (const auto& e : q.Blocks()) order.push_back(e.second.BN);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(q.Search(true, 4, "x"), 3);
  EXPECT_EQ(q.Search(false, 9, PduStr()), -1);
  EXPECT_TRUE(q.HasBlockWithBN(5));
  EXPECT_EQ(q.AtBN(6), nullptr);

  // An equal number goes in front of the block already there; Check then fails.
  TControlQueue copy = q.Clone();
  q.AddQueueBlock(true, 3, "new");
  ASSERT_NE(q.AtBN(3), nullptr);
  EXPECT_TRUE(q.AtBN(3)->Equal(TQueueBlock{true, 3, "new"}));
  EXPECT_FALSE(q.Check());
  EXPECT_EQ(copy.Count(), 5);
  EXPECT_TRUE(copy.Check());

  q.DeleteUpToBN(3);
  EXPECT_EQ(q.First().BN, 4);
  q.DeleteFirst(10);
  EXPECT_TRUE(q.IsEmpty());

  TControlQueue negative;
  negative.AddQueueBlock(false, -1, PduStr());
  EXPECT_FALSE(negative.Check());
}

TEST(GBTControlQueue, StreamCopiesDeleteByIndexAndNumber) {
  TGBTSendStream s;
  s.Blocks = {{false, 1, "a"}, {false, 2, "b"}, {true, 3, "c"}};
  EXPECT_FALSE(s.DeleteBlock(3));
  EXPECT_FALSE(s.DeleteBlock(-1));
  EXPECT_TRUE(s.DeleteBlockAtBN(2));
  EXPECT_FALSE(s.DeleteBlockAtBN(2));
  EXPECT_TRUE(s.DeleteBlock(1));
  ASSERT_EQ(s.Blocks.size(), 1u);
  EXPECT_EQ(s.Blocks[0].BN, 1);

  TGBTSendBlocks b;
  b.Blocks = {Blk(false, true, 1, 4, 0), Blk(true, false, 1, 5, 0)};
  EXPECT_TRUE(b.DeleteBlockAtBN(5));
  EXPECT_FALSE(b.DeleteBlock(1));
  EXPECT_EQ(b.Blocks.size(), 1u);
}

TEST(GBTRecords, AbortAndUnconfirmedAreRecognisedByTheirFields) {
  struct Row {
    TGBT g;
    bool abort, unconfirmed;
  };
  const Row rows[] = {
      {Blk(true, false, 1, 0, 0), true, false},
      {Blk(true, false, 0, 0, 0, "xy"), true, true},  // W and BD are not examined
      {Blk(true, false, 1, 0, 1), false, false},      // an acknowledgement, no abort
      {Blk(false, false, 1, 0, 0), false, false},
      {Blk(true, true, 1, 0, 0), false, false},
      {Blk(false, false, 0, 5, 2), false, true},
      {Blk(false, true, 0, 5, 2), false, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.g.IsAbort(), r.abort) << r.g.ToString();
    EXPECT_EQ(r.g.IsUnconfirmed(), r.unconfirmed) << r.g.ToString();
  }
  TGBT g = Blk(false, true, 7, 9, 8, "data");
  g.MakeAbort();
  EXPECT_TRUE(g.IsEqual(Blk(true, false, 0, 0, 0)));
  EXPECT_FALSE(g.IsEqual(Blk(true, false, 0, 0, 0, "x")));
}

TEST(GBTRecords, TraceTexts) {
  const std::string sentPad(58, ' ');
  struct Row {
    TTraceInfo info;
    std::string text;
  };
  const Row rows[] = {
      {TTraceInfo::ForSendRec(tkReceiveGBT, Blk(true, false, 1, 2, 0, H("010203"))),
       "GBT Received       L=1, S=0, W=1, N=2, A=0, D=0102..."},
      {TTraceInfo::ForSendRec(tkSendGBT, Blk(false, true, 3, 1, 4, H("0A0B"))),
       "GBT" + sentPad + "Sent  L=0, S=1, W=3, N=1, A=4, D=0A0B"},
      {TTraceInfo::ForSendRec(tkSendGBT, Blk(true, false, 0, 0, 0)),
       "GBT" + sentPad + "Sent  (ABORT) L=1, S=0, W=0, N=0, A=0"},
      {TTraceInfo::ForSendRec(tkDiscardedGBT, Blk(true, true, 1, 3, 0, H("FF"))),
       "GBT Rec. *Disc.*   L=1, S=1, W=1, N=3, A=0, D=FF"},
      {TTraceInfo::ForGAP(TGapInfo{2, 1}), "GBT" + sentPad + "GAP   After N=2 of size=1"},
      {TTraceInfo::ForSendRec(tkLost, Blk(false, false, 1, 4, 0)), "GBT Rec. *Lost*    L=0, S=0, W=1, N=4, A=0"},
      {TTraceInfo::ForSendRec(tkReceiveAcked, Blk(false, false, 1, 3, 2)),
       "GBT Rec. *Acked*   L=0, S=0, W=1, N=3, A=2"},
      {TTraceInfo::ForSendRec(tkReceiveNewService, Blk(false, false, 1, 3, 0)),
       "GBT Rec. *New*     L=0, S=0, W=1, N=3, A=0"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.info.ToString(), r.text);
  EXPECT_TRUE(rows[0].info.IsEqual(TTraceInfo::ForSendRec(tkReceiveGBT, Blk(true, false, 1, 2, 0, H("010203")))));
  EXPECT_FALSE(rows[0].info.IsEqual(TTraceInfo::ForSendRec(tkLost, Blk(true, false, 1, 2, 0, H("010203")))));
}

TEST(GBTError, MessageIsTheKindNameUnlessGiven) {
  const char* names[] = {"NewServiceStartedByPeer",
                         "IllegalGBT",
                         "AbortGBTReceived",
                         "UnconfirmedGBTReceived",
                         "DuplicateGBTReceived",
                         "UnexpectedBNReceived",
                         "UnexpectedBNAReceived",
                         "ReceiveStreamOverflow",
                         "AbortGBTSent"};
  for (int k = egNewServiceStartedByPeer; k <= egAbortGBTSent; ++k) {
    EGBT e(static_cast<TEGBTKind>(k));
    EXPECT_EQ(e.Message(), names[k]);
    EXPECT_EQ(e.Kind, k);
    EXPECT_EQ(e.COSEMPdu, nullptr);
  }
  EGBT withText(egIllegalGBT, "own text", GetRequest());
  EXPECT_EQ(withText.Message(), "own text");
  EXPECT_STREQ(withText.ClassName(), "EGBT");
  ASSERT_NE(withText.COSEMPdu, nullptr);
  EXPECT_EQ(withText.COSEMPdu->Tag, 192);
}

TEST(GBTHelper, BlockControlAndTheApduOctets) {
  using namespace TGeneralBlockTransferHelper;
  EXPECT_EQ(MakeBlockControl(true, false, 1), 0x81);
  EXPECT_EQ(MakeBlockControl(false, true, 63), 0x7F);
  EXPECT_EQ(MakeBlockControl(true, true, 0x41), 0xC1);  // the window keeps six bits
  EXPECT_EQ(MaxBlockDataSize(256), 243);
  EXPECT_EQ(MaxBlockDataSize(13), 0);

  COSEMpduPtr pdu = Apdu(Blk(true, false, 5, 0x1234, 2, H("AABB")));
  EXPECT_EQ(ByteStrToHexStr(pdu->Encode()), "E0851234000202AABB");
  COSEMpduPtr back = TCOSEMPDUHelper::MakeFromPdu(H("E0 45 0003 0001 00"));
  const TSequence& gbt = TCOSEMPDUHelper::AsGeneralBlockTransfer(*back);
  EXPECT_FALSE(LastBlock(gbt));
  EXPECT_TRUE(Streaming(gbt));
  EXPECT_EQ(Window(gbt), 5);
  EXPECT_EQ(BlockNumber(gbt), 3);
  EXPECT_EQ(BlockNumberAck(gbt), 1);
  EXPECT_EQ(BlockData(gbt), "");
}

// ---- Receiving ----------------------------------------------------------------------

TEST(GBTReceive, BlockLostInAWindowIsAskedForAgain) {
  std::vector<std::string> trace;
  auto server = Engine(gpServer, 3, true, &trace);
  EXPECT_FALSE(server->HandleBlockOfStream(*Apdu(Blk(false, true, 3, 1, 0, "a"))));
  EXPECT_FALSE(server->HandleBlockOfStream(*Apdu(Blk(false, true, 3, 2, 0, "b"))));
  EXPECT_TRUE(server->HandleBlockOfStream(*Apdu(Blk(true, false, 3, 4, 0, "d"))));
  EXPECT_FALSE(server->CheckForGaps());
  EXPECT_EQ(trace.back(), "GBT" + std::string(58, ' ') + "GAP   After N=2 of size=1");

  ScriptedPeer peer;
  bool LBSent = false;
  EXPECT_EQ(server->SendGBTStream(peer.Send(), LBSent), 1);
  ASSERT_EQ(peer.Sent.size(), 1u);
  EXPECT_EQ(peer.Sent[0].BNA, 2);
  EXPECT_EQ(peer.Sent[0].W, 1);

  EXPECT_TRUE(server->HandleBlockOfStream(*Apdu(Blk(false, false, 3, 3, 1, "c"))));
  EXPECT_TRUE(server->CheckForGaps());
  EXPECT_EQ(server->WSelf, 3);
  EXPECT_EQ(server->BNASelf, 4);
  bool LB = false;
  PduStr data;
  server->RetrieveBlocksFromRQ(LB, data);
  EXPECT_TRUE(LB);
  EXPECT_EQ(data, "abcd");
  EXPECT_EQ(server->LastBNDequeued(), 4);
}

// The window field has six bits: a gap longer than 63 blocks is asked for 63 at a time
// (a window of 64 would read as 0, i.e. unconfirmed), and a peer that advertises a window
// of 0 in a stream still gets one block at a time.
TEST(GBTReceive, WindowsStayWithinTheirSixBits) {
  std::vector<std::string> trace;
  auto server = Engine(gpServer, 1, true, &trace);
  server->AddBlockToSQ(false, "answer");
  server->HandleBlockOfStream(*Apdu(Blk(false, true, 0, 1, 0, "a")));
  server->HandleBlockOfStream(*Apdu(Blk(false, true, 0, 66, 0, "z")));
  EXPECT_FALSE(server->CheckForGaps());
  EXPECT_EQ(trace.back(), "GBT" + std::string(58, ' ') + "GAP   After N=1 of size=64");
  ScriptedPeer peer;
  bool LBSent = false;
  EXPECT_EQ(server->SendGBTStream(peer.Send(), LBSent), 1);
  ASSERT_EQ(peer.Sent.size(), 1u);
  EXPECT_EQ(peer.Sent[0].W, 63);
  EXPECT_EQ(peer.Sent[0].BNA, 1);
}

// The whole request exchange: the peer streams 1, 2, 4; the server asks with BNA 2 and W 1
// for block 3, and delivers the request once it has come.
TEST(GBTReceive, RequestWithALostBlockIsReassembledInOrder) {
  auto server = Engine(gpServer, 3);
  ScriptedPeer peer;
  peer.Push(Blk(false, true, 3, 2, 0, "22"));
  peer.Push(Blk(true, false, 3, 4, 0, "44"));
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (g.BNA == 2 && g.W == 1) p.Push(Blk(false, false, 3, 3, g.BN, "33"));
  };
  PduStr request;
  COSEMpduPtr first = Apdu(Blk(false, true, 3, 1, 0, "11"));
  EXPECT_TRUE(server->ApplicationLayerGBT(first.get(), peer.Rec(), peer.Send(), request));
  EXPECT_EQ(request, "11223344");
  ASSERT_EQ(peer.Sent.size(), 1u);
  EXPECT_TRUE(peer.Sent[0].IsEqual(Blk(true, false, 1, 1, 2)));
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"R2", "R4", "S1", "R3"}));
}

TEST(GBTReceive, RepeatedLostAndDiscardedBlocks) {
  std::vector<std::string> trace;
  auto server = Engine(gpServer, 5, true, &trace);
  server->OnGBTAPDUReceived = [](TGBTProtocol&, int count, TGBT&, bool& lost) { lost = count == 3; };
  EXPECT_FALSE(server->HandleBlockOfStream(*Apdu(Blk(false, true, 1, 1, 0, "a"))));
  EXPECT_FALSE(server->HandleBlockOfStream(*Apdu(Blk(false, true, 1, 1, 0, "a"))));   // repeated
  EXPECT_FALSE(server->HandleBlockOfStream(*Apdu(Blk(false, false, 1, 2, 0, "b"))));  // lost
  EXPECT_EQ(trace.back().rfind("GBT Rec. *Lost*", 0), 0u);
  EXPECT_TRUE(server->HandleBlockOfStream(*Apdu(Blk(true, true, 1, 2, 0, "b"))));  // LB with STR
  EXPECT_EQ(trace.back().rfind("GBT Rec. *Disc.*", 0), 0u);
  EXPECT_EQ(server->RQ.Count(), 1);
  EXPECT_EQ(server->ReceivedAPDUCount(), 4);
  EXPECT_EQ(server->ReceivedOctets(), 1);
}

TEST(GBTReceive, AbortAndUnconfirmedBlocksEndTheExchange) {
  {
    auto server = Engine(gpServer, 1);
    ScriptedPeer peer;
    PduStr data;
    COSEMpduPtr abort = Apdu(Blk(true, false, 1, 0, 0));
    EGBT e = GBTErrorOf([&] { server->ApplicationLayerGBT(abort.get(), peer.Rec(), peer.Send(), data); });
    EXPECT_EQ(e.Kind, egAbortGBTReceived);
    EXPECT_EQ(e.Message(), "AbortGBTReceived");
    EXPECT_EQ(e.COSEMPdu, nullptr);
    // The answer the user gives when abort is answered with abort.
    ASSERT_TRUE(server->AnswerAbortToAbort());
    server->SendAbortGBT(peer.Send());
    ASSERT_EQ(peer.Sent.size(), 1u);
    EXPECT_TRUE(peer.Sent[0].IsEqual(Blk(true, false, 0, 0, 0)));
  }
  {
    auto server = Engine(gpServer, 1);
    COSEMpduPtr unconfirmed = Apdu(Blk(true, false, 0, 1, 0, "x"));
    EGBT e = GBTErrorOf([&] { server->HandleBlockOfStream(*unconfirmed); });
    EXPECT_EQ(e.Kind, egUnconfirmedGBTReceived);
    ASSERT_NE(e.COSEMPdu, nullptr);
    EXPECT_EQ(e.COSEMPdu->Encode(), unconfirmed->Encode());
    EXPECT_NE(e.COSEMPdu.get(), unconfirmed.get());
  }
  {
    // The test switch: an abort block goes out instead of the first stream.
    auto client = Engine(gpClient, 1);
    client->SetSendAbortAndAbort(true);
    client->AddBlockToSQ(true, "request");
    ScriptedPeer peer;
    PduStr data;
    EGBT e = GBTErrorOf([&] { client->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), data); });
    EXPECT_EQ(e.Kind, egAbortGBTSent);
    ASSERT_EQ(peer.Sent.size(), 1u);
    EXPECT_TRUE(peer.Sent[0].IsAbort());
  }
}

TEST(GBTReceive, NewServiceStartedByThePeer) {
  std::vector<std::string> trace;
  auto server = Engine(gpServer, 5, true, &trace);
  for (int bn = 1; bn <= 5; ++bn) server->HandleBlockOfStream(*Apdu(Blk(bn == 5, bn < 5, 1, bn, 0, "d")));
  ASSERT_TRUE(server->CheckForGaps());
  bool LB = false;
  PduStr data;
  server->RetrieveBlocksFromRQ(LB, data);
  ASSERT_EQ(server->LastBNDequeued(), 5);

  // A block already delivered and acknowledging nothing opens a new exchange.
  COSEMpduPtr fresh = Apdu(Blk(false, false, 1, 3, 0, "new"));
  EGBT e = GBTErrorOf([&] { server->HandleBlockOfStream(*fresh); });
  EXPECT_EQ(e.Kind, egNewServiceStartedByPeer);
  ASSERT_NE(e.COSEMPdu, nullptr);
  EXPECT_EQ(e.COSEMPdu->Encode(), fresh->Encode());
  EXPECT_EQ(trace.back().rfind("GBT Rec. *New*", 0), 0u);

  // With an acknowledgement it is a late copy of an old block: traced, not stored.
  EXPECT_TRUE(server->HandleBlockOfStream(*Apdu(Blk(false, false, 1, 3, 2, "old"))));
  EXPECT_EQ(trace.back().rfind("GBT Rec. *Acked*", 0), 0u);
  EXPECT_TRUE(server->RQ.IsEmpty());
}

// A peer that starts another service while the server is still streaming its answer: the
// request comes back with the error, so that it can be served next.
TEST(GBTReceive, NewServiceInTheMiddleOfAStream) {
  auto server = Engine(gpServer, 1, true, nullptr, 2);
  for (int i = 0; i < 6; ++i) server->AddBlockToSQ(i == 5, PduStr(10, char('a' + i)));
  ScriptedPeer peer;
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (!g.STR && g.BN == 2) p.Push(Blk(true, false, 2, 1, 2));
    if (!g.STR && g.BN == 4) p.Inbox.push_back(GetRequest());
  };
  PduStr ignored;
  EGBT e = GBTErrorOf([&] { server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), ignored); });
  EXPECT_EQ(e.Kind, egNewServiceStartedByPeer);
  ASSERT_NE(e.COSEMPdu, nullptr);
  EXPECT_EQ(e.COSEMPdu->Encode(), GetRequest()->Encode());
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "S2", "R1", "S3", "S4", "Rpdu"}));

  // During a request received by blocks, a first block of another exchange does the same.
  auto receiving = Engine(gpServer, 1);
  ScriptedPeer client;
  client.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (g.BNA == 1) p.Push(Blk(false, false, 1, 1, 0, "again"));
  };
  COSEMpduPtr first = Apdu(Blk(false, false, 1, 1, 0, "x"));
  EGBT e2 = GBTErrorOf([&] { receiving->ApplicationLayerGBT(first.get(), client.Rec(), client.Send(), ignored); });
  EXPECT_EQ(e2.Kind, egNewServiceStartedByPeer);
}

TEST(GBTReceive, ReassemblyIsBoundedInOctets) {
  auto server = Engine(gpServer, 63);
  const PduStr block(60000, 'x');
  int bn = 0;
  EGBT e = GBTErrorOf([&] {
    for (bn = 1; bn <= 100; ++bn) server->HandleBlockOfStream(*Apdu(Blk(false, true, 63, bn, 0, block)));
  });
  EXPECT_EQ(e.Kind, egReceiveStreamOverflow);
  EXPECT_EQ(e.Message(), "ReceiveStreamOverflow");
  EXPECT_EQ(bn, kGBTMaxReceivedOctets / 60000 + 1);
  EXPECT_LE(server->ReceivedOctets(), kGBTMaxReceivedOctets);
}

// ---- Sending ------------------------------------------------------------------------

TEST(GBTSend, EmptyQueueSendsOneEmptyLastBlock) {
  auto engine = Engine(gpServer, 4);
  engine->WSelf = 5;
  engine->BNASelf = 7;
  ScriptedPeer peer;
  bool LBSent = false;
  EXPECT_EQ(engine->SendGBTStream(peer.Send(), LBSent), 1);
  EXPECT_TRUE(LBSent);
  EXPECT_TRUE(engine->LastBlockSent());
  ASSERT_EQ(peer.Sent.size(), 1u);
  EXPECT_TRUE(peer.Sent[0].IsEqual(Blk(true, false, 5, 1, 7)));
  EXPECT_EQ(engine->NextBN, 2);
}

// Streams as long as the peer's window; each one goes out as soon as the peer has
// acknowledged the one before, and the acknowledgement of the last window ends the answer.
TEST(GBTSend, StreamsFollowThePeersWindow) {
  auto server = Engine(gpServer, 1, true, nullptr, 3);
  for (int i = 1; i <= 5; ++i) server->AddBlockToSQ(i == 5, PduStr(3, char('0' + i)));
  ScriptedPeer peer;
  int acks = 0;
  peer.OnBlock = [&acks](ScriptedPeer& p, const TGBT& g) {
    if (!g.STR) p.Push(Blk(true, false, 3, ++acks, g.BN));
  };
  PduStr collected;
  EXPECT_TRUE(server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected));
  ASSERT_EQ(peer.Sent.size(), 5u);
  const bool streaming[] = {true, true, false, true, false};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(peer.Sent[i].STR, streaming[i]) << i;
    EXPECT_EQ(peer.Sent[i].LB, i == 4) << i;
  }
  EXPECT_EQ(peer.Sent[3].BNA, 1);
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "S2", "S3", "R1", "S4", "S5", "R2"}));
  EXPECT_TRUE(server->SQEmpty());
  EXPECT_EQ(server->StreamCount(), 2);
}

TEST(GBTSend, OneBlockPerStreamWithoutSendStreams) {
  auto server = Engine(gpServer, 1, false, nullptr, 10);
  for (int i = 1; i <= 3; ++i) server->AddBlockToSQ(i == 3, "x");
  ScriptedPeer peer;
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) { p.Push(Blk(true, false, 10, g.BN, g.BN)); };
  PduStr collected;
  server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected);
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "R1", "S2", "R2", "S3", "R3"}));
}

// The peer asks again for what it missed: the server sends the blocks from the one after
// BNA, as many as the peer's window says.
TEST(GBTSend, PeerAsksForLostBlocks) {
  auto server = Engine(gpServer, 1, true, nullptr, 4);
  for (int i = 1; i <= 4; ++i) server->AddBlockToSQ(i == 4, std::string(1, char('0' + i)));
  server->OnReadyToSendStream = [](TGBTProtocol&, int stream, TGBTSendStream& s) {
    if (stream == 1) s.DeleteBlockAtBN(2);
  };
  ScriptedPeer peer;
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (g.BN == 4 && g.BNA == 0) p.Push(Blk(true, false, 1, 1, 1));  // missing 2: BNA 1, W 1
    if (g.BN == 2) p.Push(Blk(true, false, 4, 2, 4));
  };
  PduStr collected;
  server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected);
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "S3", "S4", "R1", "S2", "R2"}));
  EXPECT_FALSE(peer.Sent[3].STR);
  EXPECT_EQ(peer.Sent[3].BNA, 1);
}

TEST(GBTSend, UnconfirmedBlocksGoBackToBackWithoutReceiving) {
  auto server = Engine(gpServer, 1);
  for (int i = 1; i <= 3; ++i) server->AddBlockToSQ(i == 3, "n");
  ScriptedPeer peer;
  server->ApplicationLayerGBTSendUnconfirmed(peer.Send());
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "S2", "S3"}));
  EXPECT_TRUE(peer.Sent[2].LB);
  EXPECT_TRUE(server->SQEmpty());

  auto empty = Engine(gpServer, 1);
  ScriptedPeer other;
  empty->ApplicationLayerGBTSendUnconfirmed(other.Send());
  ASSERT_EQ(other.Sent.size(), 1u);
  EXPECT_TRUE(other.Sent[0].IsEqual(Blk(true, false, 1, 1, 0)));
}

TEST(GBTSend, BlockNumbersDoNotWrap) {
  auto engine = Engine(gpServer, 1);
  engine->NextBN = kGBTMaxBlockNumber;
  engine->AddBlockToSQ(false, "last number");
  EXPECT_EQ(GBTErrorOf([&] { engine->AddBlockToSQ(true, "x"); }).Kind, egIllegalGBT);
}

// ---- The end of an answer -----------------------------------------------------------

// An answer sent as one stream: the server waits for the peer's acknowledgement and takes
// it as part of this exchange; the request after it stays where it is.
TEST(GBTAnswer, AcknowledgementOfTheLastWindowBelongsToTheAnswer) {
  auto server = Engine(gpServer, 1, true, nullptr, 2);
  server->AddBlockToSQ(false, "first");
  server->AddBlockToSQ(true, "last");
  ScriptedPeer peer;
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (g.LB) {
      p.Push(Blk(true, false, 1, 1, 2));
      p.Inbox.push_back(GetRequest());
    }
  };
  PduStr collected;
  EXPECT_TRUE(server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected));
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "S2", "R1"}));
  ASSERT_EQ(peer.Inbox.size(), 1u);
  EXPECT_EQ(peer.Inbox.front()->Tag, 192);
}

// A peer that does not acknowledge: silence makes the server send its stream again; the
// next request then ends the answer and travels with the error to be served next.
TEST(GBTAnswer, PeerThatDoesNotAcknowledge) {
  auto server = Engine(gpServer, 1);
  server->AddBlockToSQ(true, "answer");
  ScriptedPeer peer;
  int seen = 0;
  peer.OnBlock = [&seen](ScriptedPeer& p, const TGBT&) {
    if (++seen == 2) p.Inbox.push_back(GetRequest());
  };
  PduStr collected;
  EGBT e = GBTErrorOf([&] { server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected); });
  EXPECT_EQ(e.Kind, egNewServiceStartedByPeer);
  ASSERT_NE(e.COSEMPdu, nullptr);
  EXPECT_EQ(e.COSEMPdu->Tag, 192);
  EXPECT_EQ(peer.Events, (std::vector<std::string>{"S1", "R-", "S1", "Rpdu"}));
}

// A request received by blocks and its answer on the same engine: the answer's first block
// acknowledges the request's last, block numbers go on, and the peer's acknowledgement of
// the answer ends the exchange.
TEST(GBTAnswer, RequestByBlocksIsAnsweredByBlocks) {
  auto server = Engine(gpServer, 1);
  ScriptedPeer peer;
  peer.OnBlock = [](ScriptedPeer& p, const TGBT& g) {
    if (g.BNA == 1) p.Push(Blk(true, false, 1, 2, g.BN, "-part2"));
    if (g.BNA == 2) p.Push(Blk(true, false, 1, 3, g.BN));
  };
  COSEMpduPtr first = Apdu(Blk(false, false, 1, 1, 0, "part1"));
  PduStr request;
  server->ApplicationLayerGBT(first.get(), peer.Rec(), peer.Send(), request);
  EXPECT_EQ(request, "part1-part2");

  server->SQ().Clear();
  server->AddBlockToSQ(true, "the answer");
  PduStr collected;
  EXPECT_TRUE(server->ApplicationLayerGBT(nullptr, peer.Rec(), peer.Send(), collected));
  ASSERT_EQ(peer.Sent.size(), 2u);
  EXPECT_TRUE(peer.Sent[1].IsEqual(Blk(true, false, 1, 2, 2, "the answer")));
  EXPECT_TRUE(peer.Inbox.empty());
  EXPECT_EQ(server->LastBNDequeued(), 3);
}

// ---- Two engines over a wire --------------------------------------------------------

// One direction of a wire: APDU octets, handed over with a condition variable. A receive
// that finds nothing within the bound answers null like a receive time-out would; once the
// wire is closed it fails like a lost connection.
class Wire {
 public:
  void Put(const TCOSEMpdu& pdu) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FQueue.push_back(pdu.Encode());
    }
    FCv.notify_one();
  }
  COSEMpduPtr Take() {
    std::unique_lock<std::mutex> lock(FMutex);
    if (!FCv.wait_for(lock, std::chrono::seconds(10), [this] { return !FQueue.empty() || FClosed; })) return nullptr;
    if (FQueue.empty()) throw std::runtime_error("wire closed");
    PduStr octets = std::move(FQueue.front());
    FQueue.pop_front();
    return TCOSEMPDUHelper::MakeFromPdu(octets);
  }
  void Close() {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FClosed = true;
    }
    FCv.notify_all();
  }

 private:
  std::mutex FMutex;
  std::condition_variable FCv;
  std::deque<PduStr> FQueue;
  bool FClosed = false;
};

TEST(GBTExchange, ClientAndServerEnginesReassembleBothDirections) {
  PduStr request, answer;
  for (int i = 0; i < 2000; ++i) request.push_back(static_cast<char>(i * 7));
  for (int i = 0; i < 3000; ++i) answer.push_back(static_cast<char>(i * 13 + 1));
  Wire toServer, toClient;
  std::vector<std::string> serverTrace;
  auto server = Engine(gpServer, 5, true, &serverTrace);
  auto client = Engine(gpClient, 4);
  for (size_t at = 0; at < request.size(); at += 100)
    client->AddBlockToSQ(at + 100 >= request.size(), request.substr(at, 100));
  // The client's second stream loses its third block on the way.
  client->OnReadyToSendBlocks = [](TGBTProtocol&, int stream, TGBTSendBlocks& blocks) {
    if (stream == 2) blocks.DeleteBlock(2);
  };
  TGBTProtocol::TSendCOSEMPduProc clientSend = [&](const TCOSEMpdu& p) { toServer.Put(p); };
  TGBTProtocol::TSendCOSEMPduProc serverSend = [&](const TCOSEMpdu& p) { toClient.Put(p); };

  PduStr clientGot;
  std::string clientError;
  std::thread clientThread([&] {
    try {
      client->ApplicationLayerGBT(
          nullptr, [&] { return toClient.Take(); }, clientSend, clientGot);
      // This peer acknowledges the answer's last window.
      bool LBSent = false;
      client->SendGBTStream(clientSend, LBSent);
    } catch (const std::exception& e) {
      clientError = e.what();
    }
  });

  PduStr serverGot, acks;
  try {
    COSEMpduPtr first = toServer.Take();
    if (!first) throw std::runtime_error("no first block");
    server->ApplicationLayerGBT(
        first.get(), [&] { return toServer.Take(); }, serverSend, serverGot);
    server->SQ().Clear();
    for (size_t at = 0; at < answer.size(); at += 100)
      server->AddBlockToSQ(at + 100 >= answer.size(), answer.substr(at, 100));
    server->ApplicationLayerGBT(
        nullptr, [&] { return toServer.Take(); }, serverSend, acks);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "server: " << e.what();
  }
  toClient.Close();
  toServer.Close();
  clientThread.join();
  EXPECT_EQ(clientError, "");
  EXPECT_EQ(serverGot, request);
  EXPECT_EQ(clientGot, answer);
  EXPECT_TRUE(acks.empty());
  EXPECT_TRUE(server->SQEmpty());
  // Only the client's own acknowledgement of the last window is left unacknowledged.
  ASSERT_EQ(client->SQ().Count(), 1);
  EXPECT_TRUE(client->SQ().First().BD.empty());
  EXPECT_EQ(
      std::count_if(serverTrace.begin(), serverTrace.end(),
                    [](const std::string& t) { return t.find("GAP   After N=3 of size=1") != std::string::npos; }),
      1);
}

}  // namespace

#include "server/gbt.h"

#include <algorithm>
#include <iterator>

#include "apdu/apdu_views.h"
#include "apdu/general_apdus.h"

namespace zv {

namespace {

COSEMpduPtr CopyOf(const TCOSEMpdu& pdu) {
  PduPtr copy = pdu.Clone();
  auto* p = dynamic_cast<TCOSEMpdu*>(copy.get());
  if (!p) throw EInvalidCast("Invalid class typecast");
  copy.release();
  return COSEMpduPtr(p);
}

// The window field has six bits.
constexpr int kMaxWindow = 0x3F;

}  // namespace

// ---- EGBT ---------------------------------------------------------------------------

const char* EGBT::KindName(TEGBTKind kind) {
  static const char* const kNames[] = {
      "NewServiceStartedByPeer",
      "IllegalGBT",
      "AbortGBTReceived",
      "UnconfirmedGBTReceived",
      "DuplicateGBTReceived",
      "UnexpectedBNReceived",
      "UnexpectedBNAReceived",
      "ReceiveStreamOverflow",
      "AbortGBTSent",
  };
  static_assert(std::size(kNames) == egAbortGBTSent + 1);
  const int i = static_cast<int>(kind);
  return i >= 0 && i <= egAbortGBTSent ? kNames[i] : "";
}

EGBT::EGBT(TEGBTKind kind, const std::string& message, COSEMpduPtr pdu)
    : Exception(message.empty() ? std::string(KindName(kind)) : message), Kind(kind), COSEMPdu(std::move(pdu)) {}

// ---- Records ------------------------------------------------------------------------

void TGBT::MakeAbort() {
  *this = TGBT();
  LB = true;
  STR = false;
}

bool TGBT::IsEqual(const TGBT& g) const {
  return LB == g.LB && STR == g.STR && W == g.W && BN == g.BN && BNA == g.BNA && BD == g.BD;
}

std::string TGBT::ToString() const {
  std::string data;
  if (!BD.empty()) {
    // Two octets give the four hex digits shown; more are marked by "...".
    data = ", D=" + ByteStrToHexStr(std::string_view(BD).substr(0, 2));
    if (BD.size() > 2) data += "...";
  }
  return Format("%sL=%d, S=%d, W=%d, N=%d, A=%d%s", IsAbort() ? "(ABORT) " : "", LB ? 1 : 0, STR ? 1 : 0, W, BN, BNA,
                data.c_str());
}

void TControlQueue::AddQueueBlock(bool LB, int BN, const PduStr& BD) {
  FItems.emplace_hint(FItems.lower_bound(BN), BN, TQueueBlock{LB, BN, BD});
}

const TQueueBlock* TControlQueue::AtBN(int BN) const {
  auto it = FItems.find(BN);
  return it == FItems.end() ? nullptr : &it->second;
}

int TControlQueue::Search(bool, int BN, const PduStr&) const {
  auto it = FItems.lower_bound(BN);
  if (it == FItems.end() || it->first != BN) return -1;
  return static_cast<int>(std::distance(FItems.begin(), it));
}

bool TControlQueue::Check() const {
  int last = -1;
  for (const auto& [bn, block] : FItems) {
    if (block.BN != bn || bn <= last) return false;
    last = bn;
  }
  return true;
}

void TControlQueue::DeleteFirst(int Count) {
  auto it = FItems.begin();
  for (int i = 0; i < Count && it != FItems.end(); ++i) ++it;
  FItems.erase(FItems.begin(), it);
}

namespace {

template <class T>
bool DeleteAt(std::vector<T>& v, int index) {
  if (index < 0 || index >= static_cast<int>(v.size())) return false;
  v.erase(v.begin() + index);
  return true;
}

template <class T>
bool DeleteWithBN(std::vector<T>& v, int BN) {
  auto it = std::find_if(v.begin(), v.end(), [BN](const T& b) { return b.BN == BN; });
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}

}  // namespace

bool TGBTSendStream::DeleteBlock(int Index) { return DeleteAt(Blocks, Index); }
bool TGBTSendStream::DeleteBlockAtBN(int BN) { return DeleteWithBN(Blocks, BN); }
bool TGBTSendBlocks::DeleteBlock(int Index) { return DeleteAt(Blocks, Index); }
bool TGBTSendBlocks::DeleteBlockAtBN(int BN) { return DeleteWithBN(Blocks, BN); }

TTraceInfo TTraceInfo::ForSendRec(TTraceKind kind, const TGBT& gbt) {
  TTraceInfo t;
  t.Kind = kind;
  t.GBT = gbt;
  return t;
}

TTraceInfo TTraceInfo::ForGAP(const TGapInfo& gapInfo) {
  TTraceInfo t;
  t.Kind = tkGAP;
  t.GapInfo = gapInfo;
  return t;
}

bool TTraceInfo::IsEqual(const TTraceInfo& t) const {
  return Kind == t.Kind && GBT.IsEqual(t.GBT) && GapInfo.IsEqual(t.GapInfo);
}

std::string TTraceInfo::ToString() const {
  auto received = [this](const char* label) { return Format("%-16s   %s", label, GBT.ToString().c_str()); };
  switch (Kind) {
    case tkSendGBT:
      return Format("GBT%64s%s", "Sent  ", GBT.ToString().c_str());
    case tkReceiveGBT:
      return received("GBT Received");
    case tkDiscardedGBT:
      return received("GBT Rec. *Disc.*");
    case tkGAP:
      return Format("GBT%64s%s", "GAP   ",
                    Format("After N=%d of size=%d", GapInfo.BNBeforeGap, GapInfo.GapSize).c_str());
    case tkLost:
      return received("GBT Rec. *Lost*");
    case tkReceiveAcked:
      return received("GBT Rec. *Acked*");
    case tkReceiveNewService:
      return received("GBT Rec. *New*");
  }
  return std::string();
}

// ---- The APDU -----------------------------------------------------------------------

namespace TGeneralBlockTransferHelper {

int MakeBlockControl(bool LastBlock, bool Streaming, int Window) {
  return (LastBlock ? kGbtLastBlock : 0) | (Streaming ? kGbtStreaming : 0) | (Window & kGbtWindowMask);
}

namespace {
int Field(const TSequence& gbt, size_t member) { return static_cast<int>(gbt.Get<TNumber>(member).AsInt64()); }
}  // namespace

bool LastBlock(const TSequence& gbt) { return (Field(gbt, GeneralBlockTransfer::BlockControl) & kGbtLastBlock) != 0; }
bool Streaming(const TSequence& gbt) { return (Field(gbt, GeneralBlockTransfer::BlockControl) & kGbtStreaming) != 0; }
int Window(const TSequence& gbt) { return Field(gbt, GeneralBlockTransfer::BlockControl) & kGbtWindowMask; }
int BlockNumber(const TSequence& gbt) { return Field(gbt, GeneralBlockTransfer::BlockNumber); }
int BlockNumberAck(const TSequence& gbt) { return Field(gbt, GeneralBlockTransfer::BlockNumberAck); }
const PduStr& BlockData(const TSequence& gbt) { return gbt.Get<TOctetString>(GeneralBlockTransfer::BlockData).Value; }

COSEMpduPtr MakeAPDU(const TGBT& g) {
  COSEMpduPtr pdu = TCOSEMPDUHelper::CreateVariant(xmlGeneralBlockTransfer);
  TSequence& gbt = TCOSEMPDUHelper::AsGeneralBlockTransfer(*pdu);
  gbt.Get<TNumber>(GeneralBlockTransfer::BlockControl).SetInt64(MakeBlockControl(g.LB, g.STR, g.W));
  gbt.Get<TNumber>(GeneralBlockTransfer::BlockNumber).SetInt64(g.BN);
  gbt.Get<TNumber>(GeneralBlockTransfer::BlockNumberAck).SetInt64(g.BNA);
  gbt.Get<TOctetString>(GeneralBlockTransfer::BlockData).Value = g.BD;
  return pdu;
}

}  // namespace TGeneralBlockTransferHelper

// ---- The engine ---------------------------------------------------------------------

TGBTProtocol::TGBTProtocol(TGBTProtocolKind kind) : Kind(kind) {}

void TGBTProtocol::ApplySettings(const TGBTSettings& settings) {
  FWSelfDefault = settings.WindowSize;
  FMaxSentStreamSize = settings.SendStreams ? 0 : 1;
  FAnswerAbortToAbort = settings.AnswerAbortToAbort;
}

void TGBTProtocol::Initialize(TTraceProc traceProc) {
  TraceProc = std::move(traceProc);
  WSelf = FWSelfDefault;
  WPeer = FWPeerInitialValue;
}

void TGBTProtocol::Trace(const TTraceInfo& info) const {
  if (TraceProc) TraceProc(info);
}

void TGBTProtocol::GeneralBlockTransferToGBT(const TSequence& generalBlockTransfer, TGBT& GBT) {
  using namespace TGeneralBlockTransferHelper;
  GBT.LB = LastBlock(generalBlockTransfer);
  GBT.STR = Streaming(generalBlockTransfer);
  GBT.W = Window(generalBlockTransfer);
  GBT.BN = BlockNumber(generalBlockTransfer);
  GBT.BNA = BlockNumberAck(generalBlockTransfer);
  GBT.BD = BlockData(generalBlockTransfer);
}

void TGBTProtocol::AddBlockToSQ(bool LB, const PduStr& BD) {
  // Block numbers are 16 bits; a wrapped number would read as another block or an abort.
  if (NextBN > kGBTMaxBlockNumber) throw EGBT(egIllegalGBT);
  FSQ.AddQueueBlock(LB, NextBN, BD);
  ++NextBN;
}

void TGBTProtocol::SendBlock(const TGBT& g, const TSendCOSEMPduProc& send) {
  COSEMpduPtr pdu = TGeneralBlockTransferHelper::MakeAPDU(g);
  Trace(TTraceInfo::ForSendRec(tkSendGBT, g));
  send(*pdu);
  FLastBlockSent = FLastBlockSent || g.LB;
}

int TGBTProtocol::SendStream(const TSendCOSEMPduProc& send, bool& LBSent, int& StreamSize) {
  LBSent = false;
  // Nothing to send: the stream is an empty last block that acknowledges the peer.
  if (FSQ.IsEmpty()) AddBlockToSQ(true, PduStr());
  int n = FMaxSentStreamSize >= 1 ? FMaxSentStreamSize : WPeer;
  // A peer that advertises a window of 0 still gets one block, or the exchange would stall.
  n = std::max(n, 1);
  ++FStreamCount;
  TGBTSendStream stream;
  for (const auto& entry : FSQ.Blocks()) {
    if (static_cast<int>(stream.Blocks.size()) >= n) break;
    stream.Blocks.push_back(entry.second);
  }
  StreamSize = static_cast<int>(stream.Blocks.size());
  if (OnReadyToSendStream) OnReadyToSendStream(*this, FStreamCount, stream);

  TGBTSendBlocks blocks;
  blocks.Blocks.reserve(stream.Blocks.size());
  for (size_t i = 0; i < stream.Blocks.size(); ++i) {
    TGBT g;
    g.LB = stream.Blocks[i].LB;
    g.STR = i + 1 < stream.Blocks.size();
    g.W = WSelf;
    g.BN = stream.Blocks[i].BN;
    g.BNA = BNASelf;
    g.BD = std::move(stream.Blocks[i].BD);
    blocks.Blocks.push_back(std::move(g));
  }
  if (OnReadyToSendBlocks) OnReadyToSendBlocks(*this, FStreamCount, blocks);

  for (const TGBT& g : blocks.Blocks) {
    SendBlock(g, send);
    LBSent = LBSent || g.LB;
  }
  return static_cast<int>(blocks.Blocks.size());
}

int TGBTProtocol::SendGBTStream(const TSendCOSEMPduProc& send, bool& LBSent) {
  int streamSize = 0;
  return SendStream(send, LBSent, streamSize);
}

bool TGBTProtocol::HandleBlockOfStream(const TCOSEMpdu& pdu) {
  TGBT g;
  GeneralBlockTransferToGBT(TCOSEMPDUHelper::AsGeneralBlockTransfer(pdu), g);
  ++FReceivedAPDUCount;
  bool lost = false;
  if (OnGBTAPDUReceived) OnGBTAPDUReceived(*this, FReceivedAPDUCount, g, lost);
  if (lost) {
    Trace(TTraceInfo::ForSendRec(tkLost, g));
    return false;
  }
  if (g.LB && g.STR) {
    Trace(TTraceInfo::ForSendRec(tkDiscardedGBT, g));
    return true;
  }
  if (g.IsAbort()) throw EGBT(egAbortGBTReceived);
  if (g.IsUnconfirmed()) throw EGBT(egUnconfirmedGBTReceived, std::string(), CopyOf(pdu));
  if (g.BN <= FLastBNDequeued && g.BNA == 0) {
    Trace(TTraceInfo::ForSendRec(tkReceiveNewService, g));
    throw EGBT(egNewServiceStartedByPeer, std::string(), CopyOf(pdu));
  }
  const bool ended = !g.STR;
  if (g.BN > FLastBNDequeued) {
    Trace(TTraceInfo::ForSendRec(tkReceiveGBT, g));
    if (!RQ.HasBlockWithBN(g.BN)) {
      if (g.BD.size() > static_cast<size_t>(kGBTMaxReceivedOctets - FReceivedOctets))
        throw EGBT(egReceiveStreamOverflow);
      FReceivedOctets += static_cast<int>(g.BD.size());
      RQ.AddQueueBlock(g.LB, g.BN, g.BD);
    }
  } else {
    Trace(TTraceInfo::ForSendRec(tkReceiveAcked, g));
  }
  FSQ.DeleteUpToBN(g.BNA);
  WPeer = g.W;
  return ended || RQ.Count() == FWSelfDefault;
}

bool TGBTProtocol::CheckForGaps() {
  bool found = false;
  TGapInfo gap;
  if (!RQ.IsEmpty()) {
    const int first = RQ.First().BN;
    if (first > FLastBNDequeued + 1) {
      gap = {FLastBNDequeued, first - FLastBNDequeued - 1};
      found = true;
    } else {
      int previous = first;
      for (const auto& entry : RQ.Blocks()) {
        if (entry.first - previous > 1) {
          gap = {previous, entry.first - previous - 1};
          found = true;
          break;
        }
        previous = entry.first;
      }
    }
  }
  if (found) {
    Trace(TTraceInfo::ForGAP(gap));
    BNASelf = gap.BNBeforeGap;
    // A window has six bits: a longer gap is asked for in parts, never as a window of 0.
    WSelf = std::min(gap.GapSize, kMaxWindow);
    return false;
  }
  if (!RQ.IsEmpty()) BNASelf = RQ.Last().BN;
  WSelf = FWSelfDefault;
  return true;
}

void TGBTProtocol::RetrieveBlocksFromRQ(bool& LB, PduStr& BD) {
  LB = false;
  BD.clear();
  size_t size = 0;
  for (const auto& entry : RQ.Blocks()) size += entry.second.BD.size();
  BD.reserve(size);
  for (const auto& entry : RQ.Blocks()) {
    BD += entry.second.BD;
    LB = LB || entry.second.LB;
  }
  if (!RQ.IsEmpty()) FLastBNDequeued = RQ.Last().BN;
  RQ.Clear();
}

void TGBTProtocol::SendAbortGBT(const TSendCOSEMPduProc& send) {
  TGBT g;
  g.MakeAbort();
  SendBlock(g, send);
}

bool TGBTProtocol::SendQueueDone() const {
  if (FSQ.IsEmpty()) return true;
  return Kind == gpServer && FSQ.Count() == 1 && FSQ.First().BD.empty();
}

bool TGBTProtocol::ApplicationLayerGBT(const TCOSEMpdu* FirstCOSEMPdu, const TRecCOSEMPduFunc& rec,
                                       const TSendCOSEMPduProc& send, PduStr& TotalResponse) {
  TotalResponse.clear();
  if (OnEnteringAL) OnEnteringAL(*this);
  // An answer (no first block from the peer) ends only when the peer has acknowledged its
  // last block, so that the acknowledgement is consumed here and never read as the next
  // request. LB starts clear: nothing has been delivered yet.
  const bool answering = FirstCOSEMPdu == nullptr;
  const TCOSEMpdu* first = FirstCOSEMPdu;
  bool LB = false;
  for (;;) {
    if (!first) {
      if (FSendAbortAndAbort) {
        SendAbortGBT(send);
        throw EGBT(egAbortGBTSent);
      }
      bool LBSent = false;
      SendGBTStream(send, LBSent);
      if (!answering && LB && LBSent && Kind == gpServer) return true;
    }
    // The stream ends with its last block, a full window, or when nothing came.
    for (bool ended = false; !ended;) {
      COSEMpduPtr received;
      const TCOSEMpdu* pdu;
      if (first) {
        pdu = first;
        first = nullptr;
      } else {
        received = rec();
        pdu = received.get();
      }
      if (!pdu) break;
      if (!TCOSEMPDUHelper::IsGeneralBlockTransfer(*pdu))
        throw EGBT(egNewServiceStartedByPeer, std::string(), CopyOf(*pdu));
      ended = HandleBlockOfStream(*pdu);
    }
    if (!CheckForGaps()) continue;
    PduStr data;
    RetrieveBlocksFromRQ(LB, data);
    TotalResponse += data;
    if (LB && SendQueueDone()) return true;
  }
}

void TGBTProtocol::ApplicationLayerGBTSendUnconfirmed(const TSendCOSEMPduProc& send) {
  if (OnEnteringAL) OnEnteringAL(*this);
  do {
    bool LBSent = false;
    int streamSize = 0;
    SendStream(send, LBSent, streamSize);
    // Nobody acknowledges: what went out in the stream leaves the queue.
    FSQ.DeleteFirst(streamSize);
  } while (!FSQ.IsEmpty());
}

}  // namespace zv

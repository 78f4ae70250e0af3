// General block transfer: one party of one exchange that carries a long APDU as numbered
// blocks, with windows, streams of several blocks, acknowledgements, recovery of lost
// blocks and abort. The engine neither encodes octets nor touches a transport: its user
// hands it a procedure that sends one APDU and a function that receives the next one, and
// the engine runs only while one of its operations is called (it never waits on its own).
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apdu/cosem_pdu.h"
#include "foundation/errors.h"
#include "foundation/misc.h"

namespace zv {

class TSequence;

enum TEGBTKind {
  egNewServiceStartedByPeer,
  egIllegalGBT,
  egAbortGBTReceived,
  egUnconfirmedGBTReceived,
  egDuplicateGBTReceived,
  egUnexpectedBNReceived,
  egUnexpectedBNAReceived,
  egReceiveStreamOverflow,
  egAbortGBTSent
};

// A failure of the block transfer. COSEMPdu is the APDU that caused it (a copy the error
// owns), or null.
class EGBT : public Exception {
 public:
  // The message is the kind's name without "eg" unless Message is given.
  EGBT(TEGBTKind kind, const std::string& message = std::string(), COSEMpduPtr pdu = nullptr);
  const char* ClassName() const noexcept override { return "EGBT"; }
  static const char* KindName(TEGBTKind kind);

  TEGBTKind Kind;
  std::shared_ptr<const TCOSEMpdu> COSEMPdu;
};

// One block as sent or received.
struct TGBT {
  bool LB = false;   // last block
  bool STR = false;  // more blocks of this stream follow
  int W = 0;         // the sender's window
  int BN = 0;        // block number
  int BNA = 0;       // block number acknowledged
  PduStr BD;         // block data

  bool IsAbort() const { return LB && !STR && BN == 0 && BNA == 0; }
  bool IsUnconfirmed() const { return W == 0 && !STR; }
  void MakeAbort();
  bool IsEqual(const TGBT& g) const;
  std::string ToString() const;
};

struct TGapInfo {
  int BNBeforeGap = 0;  // the last block received before the gap
  int GapSize = 0;      // number of missing blocks
  bool IsEqual(const TGapInfo& g) const { return BNBeforeGap == g.BNBeforeGap && GapSize == g.GapSize; }
};

struct TQueueBlock {
  bool LB = false;
  int BN = 0;
  PduStr BD;
  TQueueBlock Clone() const { return *this; }
  bool Equal(const TQueueBlock& q) const { return LB == q.LB && BN == q.BN && BD == q.BD; }
};

// Blocks in ascending block-number order. A peer chooses the numbers, so insertion and
// look-up are logarithmic whatever order they come in.
class TControlQueue {
 public:
  using Items = std::multimap<int, TQueueBlock>;

  // Goes before any block with an equal or greater number.
  void AddQueueBlock(bool LB, int BN, const PduStr& BD);
  // The first block with that number, or null.
  const TQueueBlock* AtBN(int BN) const;
  bool HasBlockWithBN(int BN) const { return FItems.count(BN) != 0; }
  // Index of the first block with that number, -1 if none (LB and BD are not compared).
  int Search(bool LB, int BN, const PduStr& BD) const;
  bool IsEmpty() const { return FItems.empty(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TControlQueue Clone() const { return *this; }
  // Every number greater than the one before it, the first greater than -1.
  bool Check() const;

  const Items& Blocks() const { return FItems; }
  const TQueueBlock& First() const { return FItems.begin()->second; }
  const TQueueBlock& Last() const { return FItems.rbegin()->second; }
  void Clear() { FItems.clear(); }
  // Removes every block numbered up to BN.
  void DeleteUpToBN(int BN) { FItems.erase(FItems.begin(), FItems.upper_bound(BN)); }
  // Removes Count blocks from the front (all when it holds fewer).
  void DeleteFirst(int Count);

 private:
  Items FItems;
};

// Copies of the blocks of one stream.
class TGBTSendStream {
 public:
  std::vector<TQueueBlock> Blocks;
  TGBTSendStream Clone() const { return *this; }
  bool DeleteBlock(int Index);
  bool DeleteBlockAtBN(int BN);
};

// The blocks of one stream as they will be sent.
class TGBTSendBlocks {
 public:
  std::vector<TGBT> Blocks;
  bool DeleteBlock(int Index);
  bool DeleteBlockAtBN(int BN);
};

enum TTraceKind { tkSendGBT, tkReceiveGBT, tkDiscardedGBT, tkGAP, tkLost, tkReceiveAcked, tkReceiveNewService };

class TTraceInfo {
 public:
  static TTraceInfo ForSendRec(TTraceKind kind, const TGBT& gbt);
  static TTraceInfo ForGAP(const TGapInfo& gapInfo);
  bool IsEqual(const TTraceInfo& t) const;
  std::string ToString() const;

  TTraceKind Kind = tkSendGBT;
  TGBT GBT;
  TGapInfo GapInfo;
  int Occurences = 0;
};

enum TGBTProtocolKind { gpClient, gpServer };

// Operations on the general block transfer APDU (a T_GeneralBlockTransfer sequence).
namespace TGeneralBlockTransferHelper {

int MakeBlockControl(bool LastBlock, bool Streaming, int Window);
bool LastBlock(const TSequence& gbt);
bool Streaming(const TSequence& gbt);
int Window(const TSequence& gbt);
int BlockNumber(const TSequence& gbt);
int BlockNumberAck(const TSequence& gbt);
const PduStr& BlockData(const TSequence& gbt);
// Octets of block data per block when APDUs may be AgreedMaxSendPduSize long (13 octets
// go to the block's own fields); 0 or less: the whole APDU is one block.
inline int MaxBlockDataSize(int AgreedMaxSendPduSize) { return AgreedMaxSendPduSize - 13; }
// The APDU that carries the block.
COSEMpduPtr MakeAPDU(const TGBT& g);

}  // namespace TGeneralBlockTransferHelper

// The user's settings of general block transfer.
struct TGBTSettings {
  int WindowSize = 1;              // own window, advertised in every block sent
  bool SendStreams = true;         // streams as long as the peer's window, else one block each
  bool AnswerAbortToAbort = true;  // an abort block from the peer is answered with one
};

// A peer can make one exchange deliver at most 65535 blocks (the block numbers are 16 bits)
// and at most this many octets of block data; beyond it the exchange fails with EGBT
// "ReceiveStreamOverflow".
inline constexpr int kGBTMaxReceivedOctets = 4 * 1024 * 1024;
inline constexpr int kGBTMaxBlockNumber = 65535;

class TGBTProtocol {
 public:
  using TTraceProc = std::function<void(const TTraceInfo&)>;
  using TSendCOSEMPduProc = std::function<void(const TCOSEMpdu&)>;
  // The next received APDU, or null when nothing came.
  using TRecCOSEMPduFunc = std::function<COSEMpduPtr()>;

  // Events for a test harness (dropping or altering blocks); called only when set.
  using TGBTEnteringALEvent = std::function<void(TGBTProtocol&)>;
  using TGBTReadyToSendStream = std::function<void(TGBTProtocol&, int StreamCount, TGBTSendStream&)>;
  using TGBTReadyToSendBlocks = std::function<void(TGBTProtocol&, int StreamCount, TGBTSendBlocks&)>;
  using TGBTAPDUReceived = std::function<void(TGBTProtocol&, int APDUCount, TGBT&, bool& Lost)>;

  explicit TGBTProtocol(TGBTProtocolKind kind);
  TGBTProtocol(const TGBTProtocol&) = delete;
  TGBTProtocol& operator=(const TGBTProtocol&) = delete;

  // Own window and stream length from the settings (before Initialize).
  void ApplySettings(const TGBTSettings& settings);
  // Stores the trace sink and starts both windows at their initial values.
  void Initialize(TTraceProc traceProc);

  void AddBlockToSQ(bool LB, const PduStr& BD);
  bool SQEmpty() const { return FSQ.IsEmpty(); }
  // Sends one stream from the front of the send queue; answers the number of blocks sent.
  int SendGBTStream(const TSendCOSEMPduProc& send, bool& LBSent);
  // Takes one received block; true when the current stream has ended.
  bool HandleBlockOfStream(const TCOSEMpdu& pdu);
  // False when blocks are missing; the next stream sent then asks for them.
  bool CheckForGaps();
  // Delivers the receive queue: the joined block data, and whether a last block was among it.
  void RetrieveBlocksFromRQ(bool& LB, PduStr& BD);
  void SendAbortGBT(const TSendCOSEMPduProc& send);
  // Runs a confirmed exchange. With FirstCOSEMPdu (a block the peer started with) it
  // receives what the peer sends; without it, it sends the send queue and, in the server
  // role, ends only once the peer has acknowledged the last block. TotalResponse: the
  // joined data received. Always answers true; failures are EGBT errors.
  bool ApplicationLayerGBT(const TCOSEMpdu* FirstCOSEMPdu, const TRecCOSEMPduFunc& rec, const TSendCOSEMPduProc& send,
                           PduStr& TotalResponse);
  // Sends the whole send queue without waiting for acknowledgements.
  void ApplicationLayerGBTSendUnconfirmed(const TSendCOSEMPduProc& send);
  static void GeneralBlockTransferToGBT(const TSequence& generalBlockTransfer, TGBT& GBT);

  TControlQueue& SQ() { return FSQ; }
  const TControlQueue& SQ() const { return FSQ; }
  int WSelfDefault() const { return FWSelfDefault; }
  void SetWSelfDefault(int w) { FWSelfDefault = w; }
  int WPeerInitialValue() const { return FWPeerInitialValue; }
  void SetWPeerInitialValue(int w) { FWPeerInitialValue = w; }
  int MaxSentStreamSize() const { return FMaxSentStreamSize; }
  void SetMaxSentStreamSize(int n) { FMaxSentStreamSize = n; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  bool LastBlockSent() const { return FLastBlockSent; }
  int LastBNDequeued() const { return FLastBNDequeued; }
  int StreamCount() const { return FStreamCount; }
  int ReceivedAPDUCount() const { return FReceivedAPDUCount; }
  // Octets of block data taken into the receive queue so far.
  int ReceivedOctets() const { return FReceivedOctets; }
  void SetSendAbortAndAbort(bool on) { FSendAbortAndAbort = on; }
  bool AnswerAbortToAbort() const { return FAnswerAbortToAbort; }

  TGBTProtocolKind Kind;
  TControlQueue RQ;  // received, not yet delivered
  int WPeer = 1;     // the peer's window: W of the last block received
  int WSelf = 1;     // W of the blocks sent: own window, or a gap's size while asking for it
  int BNASelf = 0;   // BNA of the blocks sent: the last block received in sequence
  int NextBN = 1;    // BN of the next block added to the send queue

  TGBTEnteringALEvent OnEnteringAL;
  TGBTReadyToSendStream OnReadyToSendStream;
  TGBTReadyToSendBlocks OnReadyToSendBlocks;
  TGBTAPDUReceived OnGBTAPDUReceived;

 private:
  void Trace(const TTraceInfo& info) const;
  void SendBlock(const TGBT& g, const TSendCOSEMPduProc& send);
  int SendStream(const TSendCOSEMPduProc& send, bool& LBSent, int& StreamSize);
  bool SendQueueDone() const;

  TControlQueue FSQ;  // sent or to send, kept until the peer acknowledges them
  int FWSelfDefault = 1;
  int FWPeerInitialValue = 1;
  std::string FName;
  TTraceProc TraceProc;
  bool FLastBlockSent = false;
  int FLastBNDequeued = 0;
  int FMaxSentStreamSize = 0;
  int FStreamCount = 0;
  int FReceivedAPDUCount = 0;
  int FReceivedOctets = 0;
  bool FSendAbortAndAbort = false;
  bool FAnswerAbortToAbort = true;
};

}  // namespace zv

#include "transport/hdlc_server_layer.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "foundation/globals.h"
#include "foundation/logger.h"
#include "platform/clock.h"
#include "transport/hdlc_frame.h"
#include "transport/serial_layer.h"

namespace zv {

TNoResponseFlag NoResponseGenerated;

namespace {

constexpr uint8_t kFlag = 0x7E;
// After a Send of nothing, the link still gives the application this long to answer.
constexpr int64_t kNothingToSendGraceMs = 200;
// Real-time bound of one wait that only an event ends (the wait is then taken up again).
constexpr int64_t kEventWaitMs = 60000;
// A link procedure that failed (a port error) is run again after this pause.
constexpr auto kRetryPause = std::chrono::milliseconds(100);

// The layers whose link may wait for an answer; setting NoResponseGenerated wakes them.
std::mutex& LinksMutex() {
  static std::mutex m;
  return m;
}
std::vector<TProtocolLayerHDLCServer*>& Links() {
  static std::vector<TProtocolLayerHDLCServer*> links;
  return links;
}

}  // namespace

const char* HDLCServerStateName(THDLCServerState State) {
  switch (State) {
    case hlIdle: return "Idle";
    case hlNDM: return "NDM";
    case hlNRM: return "NRM";
    default: return "Unknown";
  }
}

void TNoResponseFlag::store(bool Value) {
  FValue.store(Value);
  if (!Value) return;
  std::lock_guard<std::mutex> g(LinksMutex());
  for (TProtocolLayerHDLCServer* link : Links()) link->DataToSend.Notify();
}

// --- the link thread ---------------------------------------------------------------------

class THDLCServer {
 public:
  explicit THDLCServer(TProtocolLayerHDLCServer& Parent) : ParentProtocolLayer(Parent) {
    FThread = std::thread(&THDLCServer::Execute, this);
  }

  ~THDLCServer() {
    {
      std::lock_guard<std::mutex> g(FMutex);
      FTerminated = true;
    }
    Stop();
    FThread.join();
  }

  void Start() {
    if (FState == hlIdle) SetState(hlNDM);
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> g(FMutex);
      StopRequest = true;
    }
    FCv.notify_all();
    if (TProtocolLayerSerial* port = ParentProtocolLayer.SerialPort()) port->InterruptWaits();
    ParentProtocolLayer.DataToSend.Notify();
  }

  // Waits up to Ms real milliseconds for a stop to be done.
  bool WaitStopped(int64_t Ms) {
    std::unique_lock<std::mutex> g(FMutex);
    return FCv.wait_for(g, std::chrono::milliseconds(Ms), [this] { return !StopRequest && FState == hlIdle; });
  }

  THDLCServerState State() const { return FState; }

  std::atomic<int> FInactivityTimeout{120000};
  std::atomic<int> FInterFrameTimeout{100};

 private:
  enum TReceiveResult { rrFrame, rrStop, rrInactivity };

  void Execute();
  void SetState(THDLCServerState Value);
  void NDMProcedure();
  void NRMProcedure();

  TReceiveResult ReceiveFrame();
  bool TakePending(uint8_t& Octet);
  bool FirstOctet(uint8_t& Octet, int64_t& Budget);
  bool NextOctet(uint8_t& Octet);
  void Reject(const std::string& Reason, std::string_view Frame);
  bool Acceptable(const TFrame& Frame) const;
  bool ForThisServer(const TFrame& Frame) const;

  void LogFrame(const char* Direction, const TFrame& Frame);
  void SendFrame(TFrame& Frame);
  void Answer(TFrameKind Kind, bool WithParameters = false);
  void AnswerRR() { Answer(fkRR); }
  void Refuse();
  void ResetSequence();
  void HandleIFrame();
  void HandleRR();
  void AnswerOrPoll();
  void SendNextSegment();
  void HandOver();

  TProtocolLayerSerial& Port() const {
    TProtocolLayerSerial* port = ParentProtocolLayer.SerialPort();
    ZV_ASSERT(port);
    return *port;
  }

  std::atomic<bool> StopRequest{false};
  // The frame received last; answers go to its source from its destination.
  TFrame InFrame;
  std::atomic<THDLCServerState> FState{hlIdle};
  // The server's own lower (physical) address.
  const uint16_t FLowerMacAddress = 0;
  TProtocolLayerHDLCServer& ParentProtocolLayer;
  TNRMState FNRMState = nrmReadyToRec;
  bool FHasTheToken = false;
  int RRN = 0;  // V(R): the N(S) expected in the next I frame
  int SSN = 0;  // V(S): the N(S) of the next I frame sent
  struct {
    PduStr ReceivedData;  // the request being received
    PduStr Response;      // the octets still to be sent
  } Exchange;
  // Octets already read that are looked at again for the next frame: what followed a
  // flag inside a frame that turned out broken. Those before FPendingHead are taken.
  PduStr FPending;
  size_t FPendingHead = 0;
  // The last wait for an octet inside a frame ran out, and no octet came since.
  bool FLineSilent = false;

  std::mutex FMutex;  // guards the transitions of FState and StopRequest, and FTerminated
  std::condition_variable FCv;
  bool FTerminated = false;
  std::thread FThread;
};

void THDLCServer::Execute() {
  for (;;) {
    {
      std::unique_lock<std::mutex> g(FMutex);
      FCv.wait(g, [this] { return FTerminated || StopRequest || FState != hlIdle; });
      if (FTerminated && FState == hlIdle) break;
    }
    bool failed = false;
    try {
      switch (FState.load()) {
        case hlNDM: NDMProcedure(); break;
        case hlNRM: NRMProcedure(); break;
        default: break;
      }
    } catch (...) {
      failed = true;
    }
    if (StopRequest) {
      SetState(hlIdle);
      {
        std::lock_guard<std::mutex> g(FMutex);
        StopRequest = false;
      }
      FCv.notify_all();
    } else if (failed) {
      std::unique_lock<std::mutex> g(FMutex);
      FCv.wait_for(g, kRetryPause, [this] { return FTerminated || StopRequest.load(); });
    }
  }
}

void THDLCServer::SetState(THDLCServerState Value) {
  THDLCServerState old;
  {
    std::lock_guard<std::mutex> g(FMutex);
    old = FState;
    if (old == Value) return;
    FState = Value;
  }
  FCv.notify_all();
  if (Value == hlNRM) FHasTheToken = false;
  // Nothing of one link reaches the next: a request or an answer left behind belongs to
  // a client that is gone.
  if ((old == hlNDM && Value == hlNRM) || (old == hlNRM && Value == hlNDM)) {
    // Under the send lock: an answer that Send takes for the old link is cleared here, or
    // Send sees the new generation and drops it.
    std::lock_guard<std::mutex> g(ParentProtocolLayer.FSendMutex);
    ++ParentProtocolLayer.FLinkGeneration;
    ParentProtocolLayer.DataReceived.Clear();
    ParentProtocolLayer.DataToSend.Clear();
  }
  ParentProtocolLayer.NotifySendSpace();
  ParentProtocolLayer.Log(HDLCServerStateName(Value));
  if (old == hlNRM && Value == hlNDM) ParentProtocolLayer.NotifyDisconnected();
}

// --- receiving ---------------------------------------------------------------------------

bool THDLCServer::TakePending(uint8_t& Octet) {
  if (FPendingHead >= FPending.size()) return false;
  Octet = static_cast<uint8_t>(FPending[FPendingHead++]);
  if (FPendingHead == FPending.size()) {
    FPending.clear();
    FPendingHead = 0;
  }
  return true;
}

bool THDLCServer::FirstOctet(uint8_t& Octet, int64_t& Budget) {
  if (TakePending(Octet)) return true;
  const IClock& clock = ParentProtocolLayer.Clock();
  const int64_t start = clock.NowMs();
  bool timeout = false;
  Octet = Port().GetByte(static_cast<int>(std::max<int64_t>(Budget, 1)), timeout);
  Budget -= clock.NowMs() - start;
  if (!timeout) FLineSilent = false;
  return !timeout;
}

bool THDLCServer::NextOctet(uint8_t& Octet) {
  if (TakePending(Octet)) return true;
  // Once the line fell silent in a frame, the frames looked for again in its octets do
  // not wait for it a second time.
  bool timeout = false;
  Octet = Port().GetByte(FLineSilent ? 0 : FInterFrameTimeout.load(), timeout);
  FLineSilent = timeout;
  return !timeout;
}

void THDLCServer::Reject(const std::string& Reason, std::string_view Frame) {
  if (!Reason.empty()) ParentProtocolLayer.Log(Reason);
  ParentProtocolLayer.Log("Frame rejected");
  // A flag inside the broken frame may open a good one.
  const size_t next = Frame.find(static_cast<char>(kFlag), 1);
  if (next == std::string_view::npos) return;
  FPending = std::string(Frame.substr(next)) + FPending.substr(FPendingHead);
  FPendingHead = 0;
}

bool THDLCServer::Acceptable(const TFrame& Frame) const {
  const int dstSize = Frame.FDstAddress.FSize;
  const int upper = Frame.FDstAddress.FUpper;
  return Frame.FSrcAddress.FSize == 1 && !(upper >= 2 && upper <= 15) && (dstSize == 1 || dstSize == 2 || dstSize == 4);
}

bool THDLCServer::ForThisServer(const TFrame& Frame) const {
  return Frame.FDstAddress.FSize == 1 || Frame.FDstAddress.FLower == FLowerMacAddress;
}

THDLCServer::TReceiveResult THDLCServer::ReceiveFrame() {
  InFrame.SetKind(fkUnknown);
  int64_t budget = FInactivityTimeout;
  size_t skipped = 0;  // octets before an opening flag
  PduStr frame;
  for (;;) {
    if (StopRequest) return rrStop;
    uint8_t octet = 0;
    if (!FirstOctet(octet, budget)) {
      if (StopRequest) return rrStop;
      if (budget <= 0) {
        if (skipped) Reject("Illegal opening flag", std::string_view());
        return rrInactivity;
      }
      continue;
    }
    if (octet != kFlag) {
      ++skipped;
      continue;
    }
    if (skipped) {
      Reject("Illegal opening flag", std::string_view());
      skipped = 0;
    }
    frame.assign(1, static_cast<char>(kFlag));
    bool complete = true;
    // The frame format; a flag that follows the flag opens the frame instead.
    while (frame.size() < 2 && (complete = NextOctet(octet)))
      if (octet != kFlag) frame.push_back(static_cast<char>(octet));
    if (complete && (static_cast<uint8_t>(frame[1]) >> 4) != 0xA) {
      Reject("Illegal frame type", frame);
      continue;
    }
    if (complete && (complete = NextOctet(octet))) frame.push_back(static_cast<char>(octet));
    if (complete) {
      const size_t length = (static_cast<uint8_t>(frame[1]) & 7) * 256u + static_cast<uint8_t>(frame[2]);
      while (frame.size() < length + 2 && (complete = NextOctet(octet))) frame.push_back(static_cast<char>(octet));
    }
    if (!complete) {
      if (StopRequest) return rrStop;
      Reject(std::string(), frame);
      continue;
    }
    TFrame received;
    try {
      received.SetFromPduByteStr(frame);
    } catch (const EFrame& e) {
      Reject(e.Message(), frame);
      continue;
    }
    if (!Acceptable(received)) {
      ParentProtocolLayer.Log("Frame rejected");
      continue;
    }
    InFrame = std::move(received);
    FHasTheToken = true;
    LogFrame("Rec.", InFrame);
    return rrFrame;
  }
}

// --- sending -----------------------------------------------------------------------------

void THDLCServer::LogFrame(const char* Direction, const TFrame& Frame) {
  ParentProtocolLayer.Log(Format("%s %s %s %s", Direction, FrameKindName(Frame.FKind), Frame.FSegmented ? "Seg." : "",
                                 ByteStrToHexStr(Frame.FData).c_str()));
}

void THDLCServer::SendFrame(TFrame& Frame) {
  LogFrame("Sent", Frame);
  const PduStr octets = Frame.GetPDUByteStr();
  // Sending discards what the port received meanwhile; so goes what was read ahead.
  FPending.clear();
  FPendingHead = 0;
  Port().Send(nullptr, octets);
  FHasTheToken = false;
}

void THDLCServer::Answer(TFrameKind Kind, bool WithParameters) {
  TFrame f;
  f.SetKind(Kind);
  f.FPollFinal = true;
  f.FDstAddress = InFrame.FSrcAddress;
  f.FSrcAddress = InFrame.FDstAddress;
  f.FRSequenceNr = static_cast<uint8_t>(RRN);
  // The link parameters are fixed, whatever the client proposed.
  if (WithParameters) f.FData = THDLCLinkParameters().Encode();
  SendFrame(f);
}

void THDLCServer::Refuse() {
  Answer(fkFRMR);
  SetState(hlNDM);
}

void THDLCServer::ResetSequence() {
  FNRMState = nrmReadyToRec;
  RRN = 0;
  SSN = 0;
  Exchange.ReceivedData.clear();
  Exchange.Response.clear();
}

// --- the link's modes --------------------------------------------------------------------

void THDLCServer::NDMProcedure() {
  while (!StopRequest) {
    if (ReceiveFrame() != rrFrame || StopRequest) continue;
    if (!ForThisServer(InFrame)) continue;
    if (InFrame.FKind == fkSNRM) {
      Answer(fkUA, true);
      SetState(hlNRM);
      return;
    }
    if (InFrame.FKind == fkDISC) Answer(fkDM);
  }
}

void THDLCServer::NRMProcedure() {
  ResetSequence();
  do {
    const TReceiveResult r = ReceiveFrame();
    if (r == rrInactivity) {
      SetState(hlNDM);
      break;
    }
    if (r == rrStop || StopRequest) break;
    if (!ForThisServer(InFrame)) continue;
    switch (InFrame.FKind) {
      case fkI:
        if (InFrame.FData.size() > static_cast<size_t>(TProtocolLayerHDLCServer::kMaxInfoLength))
          Refuse();
        else
          HandleIFrame();
        break;
      case fkUnknown: Refuse(); break;
      case fkRR: HandleRR(); break;
      case fkRNR: AnswerRR(); break;
      case fkDISC:
        Answer(fkUA, true);
        SetState(hlNDM);
        break;
      case fkSNRM:
        Answer(fkUA, true);
        ResetSequence();
        break;
      default: break;  // DM, FRMR, UA, UI
    }
  } while (!StopRequest && FState == hlNRM);
}

void THDLCServer::HandleIFrame() {
  const PduStr& info = InFrame.FData;
  const int ns = InFrame.FSSequenceNr;
  switch (FNRMState) {
    case nrmReadyToRec:
      // A request's first frame carries the LLC header; its second and third octets are
      // not looked at.
      if (info.size() >= 3 && static_cast<uint8_t>(info[0]) == 0xE6)
        Exchange.ReceivedData = info.substr(3);
      else
        Exchange.ReceivedData = info;
      if (ns != RRN) {
        AnswerRR();
        return;
      }
      RRN = (RRN + 1) % 8;
      if (InFrame.FSegmented) {
        AnswerRR();
        FNRMState = nrmReceivingSegments;
        return;
      }
      HandOver();
      AnswerOrPoll();
      break;
    case nrmReceivingSegments:
      if (ns != RRN) {
        AnswerRR();
        return;
      }
      if (Exchange.ReceivedData.size() + info.size() > TProtocolLayerHDLCServer::kMaxRequestSize) {
        Refuse();
        return;
      }
      Exchange.ReceivedData += info;
      RRN = (RRN + 1) % 8;
      if (InFrame.FSegmented) {
        AnswerRR();
        return;
      }
      HandOver();
      FNRMState = nrmReadyToRec;
      AnswerOrPoll();
      break;
    case nrmSendingSegments:
      break;
  }
}

void THDLCServer::HandleRR() {
  if (InFrame.FRSequenceNr != SSN) {
    Refuse();
    return;
  }
  switch (FNRMState) {
    case nrmReadyToRec:
      // An answer that came after the hand-over had stopped waiting goes out on this poll.
      if (ParentProtocolLayer.DataToSend.ByteQty() > 0) {
        Exchange.ReceivedData.clear();
        HandOver();
        if (!Exchange.Response.empty()) {
          Exchange.Response.insert(0, TProtocolLayerHDLCServer::kLLCResponseHeader, 3);
          SendNextSegment();
          return;
        }
      }
      AnswerRR();
      break;
    case nrmReceivingSegments: AnswerRR(); break;
    case nrmSendingSegments: SendNextSegment(); break;
  }
}

void THDLCServer::AnswerOrPoll() {
  if (Exchange.Response.empty()) {
    AnswerRR();
    return;
  }
  Exchange.Response.insert(0, TProtocolLayerHDLCServer::kLLCResponseHeader, 3);
  SendNextSegment();
}

void THDLCServer::SendNextSegment() {
  TFrame f;
  f.SetKind(fkI);
  f.FPollFinal = true;
  f.FDstAddress = InFrame.FSrcAddress;
  f.FSrcAddress = InFrame.FDstAddress;
  f.FRSequenceNr = static_cast<uint8_t>(RRN);
  f.FSSequenceNr = static_cast<uint8_t>(SSN);
  SSN = (SSN + 1) % 8;
  const size_t n = std::min(Exchange.Response.size(), static_cast<size_t>(TProtocolLayerHDLCServer::kMaxInfoLength));
  f.FData = Exchange.Response.substr(0, n);
  Exchange.Response.erase(0, n);
  f.FSegmented = !Exchange.Response.empty();
  FNRMState = f.FSegmented ? nrmSendingSegments : nrmReadyToRec;
  SendFrame(f);
}

void THDLCServer::HandOver() {
  TProtocolLayerHDLCServer& p = ParentProtocolLayer;
  // Both flags speak of this request only, so they are cleared before the application
  // can see it: a flag it sets at once is not lost.
  NoResponseGenerated = false;
  p.NothingToSend = false;
  if (Exchange.ReceivedData.empty()) {
    // Nothing for the application (an I frame with no APDU, or a poll): no answer will
    // come but one already queued.
    Exchange.Response = p.DataToSend.ReadAll();
    if (!Exchange.Response.empty()) p.NotifySendSpace();
    return;
  }
  p.FClientId = InFrame.FSrcAddress.FUpper;
  p.FServerId = InFrame.FDstAddress.FUpper;
  p.FRequestGeneration = p.FLinkGeneration.load();
  p.DataReceived.TransferStr(Exchange.ReceivedData);
  const IClock& clock = p.Clock();
  const int64_t start = clock.NowMs();
  PduStr answer;
  for (;;) {
    answer = p.DataToSend.ReadAll();
    if (!answer.empty()) {
      p.NotifySendSpace();
      break;
    }
    if (AbortRequested || NoResponseGenerated || StopRequest) break;
    const int64_t elapsed = clock.NowMs() - start;
    const bool graceOver = elapsed >= kNothingToSendGraceMs;
    if (graceOver && p.NothingToSend) break;
    const int64_t wait = graceOver ? kEventWaitMs : clock.WaitBudgetMs(kNothingToSendGraceMs - elapsed);
    p.DataToSend.WaitForData(wait, [&] {
      return AbortRequested || NoResponseGenerated || StopRequest || (graceOver && p.NothingToSend);
    });
  }
  Exchange.Response = std::move(answer);
}

// --- the layer ---------------------------------------------------------------------------

TProtocolLayerHDLCServer::TProtocolLayerHDLCServer() {
  {
    std::lock_guard<std::mutex> g(LinksMutex());
    Links().push_back(this);
  }
  FAbortSubscription = std::make_unique<TAbortSubscription>([this] {
    DataReceived.Notify();
    DataToSend.Notify();
    NotifySendSpace();
  });
  HDLCServer = std::make_unique<THDLCServer>(*this);
}

TProtocolLayerHDLCServer::~TProtocolLayerHDLCServer() {
  // The thread goes first: nothing it uses is freed while it can still use it.
  HDLCServer.reset();
  FAbortSubscription.reset();
  std::lock_guard<std::mutex> g(LinksMutex());
  auto& links = Links();
  links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void TProtocolLayerHDLCServer::StartListening() {
  TProtocolLayerSerial* port = SerialPort();
  ZV_ASSERT(port);
  if (!port->IsConnected()) port->Connect();
  port->ResumeWaits();
  HDLCServer->Start();
}

void TProtocolLayerHDLCServer::StopListening() {
  HDLCServer->Stop();
  // Every wait of the link ends at a stop; only a callback of the user could hold it up.
  HDLCServer->WaitStopped(3000);
  if (TProtocolLayerSerial* port = SerialPort()) port->Disconnect();
}

bool TProtocolLayerHDLCServer::IsConnected() { return true; }

void TProtocolLayerHDLCServer::Send(TLinkAddresses*, const PduStr& s) {
  if (!s.empty()) {
    std::unique_lock<std::mutex> g(FSendMutex);
    // Only a link in normal response mode takes the answer queued before.
    FSendCv.wait(g, [this] { return DataToSend.ByteQty() == 0 || AbortRequested || State() != hlNRM; });
    NothingToSend = false;
    if (FAnswerGeneration != FLinkGeneration) return;
    DataToSend.Write(s.data(), static_cast<int>(s.size()));
  } else {
    NothingToSend = true;
    DataToSend.Notify();
  }
}

PduStr TProtocolLayerHDLCServer::Rec(TLinkAddresses* TransferContext) {
  Disconnected = false;
  for (;;) {
    // Tested before taking: a request that arrives on the next link while the drop is
    // being reported stays for the next Rec (the link waits for its answer).
    CheckUserAbort();
    if (Disconnected) throw EHDLCDisconnected("HDLC Disconnected");
    PduStr s = DataReceived.ReadAll();
    if (!s.empty()) {
      FAnswerGeneration = FRequestGeneration;
      if (TransferContext) {
        TransferContext->ClientId = FClientId;
        TransferContext->ServerId = FServerId;
      }
      return s;
    }
    DataReceived.WaitForData(kEventWaitMs, [this] { return AbortRequested || Disconnected; });
  }
}

THDLCServerState TProtocolLayerHDLCServer::State() const { return HDLCServer->State(); }

int TProtocolLayerHDLCServer::InactivityTimeout() const { return HDLCServer->FInactivityTimeout; }
void TProtocolLayerHDLCServer::SetInactivityTimeout(int Value) { HDLCServer->FInactivityTimeout = Value; }
int TProtocolLayerHDLCServer::InterFrameTimeout() const { return HDLCServer->FInterFrameTimeout; }
void TProtocolLayerHDLCServer::SetInterFrameTimeout(int Value) { HDLCServer->FInterFrameTimeout = Value; }

void TProtocolLayerHDLCServer::Log(const std::string& Text) {
  if (!LogProc) return;
  const std::vector<std::string> lines{"HDLC " + Text};
  Guarded([&] { LogProc(lines); });
}

void TProtocolLayerHDLCServer::NotifyDisconnected() {
  Disconnected = true;
  DataReceived.Notify();
  if (OnDisconnectedProc) Guarded([&] { OnDisconnectedProc(this); });
}

void TProtocolLayerHDLCServer::NotifySendSpace() {
  { std::lock_guard<std::mutex> g(FSendMutex); }
  FSendCv.notify_all();
}

}  // namespace zv

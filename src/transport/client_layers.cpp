#include "transport/client_layers.h"

#include <cerrno>

#include "foundation/globals.h"
#include "foundation/logger.h"
#include "platform/clock.h"
#include "transport/logged_wait.h"

namespace zv {

namespace {

// Waits Ms of Clock; only the abort flag ends it early, with the silent abort error.
void AbortableWait(const IClock& Clock, int64_t Ms) {
  const int64_t start = Clock.NowMs();
  for (;;) {
    CheckUserAbort();
    const int64_t left = Ms - (Clock.NowMs() - start);
    if (left <= 0) return;
    WaitForAbort(Clock.WaitBudgetMs(left));
  }
}

// What is left of the delay between the last transport disconnect and a new connect.
int RemainingConnectDelay(int Delay, uint32_t Now) {
  const uint32_t elapsed = TicksElapsed(LastDisconnectTick.load(), Now);
  if (Delay < 0 || elapsed >= static_cast<uint32_t>(Delay)) return 0;
  return Delay - static_cast<int>(elapsed);
}

std::string ConnectedText(const std::string& IP, int Port, TIPVersion Version) {
  return Version == TIPVersion::IPv6 ? Format("Connected to [%s]:%d", IP.c_str(), Port)
                                     : Format("Connected to %s:%d", IP.c_str(), Port);
}

}  // namespace

// --- TProtocolLayerTCPClient ---------------------------------------------------------

TProtocolLayerTCPClient::TProtocolLayerTCPClient() {
  TrafficOptions = {toName, toTimeStamps};
  FAbortSubscription = std::make_unique<TAbortSubscription>([this] { FWake.Signal(); });
}

TProtocolLayerTCPClient::~TProtocolLayerTCPClient() { FAbortSubscription.reset(); }

void TProtocolLayerTCPClient::Fail(const std::string& Message) const { throw EProtocolLayerTCPClient(Message); }

void TProtocolLayerTCPClient::Status(const std::string& Text) const {
  if (FShowTraffic) ReportTraffic(Text, toInfo);
}

void TProtocolLayerTCPClient::CloseSocket() {
  FSocket.Close();
  FReceived.clear();
}

void TProtocolLayerTCPClient::Connect() {
  if (FSocket.Valid()) Disconnect();
  const int rest = RemainingConnectDelay(FDisconnectToConnectDelay, NowTick());
  if (rest > 0) {
    if (FShowTraffic) ReportTraffic(Format("Waiting %d", rest), toInfo);
    LoggedWait(rest, "TCP disconnect to connect delay", Clock());
  }
  Status("Connecting");
  TSocketAddress address;
  std::string text;
  if (!ResolveNumeric(FIP, FPort, FIPVersion == TIPVersion::IPv6, address, text)) Fail(text);
  bool inProgress = false;
  int error = 0;
  TSocketHandle s = TcpStartConnect(address, inProgress, error);
  if (!s.Valid()) Fail(SocketErrorText(error));
  if (inProgress) {
    // The connection is made in real time: this is the network's time, not a delay of ours.
    FWake.Drain();
    for (;;) {
      CheckUserAbort();
      unsigned r = PollSocket(s.Fd(), false, true, FWake.Fd(), FConnectTimeout);
      if (r & prWoken) {
        FWake.Drain();
        continue;
      }
      if (r == prTimeout) Fail(SocketErrorText(ETIMEDOUT));
      error = ConnectResult(s.Fd());
      if (error) Fail(SocketErrorText(error));
      break;
    }
  }
  FSocket = std::move(s);
  FReceived.clear();
  Status(ConnectedText(FIP, FPort, FIPVersion));
}

void TProtocolLayerTCPClient::Disconnect() {
  if (!FSocket.Valid()) return;
  Status("Disconnecting");
  CloseSocket();
  LastDisconnectTick = NowTick();
  Status("Disconnected");
}

bool TProtocolLayerTCPClient::IsConnected() {
  if (!FSocket.Valid()) return false;
  if (!FReceived.empty()) return true;
  if (SocketPeerGone(FSocket.Fd())) {
    CloseSocket();
    return false;
  }
  return true;
}

void TProtocolLayerTCPClient::ClearInputBuffer() {
  FReceived.clear();
  if (FSocket.Valid()) SocketDiscardInput(FSocket.Fd());
}

void TProtocolLayerTCPClient::Send(TLinkAddresses*, const PduStr& s) {
  if (!IsConnected()) Fail(Format("\"%s\" is not connected", Name.c_str()));
  if (FShowTraffic) ReportTraffic(s, toOutgoing);
  size_t done = 0;
  while (done < s.size()) {
    int error = 0;
    long n = SocketSend(FSocket.Fd(), s.data() + done, s.size() - done, error);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (error != EAGAIN) Fail(SocketErrorText(error));
    // A peer that takes nothing for a whole response time-out is not waited for longer.
    FWake.Drain();
    CheckUserAbort();
    unsigned r = PollSocket(FSocket.Fd(), false, true, FWake.Fd(), FResponseTimeout);
    if (r == prTimeout) Fail(SocketErrorText(ETIMEDOUT));
  }
}

PduStr TProtocolLayerTCPClient::Rec(TLinkAddresses*) {
  if (!IsConnected()) Fail(Format("\"%s\" is not connected", Name.c_str()));
  const IClock& clock = Clock();
  PduStr result;
  size_t taken = 0;  // octets of FReceived moved to the result
  char buffer[8192];
  for (;;) {
    if (taken == FReceived.size()) {
      FReceived.clear();
      taken = 0;
      // The time-out applies to each octet anew.
      const int64_t start = clock.NowMs();
      bool timedOut = false;
      FWake.Drain();
      for (;;) {
        int error = 0;
        long n = SocketReceive(FSocket.Fd(), buffer, sizeof buffer, error);
        if (n > 0) {
          FReceived.assign(buffer, static_cast<size_t>(n));
          break;
        }
        if (n == 0) Fail("Connection closed by the peer");
        if (error != EAGAIN) Fail(SocketErrorText(error));
        const int64_t left = FResponseTimeout - (clock.NowMs() - start);
        if (AbortRequested || left <= 0) {
          timedOut = true;
          break;
        }
        unsigned r = PollSocket(FSocket.Fd(), true, false, FWake.Fd(), clock.WaitBudgetMs(left));
        if (r & prWoken) FWake.Drain();
      }
      if (timedOut) break;
    }
    result.push_back(FReceived[taken++]);
    if (CheckFrameCompleteCallBack && CheckFrameCompleteCallBack(this, result)) break;
  }
  // What follows the frame waits for the next Rec.
  FReceived.erase(0, taken);
  if (!result.empty() && FShowTraffic) ReportTraffic(result, toIncoming);
  return result;
}

PduStr TProtocolLayerTCPClient::SendRec(TLinkAddresses* TransferContext, const PduStr& s) {
  if (!s.empty()) Send(TransferContext, s);
  return Rec(TransferContext);
}

void TProtocolLayerTCPClient::PushBack(const PduStr& s) { FReceived.insert(0, s); }

void TProtocolLayerTCPClient::SetIP(const std::string& Value) {
  if (FSocket.Valid() && Value != FIP) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FIP = Value;
}

void TProtocolLayerTCPClient::SetPort(int Value) {
  if (FSocket.Valid() && Value != FPort) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FPort = Value;
}

void TProtocolLayerTCPClient::SetIPVersion(TIPVersion Value) {
  if (FSocket.Valid() && Value != FIPVersion) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FIPVersion = Value;
}

void TProtocolLayerTCPClient::SetConnectTimeout(int Value) {
  if (FSocket.Valid() && Value != FConnectTimeout)
    Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FConnectTimeout = Value;
}

// --- TProtocolLayerUDPClient ---------------------------------------------------------

TProtocolLayerUDPClient::TProtocolLayerUDPClient() {
  TrafficOptions = {toName, toTimeStampsDelta, toTimeStampsSession};
  FAbortSubscription = std::make_unique<TAbortSubscription>([this] { FWake.Signal(); });
}

TProtocolLayerUDPClient::~TProtocolLayerUDPClient() { FAbortSubscription.reset(); }

void TProtocolLayerUDPClient::Fail(const std::string& Message) const { throw EProtocolLayerUDPClient(Message); }

void TProtocolLayerUDPClient::Status(const std::string& Text) const {
  if (FShowTraffic) ReportTraffic(Text, toInfo);
}

void TProtocolLayerUDPClient::Connect() {
  if (FSocket.Valid()) Disconnect();
  const int rest = RemainingConnectDelay(FDisconnectToConnectDelay, NowTick());
  if (rest > 0) {
    if (FShowTraffic) ReportTraffic(Format("Waiting %d", rest), toInfo);
    AbortableWait(Clock(), rest);
  }
  Status("Connecting");
  TSocketAddress address;
  std::string text;
  if (!ResolveNumeric(FIP, FPort, FIPVersion == TIPVersion::IPv6, address, text)) Fail(text);
  int error = 0;
  TSocketHandle s = UdpOpen(address, error);
  if (!s.Valid()) Fail(SocketErrorText(error));
  FSocket = std::move(s);
  Status(ConnectedText(FIP, FPort, FIPVersion));
}

void TProtocolLayerUDPClient::Disconnect() {
  if (!FSocket.Valid()) return;
  Status("Disconnecting");
  FSocket.Close();
  LastDisconnectTick = NowTick();
  Status("Disconnected");
}

bool TProtocolLayerUDPClient::IsConnected() { return FSocket.Valid(); }

void TProtocolLayerUDPClient::Send(TLinkAddresses*, const PduStr& s) {
  if (!IsConnected()) Fail(Format("\"%s\" is not connected", Name.c_str()));
  if (FShowTraffic) ReportTraffic(s, toOutgoing);
  if (s.empty()) return;
  for (;;) {
    int error = 0;
    if (SocketSend(FSocket.Fd(), s.data(), s.size(), error) >= 0) return;
    if (error != EAGAIN) Fail(SocketErrorText(error));
    FWake.Drain();
    CheckUserAbort();
    if (PollSocket(FSocket.Fd(), false, true, FWake.Fd(), FResponseTimeout) == prTimeout)
      Fail(SocketErrorText(ETIMEDOUT));
  }
}

PduStr TProtocolLayerUDPClient::Rec(TLinkAddresses*) {
  if (!IsConnected()) Fail(Format("\"%s\" is not connected", Name.c_str()));
  const IClock& clock = Clock();
  const int64_t start = clock.NowMs();
  PduStr result;
  char buffer[kDatagramSize];
  FWake.Drain();
  for (;;) {
    int error = 0;
    long n = SocketReceive(FSocket.Fd(), buffer, sizeof buffer, error);
    if (n > 0) {
      result.assign(buffer, static_cast<size_t>(n));
      break;
    }
    if (n < 0 && error != EAGAIN) Fail(SocketErrorText(error));
    const int64_t left = FResponseTimeout - (clock.NowMs() - start);
    if (AbortRequested || left <= 0) break;
    unsigned r = PollSocket(FSocket.Fd(), true, false, FWake.Fd(), clock.WaitBudgetMs(left));
    if (r & prWoken) FWake.Drain();
  }
  if (!result.empty() && CheckFrameCompleteCallBack && !CheckFrameCompleteCallBack(this, result))
    Fail(Format("\"%s\" received an incomplete APDU", Name.c_str()));
  if (!result.empty() && FShowTraffic) ReportTraffic(result, toIncoming);
  return result;
}

PduStr TProtocolLayerUDPClient::SendRec(TLinkAddresses* TransferContext, const PduStr& s) {
  Send(TransferContext, s);
  return Rec(TransferContext);
}

void TProtocolLayerUDPClient::SetIP(const std::string& Value) {
  if (FSocket.Valid() && Value != FIP) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FIP = Value;
}

void TProtocolLayerUDPClient::SetPort(int Value) {
  if (FSocket.Valid() && Value != FPort) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FPort = Value;
}

void TProtocolLayerUDPClient::SetIPVersion(TIPVersion Value) {
  if (FSocket.Valid() && Value != FIPVersion) Fail(Format("\"%s\" is open, cannot change parameter", Name.c_str()));
  FIPVersion = Value;
}

}  // namespace zv

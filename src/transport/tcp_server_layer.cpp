#include "transport/tcp_server_layer.h"

#include <cerrno>

#include "foundation/globals.h"
#include "foundation/logger.h"
#include "platform/clock.h"

namespace zv {

namespace {

// Reading from the socket pauses while this many received octets wait to be taken, so a
// peer cannot make the input grow without bound.
constexpr int kInputLimit = 1 << 20;
// Send waits while this many octets wait to be written, so that a client that does not
// read its answers cannot make the output grow without bound.
constexpr size_t kOutputLimit = 16u << 20;

}  // namespace

TProtocolLayerTCPServer::TProtocolLayerTCPServer() {
  TrafficOptions = {toName, toTimeStamps};
  FAbortSubscription = std::make_unique<TAbortSubscription>([this] {
    FInputBuffer.Notify();
    { std::lock_guard<std::mutex> g(FStateMutex); }
    FStateCv.notify_all();
    NotifySendSpace();
  });
}

TProtocolLayerTCPServer::~TProtocolLayerTCPServer() {
  StopListening();
  FAbortSubscription.reset();
}

void TProtocolLayerTCPServer::StartListening() {
  if (IsListening()) return;
  int error = 0;
  TSocketHandle s = TcpListen(BindAddress, FPort & 0xFFFF, error);
  if (!s.Valid()) RaiseProtocolLayerException(SocketErrorText(error));
  FListeningPort = SocketLocalPort(s.Fd());
  FListenSocket = std::move(s);
  FStopping = false;
  FListenerWake.Drain();
  if (FShowTraffic) ReportTraffic(Format("Start Listening on port %d", FListeningPort.load()), toInfo);
  FInputBuffer.Clear();
  FOutputBuffer.Clear();
  FRecEpoch = 0;
  FListener = std::thread(&TProtocolLayerTCPServer::ListenerThread, this);
}

void TProtocolLayerTCPServer::StopListening() {
  if (!IsListening()) return;
  FStopping = true;
  FListenerWake.Signal();
  FConnectionWake.Signal();
  if (FListener.joinable()) FListener.join();
  FListenSocket.Close();
  FListeningPort = -1;
  {
    std::lock_guard<std::mutex> g(FStateMutex);
    FPeerIP.clear();
    FConnected = false;
  }
  FStateCv.notify_all();
  FInputBuffer.Notify();
  if (FShowTraffic) ReportTraffic("Stop Listening", toInfo);
}

bool TProtocolLayerTCPServer::IsListening() const { return FListenSocket.Valid(); }

int TProtocolLayerTCPServer::ListeningPort() const { return FListeningPort; }

void TProtocolLayerTCPServer::ListenerThread() {
  while (!FStopping) {
    unsigned r = PollSocket(FListenSocket.Fd(), true, false, FListenerWake.Fd(), -1);
    if (r & prWoken) FListenerWake.Drain();
    if (FStopping) break;
    if (!(r & (prReadable | prHangUp))) continue;
    std::string peer;
    int error = 0;
    TSocketHandle client = TcpAccept(FListenSocket.Fd(), peer, error);
    if (!client.Valid()) continue;
    // A peer gone without closing would otherwise hold the server for ever.
    SetKeepAlive(client.Fd(), KeepAlive);
    // One client at a time: further ones wait in the listen queue until this one is gone.
    FConnection = std::thread(&TProtocolLayerTCPServer::ConnectionThread, this, std::move(client), std::move(peer));
    FConnection.join();
  }
}

void TProtocolLayerTCPServer::OnConnect(const std::string& PeerIP) {
  // Nothing of a previous client may reach this one. Under the send lock, so that an
  // answer to the previous client is either cleared here or refused by Send.
  {
    std::lock_guard<std::mutex> g(FSendMutex);
    FInputBuffer.Clear();
    FOutputBuffer.Clear();
  }
  DisconnectRequested = false;
  {
    std::lock_guard<std::mutex> g(FStateMutex);
    FPeerIP = PeerIP;
    FConnected = !PeerIP.empty();
  }
  FStateCv.notify_all();
  if (FShowTraffic && IsConnected()) ReportTraffic(Format("Connected to %s", PeerIP.c_str()), toInfo);
  if (OnConnectedProc) Guarded([&] { OnConnectedProc(this); });
}

void TProtocolLayerTCPServer::OnDisconnect() {
  std::string peer = IP();
  if (!peer.empty()) {
    LastDisconnectTick = NowTick();
    if (FShowTraffic) ReportTraffic(Format("Disconnected from %s", peer.c_str()), toInfo);
    if (OnDisconnectedProc) Guarded([&] { OnDisconnectedProc(this); });
  }
  {
    std::lock_guard<std::mutex> g(FStateMutex);
    FPeerIP.clear();
    FConnected = false;
  }
  FStateCv.notify_all();
  FInputBuffer.Notify();
}

void TProtocolLayerTCPServer::ConnectionThread(TSocketHandle Socket, std::string PeerIP) {
  FConnectionWake.Drain();
  FInputPaused = false;
  OnConnect(PeerIP);
  const int fd = Socket.Fd();
  {
    std::lock_guard<std::mutex> g(FSendMutex);
    FSocketFd = fd;
    FConnectionPending = false;
  }
  PduStr pending;  // taken from the output FIFO, not yet written
  char buffer[65536];
  bool open = true;
  while (open && !DisconnectRequested && !FStopping) {
    if (pending.empty() && FOutputBuffer.ByteQty() > 0) {
      std::lock_guard<std::mutex> g(FSendMutex);
      pending = FOutputBuffer.ReadAll();
      FPendingQty = pending.size();
      FConnectionPending = !pending.empty();
      if (FShowTraffic && !pending.empty()) ReportTraffic(pending, toOutgoing);
    }
    bool wantRead = true;
    if (FInputBuffer.ByteQty() >= kInputLimit) {
      // Rec resumes the input when it has taken octets; the test after raising the flag
      // closes the gap in which Rec may have emptied the FIFO already.
      FInputPaused = true;
      wantRead = FInputBuffer.ByteQty() < kInputLimit;
      if (wantRead) FInputPaused = false;
    }
    unsigned r = PollSocket(fd, wantRead, !pending.empty(), FConnectionWake.Fd(), -1);
    if (r & prWoken) FConnectionWake.Drain();
    if (wantRead && (r & (prReadable | prHangUp))) {
      int error = 0;
      long n;
      {
        std::lock_guard<std::mutex> g(FReceiveMutex);
        n = SocketReceive(fd, buffer, sizeof buffer, error);
        if (n > 0) {
          FInputBuffer.Write(buffer, static_cast<int>(n));
          if (FShowTraffic) ReportTraffic(PduStr(buffer, static_cast<size_t>(n)), toIncoming);
        }
      }
      if (n == 0 || (n < 0 && error != EAGAIN)) {
        open = false;
      }
    } else if (r & prHangUp) {
      open = false;
    }
    if (open && !pending.empty() && (r & prWritable)) {
      int error = 0;
      long n = SocketSend(fd, pending.data(), pending.size(), error);
      if (n > 0) {
        pending.erase(0, static_cast<size_t>(n));
        {
          std::lock_guard<std::mutex> g(FSendMutex);
          FPendingQty = pending.size();
          if (pending.empty()) FConnectionPending = false;
        }
        FSendSpaceCv.notify_all();
      } else if (n < 0 && error != EAGAIN) {
        open = false;
      }
    }
  }
  {
    std::lock_guard<std::mutex> g(FSendMutex);
    FSocketFd = -1;
    FPendingQty = 0;
  }
  FSendSpaceCv.notify_all();
  if (open && DisconnectRequested) {
    // What was handed to Send before Disconnect still goes out, as far as the socket takes
    // it without waiting.
    pending += FOutputBuffer.ReadAll();
    int error = 0;
    if (!pending.empty()) SocketSend(fd, pending.data(), pending.size(), error);
  }
  Socket.Close();
  OnDisconnect();
}

bool TProtocolLayerTCPServer::ReceiveWaiting() {
  if (FInputBuffer.ByteQty() > 0) return true;
  // The send lock keeps the socket open while it is read here.
  std::lock_guard<std::mutex> s(FSendMutex);
  if (FSocketFd < 0) return false;
  std::lock_guard<std::mutex> r(FReceiveMutex);
  if (FInputBuffer.ByteQty() > 0) return true;
  char buffer[16384];
  int error = 0;
  const long n = SocketReceive(FSocketFd, buffer, sizeof buffer, error);
  // The end of the connection and errors are left to the connection thread.
  if (n <= 0) return false;
  FInputBuffer.Write(buffer, static_cast<int>(n));
  if (FShowTraffic) ReportTraffic(PduStr(buffer, static_cast<size_t>(n)), toIncoming);
  return true;
}

void TProtocolLayerTCPServer::NotifySendSpace() {
  { std::lock_guard<std::mutex> g(FSendMutex); }
  FSendSpaceCv.notify_all();
}

void TProtocolLayerTCPServer::ResumeInput() {
  if (FInputPaused && FInputBuffer.ByteQty() < kInputLimit && FInputPaused.exchange(false)) FConnectionWake.Signal();
}

void TProtocolLayerTCPServer::Disconnect() {
  DisconnectRequested = true;
  FConnectionWake.Signal();
  std::unique_lock<std::mutex> g(FStateMutex);
  while (FConnected && !AbortRequested) {
    FStateCv.wait_for(g, std::chrono::milliseconds(500), [this] { return StateStop(); });
  }
}

bool TProtocolLayerTCPServer::StateStop() const { return !FConnected || AbortRequested; }

PduStr TProtocolLayerTCPServer::SendRec(TLinkAddresses* TransferContext, const PduStr& S) {
  if (!S.empty()) Send(TransferContext, S);
  return Rec(TransferContext);
}

bool TProtocolLayerTCPServer::IsConnected() { return FConnected; }

std::string TProtocolLayerTCPServer::IP() const {
  std::lock_guard<std::mutex> g(FStateMutex);
  return FPeerIP;
}

void TProtocolLayerTCPServer::SetPort(int Value) {
  if (IsConnected() && Value != FPort) throw Exception(Format("\"%s\" is connected, cannot change parameter", Name.c_str()));
  FPort = Value;
}

void TProtocolLayerTCPServer::Send(TLinkAddresses*, const PduStr& s) {
  if (!IsConnected()) RaiseProtocolLayerException(Format("\"%s\" is not connected", Name.c_str()));
  if (s.empty()) return;
  {
    std::unique_lock<std::mutex> g(FSendMutex);
    // The client whose octets the last Rec took has left: what is sent now answers it, and
    // must not reach the client that came after it.
    if (FRecEpoch != 0 && FInputBuffer.Epoch() != FRecEpoch)
      RaiseProtocolLayerException(Format("\"%s\" is not connected", Name.c_str()));
    size_t sent = 0;
    if (FSocketFd >= 0 && !FConnectionPending && FOutputBuffer.ByteQty() == 0) {
      int error = 0;
      long n = SocketSend(FSocketFd, s.data(), s.size(), error);
      if (n > 0) {
        sent = static_cast<size_t>(n);
        if (FShowTraffic) ReportTraffic(s.substr(0, sent), toOutgoing);
      }
    }
    if (sent == s.size()) return;
    FOutputBuffer.Write(s.data() + sent, static_cast<int>(s.size() - sent));
    // Room is waited for after queueing, so that what was given keeps its place.
    const int fd = FSocketFd;
    FConnectionWake.Signal();
    FSendSpaceCv.wait(g, [&] {
      return fd < 0 || FSocketFd != fd || FPendingQty + static_cast<size_t>(FOutputBuffer.ByteQty()) < kOutputLimit ||
             AbortRequested || FStopping || DisconnectRequested;
    });
  }
  FConnectionWake.Signal();
}

PduStr TProtocolLayerTCPServer::Rec(TLinkAddresses*) {
  PduStr result;
  uint64_t epoch = FInputBuffer.Epoch();
  const IClock& clock = Clock();
  const int64_t start = clock.NowMs();
  const int64_t timeout = FReceiveTimeout;
  for (;;) {
    if (!IsConnected()) {
      FInputBuffer.Clear();
      FOutputBuffer.Clear();
      RaiseProtocolLayerException(Format("\"%s\" is not connected", Name.c_str()));
    }
    uint8_t octet;
    uint64_t octetEpoch;
    if (FInputBuffer.TryReadByte(octet, octetEpoch)) {
      // A new client's stream does not continue an old client's frame.
      if (octetEpoch != epoch) {
        result.clear();
        epoch = octetEpoch;
      }
      result.push_back(static_cast<char>(octet));
      if (CheckFrameCompleteCallBack && CheckFrameCompleteCallBack(this, result)) break;
      continue;
    }
    ResumeInput();
    if (AbortRequested) break;
    const int64_t elapsed = clock.NowMs() - start;
    if (elapsed >= timeout) break;
    FInputBuffer.WaitForData(clock.WaitBudgetMs(timeout - elapsed),
                             [this] { return !FConnected || AbortRequested; });
  }
  FRecEpoch = epoch;
  ResumeInput();
  return result;
}

void TProtocolLayerTCPServer::PushBack(const PduStr& s) { FInputBuffer.PushFront(s, FRecEpoch); }

}  // namespace zv

// The lowest layer of the TCP profile: listens on a port, serves one client at a time and
// turns its socket into two octet FIFOs. A listener thread accepts a connection and waits
// for its end before it accepts the next, so further clients wait in the listen queue; the
// connection runs on a thread of its own that moves received octets into the input FIFO
// and queued octets onto the socket. Connections keep alive, so a vanished client is dropped.
#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sockets.h"
#include "transport/protocol_layer.h"

namespace zv {

class TAbortSubscription;

class TProtocolLayerTCPServer : public TProtocolLayerAbstract {
 public:
  TProtocolLayerTCPServer();
  ~TProtocolLayerTCPServer() override;

  // Listens on Port of every local address (of BindAddress when that is set).
  void StartListening();
  // Closes the connection of a client (the disconnected callback runs) and stops listening.
  void StopListening();
  bool IsListening() const;
  // The port listened on, also when Port is 0; -1 when not listening.
  int ListeningPort() const;

  void Disconnect() override;
  PduStr SendRec(TLinkAddresses* TransferContext, const PduStr& S) override;
  bool IsConnected() override;
  // Raises "not connected" also when the client the last Rec read from has left since.
  // Waits while the client leaves a lot unread, until it reads, leaves or abort comes.
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;
  PduStr Rec(TLinkAddresses* TransferContext) override;
  void PushBack(const PduStr& s) override;

  // The connected client's address; empty while no client is connected.
  std::string IP() const;
  int Port() const { return FPort; }
  void SetPort(int Value);
  bool ShowTraffic() const { return FShowTraffic; }
  void SetShowTraffic(bool Value) { FShowTraffic = Value; }
  // Milliseconds one Rec may last in all.
  int ReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(int Value) { FReceiveTimeout = Value; }
  // A numeric address to listen on instead of every local address; empty by default.
  std::string BindAddress;
  // Keep-alive of every accepted connection, so that a client that vanished without closing
  // its connection does not hold the one-client server for ever: it is dropped and the next
  // client served. Read when a connection is accepted.
  TKeepAlive KeepAlive;

  TByteCircularBuffer& InputBuffer() { return FInputBuffer; }
  TByteCircularBuffer& OutputBuffer() { return FOutputBuffer; }
  // From the caller's thread: moves what the socket holds already into the input FIFO when
  // that is empty, sparing a request the connection thread's wake-up. True when the input
  // holds octets.
  bool ReceiveWaiting();

 private:
  void ListenerThread();
  void ConnectionThread(TSocketHandle Socket, std::string PeerIP);
  void OnConnect(const std::string& PeerIP);
  void OnDisconnect();
  void ResumeInput();
  void NotifySendSpace();
  bool StateStop() const;

  std::atomic<bool> FShowTraffic{true};
  std::atomic<int> FPort{0};
  std::atomic<int> FReceiveTimeout{0};
  TByteCircularBuffer FInputBuffer;
  TByteCircularBuffer FOutputBuffer;
  std::atomic<bool> DisconnectRequested{false};
  // Send writes to the socket itself when the connection thread holds nothing unsent, which
  // saves the answer a trip through the connection thread; the lock keeps the order.
  std::mutex FSendMutex;
  int FSocketFd = -1;          // the open connection's socket, -1 when none
  bool FConnectionPending = false;  // the connection thread holds octets not yet written
  // Octets the connection thread holds, not yet written; Send waits on FSendSpaceCv (with
  // FSendMutex) while too many are unsent.
  std::atomic<size_t> FPendingQty{0};
  std::condition_variable FSendSpaceCv;
  // Held from reading the socket to writing the FIFO, so that the octets of two readers
  // keep their order.
  std::mutex FReceiveMutex;

  // Connection state, guarded by FStateMutex; FConnected mirrors "FPeerIP is not empty".
  mutable std::mutex FStateMutex;
  std::condition_variable FStateCv;
  std::string FPeerIP;
  std::atomic<bool> FConnected{false};

  TSocketHandle FListenSocket;
  std::atomic<int> FListeningPort{-1};
  std::thread FListener;
  std::thread FConnection;
  std::atomic<bool> FStopping{false};
  std::atomic<bool> FInputPaused{false};
  TWakeUp FListenerWake;
  TWakeUp FConnectionWake;
  // The input epoch of the octets the last Rec took; 0 before the first Rec.
  uint64_t FRecEpoch = 0;
  std::unique_ptr<TAbortSubscription> FAbortSubscription;
};

}  // namespace zv

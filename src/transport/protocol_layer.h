// The common base of every transport layer, and the octet FIFO that carries bytes between
// a transport's own thread and the thread that serves requests.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/errors.h"
#include "foundation/misc.h"
#include "foundation/traffic.h"

namespace zv {

class IClock;

// What a transport reads and writes of the state of the connection it carries: the
// addresses of the last request received, which its answer goes back to. The server's
// transfer context is one; a transport sees nothing else of it.
struct TLinkAddresses {
  // Client address of the last received APDU (wrapper source wPort, HDLC source address).
  int ClientId = 0;
  // Server address of the last received APDU (wrapper destination wPort, HDLC upper
  // destination address).
  int ServerId = 0;
};

// The IP version of a socket layer's peer.
enum class TIPVersion { IPv4, IPv6 };

// A layer asked for an operation it does not provide.
ZV_ERROR_CLASS(EAbstractError, Exception)

// Millisecond tick (the layers' clock, cut to 32 bits) of the last transport disconnect;
// 0 at start-up. Client layers keep their disconnect-to-connect delay against it.
extern std::atomic<uint32_t> LastDisconnectTick;

// Thread-safe octet FIFO with one producer and one consumer. Writes wake a consumer that
// waits in WaitForData. Clear starts a new epoch, so that octets taken before it can be
// told from octets of a new stream.
class TByteCircularBuffer {
 public:
  TByteCircularBuffer() = default;
  TByteCircularBuffer(const TByteCircularBuffer&) = delete;
  TByteCircularBuffer& operator=(const TByteCircularBuffer&) = delete;

  void Write(const void* aSource, int Count);
  // Appends the octets of Src and empties it.
  void TransferStr(PduStr& Src);
  // Takes Count octets from the front (all of them when Count is 0 or more than held);
  // aBuffer receives them; answers their number.
  int Read(std::vector<uint8_t>& aBuffer, int Count);
  // Takes everything held.
  PduStr ReadAll();
  // The front octet; the FIFO must not be empty.
  uint8_t ReadByte();
  // Takes the front octet when there is one, with the epoch it belongs to.
  bool TryReadByte(uint8_t& Value, uint64_t& Epoch);
  // A snapshot of the number of octets held.
  int ByteQty() const { return FQty.load(std::memory_order_acquire); }
  void Clear();

  uint64_t Epoch() const;
  // Puts octets back in front, unless the FIFO was cleared since Epoch.
  void PushFront(std::string_view s, uint64_t Epoch);
  // Waits up to Ms real milliseconds until octets are held or Stop answers true (Stop is
  // evaluated with the FIFO's lock held); answers whether octets are held.
  bool WaitForData(int64_t Ms, const std::function<bool()>& Stop);
  // Wakes WaitForData to evaluate Stop again.
  void Notify();

 private:
  void Compact();

  mutable std::mutex FMutex;
  std::condition_variable FCv;
  std::string FData;  // octets from FHead on are queued
  size_t FHead = 0;
  std::atomic<int> FQty{0};
  uint64_t FEpoch = 0;
};

class TProtocolLayerAbstract;

// Asked with every octet received so far in one receive operation; true ends it.
using TCheckFrameCompleteCallBack =
    std::function<bool(TProtocolLayerAbstract* Sender, const PduStr& CurrentReceivedBytes)>;
// Lines for the log; the callee reads them during the call only.
using TLogProc = std::function<void(const std::vector<std::string>& aStringList)>;
using TDisconnectedProc = std::function<void(TProtocolLayerAbstract* Sender)>;
using TConnectedProc = std::function<void(TProtocolLayerAbstract* Sender)>;

class TProtocolLayerAbstract {
 public:
  TProtocolLayerAbstract();
  virtual ~TProtocolLayerAbstract();
  TProtocolLayerAbstract(const TProtocolLayerAbstract&) = delete;
  TProtocolLayerAbstract& operator=(const TProtocolLayerAbstract&) = delete;

  // Prefixes the layer's errors and its traffic and log lines.
  std::string Name;
  TTrafficOptions TrafficOptions;
  // Set these before the layer is started; a layer's own thread may call them.
  TCheckFrameCompleteCallBack CheckFrameCompleteCallBack;
  TLogProc LogProc;
  TDisconnectedProc OnDisconnectedProc;
  TConnectedProc OnConnectedProc;

  virtual void Connect();
  virtual void Disconnect();
  virtual PduStr SendRec(TLinkAddresses* TransferContext, const PduStr& S);
  virtual bool IsConnected();
  virtual void Send(TLinkAddresses* TransferContext, const PduStr& s);
  virtual PduStr Rec(TLinkAddresses* TransferContext);
  virtual void DisconnectSupportingLayer();
  // Puts octets that the last Rec returned back in front of the input, for the next Rec:
  // the layer above found them to be the beginning of a frame that is not complete yet.
  // Layers without an octet stream drop them.
  virtual void PushBack(const PduStr& s);

  // Raises EProtocolLayer with Name + ":" + Message.
  [[noreturn]] void RaiseProtocolLayerException(const std::string& Message) const;

  // The clock of every time-out and delay of the layer; the process clock by default.
  const IClock& Clock() const { return *FClock.load(); }
  void SetClock(const IClock& Clock) { FClock.store(&Clock); }

 protected:
  // One traffic event: the octets or a text, with the layer's options plus Kind.
  void ReportTraffic(const PduStr& Bytes, TTrafficOption Kind) const;
  uint32_t NowTick() const;
  // Runs a callback of the layer's user on the layer's own thread: an error there is
  // logged and must not end that thread.
  static void Guarded(const std::function<void()>& Call);

 private:
  [[noreturn]] void AbstractCall(const char* Operation) const;
  std::atomic<const IClock*> FClock;
};

}  // namespace zv

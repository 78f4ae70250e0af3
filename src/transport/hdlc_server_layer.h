// The server's HDLC link over a serial port, as a secondary station. A link thread reads
// frames from the serial port layer and answers SNRM, DISC, RR, RNR and I frames on its
// own: it keeps the sequence numbers, joins segmented requests into one APDU and cuts the
// answer into I frames of at most 128 octets, one per poll of the client. The application
// meets the link only through the layer's Rec and Send and two octet FIFOs.
#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "transport/protocol_layer.h"

namespace zv {

class TAbortSubscription;
class TProtocolLayerSerial;
class THDLCServer;

// Rec while the link dropped.
ZV_ERROR_CLASS(EHDLCDisconnected, Exception)

// A process-wide Boolean whose setting wakes every HDLC link that waits for an answer.
class TNoResponseFlag {
 public:
  bool load() const noexcept { return FValue.load(); }
  operator bool() const noexcept { return load(); }
  void store(bool Value);
  TNoResponseFlag& operator=(bool Value) {
    store(Value);
    return *this;
  }

 private:
  std::atomic<bool> FValue{false};
};

// Set by the application process whenever a request ends without an answer; the link
// then stops waiting for one and answers the client's poll with RR.
extern TNoResponseFlag NoResponseGenerated;

enum THDLCServerState { hlUnknown, hlIdle, hlNDM, hlNRM };
// "Unknown", "Idle", "NDM", "NRM".
const char* HDLCServerStateName(THDLCServerState State);

enum TNRMState {
  nrmReadyToRec,         // waiting for the first I frame of a request
  nrmReceivingSegments,  // joining a segmented request
  nrmSendingSegments,    // answer segments remain to be sent
};

class TProtocolLayerHDLCServer : public TProtocolLayerAbstract {
 public:
  // Information octets per I frame, LLC header included, in both directions.
  static constexpr int kMaxInfoLength = 128;
  // The LLC header of every answer; a request's is removed.
  static constexpr const char* kLLCResponseHeader = "\xE6\xE7\x00";
  // The longest request the link joins from segments (an APDU's length has 16 bits).
  static constexpr size_t kMaxRequestSize = 65535;

  TProtocolLayerHDLCServer();
  ~TProtocolLayerHDLCServer() override;

  // The port the link runs on: set it, and the callbacks, before StartListening. Not owned.
  TProtocolLayerSerial* SerialPort() const { return FSerialPort.load(); }
  void SetSerialPort(TProtocolLayerSerial* Value) { FSerialPort.store(Value); }

  // Opens the port when it is not open and starts the link in disconnected mode.
  void StartListening();
  // Takes the link back to idle (it waits for nothing any more), then closes the port.
  void StopListening();

  // Always true: Rec waits for the next request.
  bool IsConnected() override;
  bool HasDataToSend() const { return DataToSend.ByteQty() > 0; }
  // Hands the answer to the link. An empty s tells it that no answer will come. An answer
  // to a request of a link that has dropped since is dropped too.
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;
  // The next request the link has assembled; sets the context's ClientId and ServerId from
  // its frame's addresses. Raises EHDLCDisconnected when the link drops meanwhile, and the
  // silent abort error on abort.
  PduStr Rec(TLinkAddresses* TransferContext) override;

  THDLCServerState State() const;
  // Milliseconds without a frame after which the link drops (120000).
  int InactivityTimeout() const;
  void SetInactivityTimeout(int Value);
  // Milliseconds the link waits for each further octet of a frame (100).
  int InterFrameTimeout() const;
  void SetInterFrameTimeout(int Value);

 private:
  friend class THDLCServer;
  friend class TNoResponseFlag;

  void Log(const std::string& Text);
  // The link fell from normal response mode back to disconnected mode.
  void NotifyDisconnected();
  // DataToSend was emptied.
  void NotifySendSpace();

  std::unique_ptr<THDLCServer> HDLCServer;
  TByteCircularBuffer DataReceived;
  TByteCircularBuffer DataToSend;
  std::atomic<bool> Disconnected{false};
  std::atomic<bool> NothingToSend{false};
  std::atomic<TProtocolLayerSerial*> FSerialPort{nullptr};
  // Addresses of the frame whose request was handed over last.
  std::atomic<int> FClientId{0};
  std::atomic<int> FServerId{0};
  // Counts the link's falls into and out of normal response mode, so that an answer can
  // tell the link of its request: the link's at the last hand-over, and the one of the
  // request that Rec returned last.
  std::atomic<uint64_t> FLinkGeneration{0};
  std::atomic<uint64_t> FRequestGeneration{0};
  uint64_t FAnswerGeneration = 0;
  std::mutex FSendMutex;
  std::condition_variable FSendCv;
  std::unique_ptr<TAbortSubscription> FAbortSubscription;
};

}  // namespace zv

#include "server/hdlc_session_stack.h"

#include <atomic>
#include <cstdint>

#include "foundation/errors.h"
#include "server/application_process.h"
#include "server/settings.h"
#include "server/transfer_context.h"
#include "transport/hdlc_server_layer.h"
#include "transport/serial_layer.h"

namespace zv {

namespace {

class THDLCSessionStack final : public TSessionStack {
 public:
  THDLCSessionStack(const TSessionStackCallbacks& Callbacks, const std::string& DevicePath) : FTop(*this) {
    // The link thread may call back as soon as it listens, so every callback is set first.
    FHDLC.Name = "HDLCServer";
    FHDLC.OnConnectedProc = Callbacks.OnConnected;
    FHDLC.OnDisconnectedProc = [this, cb = Callbacks.OnDisconnected](TProtocolLayerAbstract* Sender) {
      if (cb) cb(Sender);
      // Counted once the session has taken note of the drop.
      FDrops.fetch_add(1);
    };
    if (Callbacks.OnLowerLayerLog) FHDLC.LogProc = Callbacks.OnLowerLayerLog;
    FSerial.SetBaud(TFormPreferences::GetHDLCBaud());
    FSerial.SetCOMNr(TFormPreferences::GetHDLCCOMNr());
    FSerial.SetShowTraffic(true);
    FSerial.DevicePath = DevicePath;
    FHDLC.SetSerialPort(&FSerial);
    FHDLC.StartListening();
  }
  // The link goes idle and the port closes; the members then go the link first.
  ~THDLCSessionStack() override { FHDLC.StopListening(); }

  TProtocolLayerAbstract& Top() override { return FTop; }
  TProtocolLayerAbstract& Lower() override { return FHDLC; }

  // The HDLC layer's Rec is the pass's wait (it wakes on a request, a drop and abort), so
  // the pass needs no pause; the next pass starts here.
  void WaitForActivity(int64_t) override { FDropsBeforePass = FDrops.load(); }

 private:
  // What the service layer talks to: the HDLC layer, but a request is never served in the
  // association of the link before its own. A drop reported while a pass was between its
  // look at the context and the wait of Rec leaves the context of the old link in place;
  // the request then waits for the next pass, which starts with a fresh one.
  class TTop final : public TProtocolLayerAbstract {
   public:
    explicit TTop(THDLCSessionStack& Stack) : S(Stack) {}
    bool IsConnected() override { return S.FHDLC.IsConnected(); }
    void Send(TLinkAddresses* TransferContext, const PduStr& s) override { S.FHDLC.Send(TransferContext, s); }
    PduStr Rec(TLinkAddresses* TransferContext) override { return S.Rec(TransferContext); }

   private:
    THDLCSessionStack& S;
  };

  PduStr Rec(TLinkAddresses* TransferContext) {
    if (FHasKept) {
      FHasKept = false;
      if (TransferContext) {
        TransferContext->ClientId = FKeptClientId;
        TransferContext->ServerId = FKeptServerId;
      }
      return std::move(FKept);
    }
    PduStr s = FHDLC.Rec(TransferContext);
    // A request of a new link is handed over only after its drop was reported.
    if (FDrops.load() != FDropsBeforePass) {
      FKept = std::move(s);
      FHasKept = true;
      FKeptClientId = TransferContext ? TransferContext->ClientId : 0;
      FKeptServerId = TransferContext ? TransferContext->ServerId : 0;
      FDropsBeforePass = FDrops.load();
      throw ENoResponse();
    }
    return s;
  }

  // Drops reported by the link, and as many as the current pass knew of when it began.
  std::atomic<uint64_t> FDrops{0};
  uint64_t FDropsBeforePass = 0;
  PduStr FKept;
  bool FHasKept = false;
  int FKeptClientId = 0;
  int FKeptServerId = 0;

  // Declared in this order: the link, which uses the port, is freed first.
  TProtocolLayerSerial FSerial;
  TProtocolLayerHDLCServer FHDLC;
  TTop FTop;
};

}  // namespace

std::unique_ptr<TSessionStack> MakeHDLCSessionStack(const TSessionStackCallbacks& Callbacks,
                                                   const std::string& DevicePath) {
  return std::make_unique<THDLCSessionStack>(Callbacks, DevicePath);
}

}  // namespace zv

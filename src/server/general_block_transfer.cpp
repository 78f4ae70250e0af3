#include "server/general_block_transfer.h"

#include <algorithm>

#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "crypto/logging_context.h"
#include "foundation/globals.h"
#include "server/gbt.h"
#include "server/transfer_context.h"
#include "transport/protocol_layer.h"

namespace zv {

namespace {

constexpr uint8_t kGeneralBlockTransferTag = 0xE0;
// The window field of a block has six bits; a window of 0 would tell the client that
// nothing is acknowledged.
constexpr uint32_t kMaxWindow = 0x3F;

// The engine's way to the transport and the log for one call: it sends an APDU, receives
// the next one and writes trace lines. While a request is received an abort ends the
// exchange after every send; while an answer is sent the engine keeps sending until the
// client acknowledges, so an abort must end its waits too.
class TLink {
 public:
  TLink(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer, bool AbortAfterSend)
      : FContext(TransferContext), FLower(LowerLayer), FAbortAfterSend(AbortAfterSend) {}

  TGBTProtocol::TSendCOSEMPduProc SendProc() {
    return [this](const TCOSEMpdu& Pdu) { Send(Pdu); };
  }
  TGBTProtocol::TRecCOSEMPduFunc RecFunc() {
    return [this]() { return Rec(); };
  }

  void Send(const TCOSEMpdu& Pdu) {
    PduStr octets;
    Pdu.EncodeToPduStr(octets);
    FLower.Send(&FContext, octets);
    if (FAbortAfterSend) CheckUserAbort();
  }

  // The next APDU from the kept octets or the lower layer; null when nothing came.
  COSEMpduPtr Rec() {
    PduStr& buffer = FContext.ReceivedBufferInfo.Buffer;
    if (buffer.empty()) {
      try {
        buffer = FLower.Rec(&FContext);
      } catch (const ENoResponse&) {
        buffer.clear();
      }
      // A lower layer returns at once while abort is requested: without this test the
      // engine would send its stream again and again.
      CheckUserAbort();
    }
    if (buffer.empty()) return nullptr;
    COSEMpduPtr pdu;
    try {
      pdu = TCOSEMPDUHelper::MakeFromPduBuffer(buffer);
    } catch (const EMakeCOSEMPdu&) {
      // The octets travel in the error; kept, they would come back as the next request.
      buffer.clear();
      throw;
    }
    // The HDLC link waits for an answer to each frame: nothing answers a block in the
    // middle of a stream, so the link is let go at once.
    if (TCOSEMPDUHelper::IsGeneralBlockTransfer(*pdu) &&
        TGeneralBlockTransferHelper::Streaming(TCOSEMPDUHelper::AsGeneralBlockTransfer(*pdu)) &&
        FContext.CommunicationProfileInfo.Profile == cpHDLC)
      FLower.Send(&FContext, PduStr());
    return pdu;
  }

  // An abort block of the client: answered with one when the settings say so, else let
  // pass (an HDLC link is released, as nothing will answer).
  void AnswerAbort(TGBTProtocol& Engine) {
    if (FContext.GeneralBlockTransferInfo.AnswerAbortToAbort)
      Engine.SendAbortGBT(SendProc());
    else if (FContext.CommunicationProfileInfo.Profile == cpHDLC)
      FLower.Send(&FContext, PduStr());
  }

 private:
  TTransferContext& FContext;
  TProtocolLayerAbstract& FLower;
  bool FAbortAfterSend;
};

// The engine of one exchange, in the server role, with the context's settings; the context
// owns it until the next request is received.
TGBTProtocol& MakeEngine(TTransferContext& TransferContext) {
  const TGeneralBlockTransferInfo& info = TransferContext.GeneralBlockTransferInfo;
  auto engine = std::make_unique<TGBTProtocol>(gpServer);
  TGBTSettings settings;
  settings.WindowSize = static_cast<int>(std::clamp<uint32_t>(info.AdvertizedWindowSize, 1, kMaxWindow));
  settings.SendStreams = info.SendStreams;
  settings.AnswerAbortToAbort = info.AnswerAbortToAbort;
  engine->ApplySettings(settings);
  const TLoggingContext* log = TransferContext.LoggingContext;
  engine->Initialize([log](const TTraceInfo& Info) {
    if (log) log->LogString(Info.ToString());
  });
  TransferContext.GBTProtocol = std::move(engine);
  return *TransferContext.GBTProtocol;
}

// Blocks of AgreedMaxSendPduSize - 13 octets, the whole APDU in one when that is not
// positive; the last (possibly shorter) one carries LB.
void CutIntoBlocks(TGBTProtocol& Engine, int AgreedMaxSendPduSize, const PduStr& Pdu) {
  const int maxData = TGeneralBlockTransferHelper::MaxBlockDataSize(AgreedMaxSendPduSize);
  const size_t n = maxData > 0 ? static_cast<size_t>(maxData) : std::max<size_t>(Pdu.size(), 1);
  for (size_t at = 0; at < Pdu.size(); at += n) Engine.AddBlockToSQ(n >= Pdu.size() - at, Pdu.substr(at, n));
}

// A long answer goes by general block transfer when the client agreed to it; association
// and release answers and exception responses always go whole.
bool AnswerNeedsBlocks(const TTransferContext& TransferContext, const PduStr& Pdu) {
  if (Pdu.empty()) return false;
  const uint8_t tag = static_cast<uint8_t>(Pdu[0]);
  if ((tag >= 0x60 && tag <= 0x63) || tag == 0xD8) return false;
  const TConformance* conformance = TransferContext.AgreedConformance();
  if (!conformance || !conformance->IsSet(cbGeneralBlockTransfer)) return false;
  return Pdu.size() > static_cast<size_t>(std::max(TransferContext.AgreedMaxSendPduSize, 0));
}

}  // namespace

void TGeneralBlockTransfer::ReceivePdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                       PduStr& ReceivedPdu) {
  TLink link(TransferContext, LowerLayer, true);
  ReceivedPdu.clear();
  while (ReceivedPdu.empty() && !AbortRequested) {
    TransferContext.GBTProtocol.reset();
    PduStr& buffer = TransferContext.ReceivedBufferInfo.Buffer;
    if (!buffer.empty()) {
      ReceivedPdu.swap(buffer);
      buffer.clear();
    } else {
      ReceivedPdu = LowerLayer.Rec(&TransferContext);
    }
    if (ReceivedPdu.empty() || static_cast<uint8_t>(ReceivedPdu[0]) != kGeneralBlockTransferTag) {
      TransferContext.GeneralBlockTransferInfo.Valid = false;
      continue;
    }
    TGBTProtocol& engine = MakeEngine(TransferContext);
    // Octets after the first block are the client's next ones: they wait in the buffer,
    // where the engine looks first.
    COSEMpduPtr first = TCOSEMPDUHelper::MakeFromPduBuffer(ReceivedPdu);
    buffer.swap(ReceivedPdu);
    ReceivedPdu.clear();
    try {
      engine.ApplicationLayerGBT(first.get(), link.RecFunc(), link.SendProc(), ReceivedPdu);
    } catch (const EGBT& e) {
      if (e.Kind != egAbortGBTReceived) throw;
      ReceivedPdu.clear();
      link.AnswerAbort(engine);
    }
  }
  if (ReceivedPdu.empty()) CheckUserAbort();
}

void TGeneralBlockTransfer::SendPdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                    const PduStr& Pdu) {
  TGBTProtocol* engine = TransferContext.GBTProtocol.get();
  if (engine) {
    engine->SQ().Clear();
  } else if (AnswerNeedsBlocks(TransferContext, Pdu)) {
    engine = &MakeEngine(TransferContext);
  } else {
    LowerLayer.Send(&TransferContext, Pdu);
    return;
  }
  CutIntoBlocks(*engine, TransferContext.AgreedMaxSendPduSize, Pdu);
  TLink link(TransferContext, LowerLayer, false);
  try {
    if (TransferContext.Confirmed) {
      // What the client's acknowledgements carry is not a request.
      PduStr acknowledgements;
      engine->ApplicationLayerGBT(nullptr, link.RecFunc(), link.SendProc(), acknowledgements);
    } else {
      engine->ApplicationLayerGBTSendUnconfirmed(link.SendProc());
      TransferContext.GBTProtocol.reset();
    }
  } catch (const EGBT& e) {
    if (e.Kind == egNewServiceStartedByPeer && e.COSEMPdu) {
      if (TransferContext.LoggingContext) TransferContext.LoggingContext->LogString("*** New service started by peer");
      // It came before whatever is still kept, so it is served first.
      PduStr octets;
      e.COSEMPdu->EncodeToPduStr(octets);
      TransferContext.ReceivedBufferInfo.Buffer.insert(0, octets);
    } else if (e.Kind == egAbortGBTReceived) {
      link.AnswerAbort(*engine);
    } else {
      throw;
    }
  }
}

}  // namespace zv

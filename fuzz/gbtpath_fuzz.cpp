// A client that sends arbitrary octets through the general block transfer path of a
// session: requests are received (joined when they come as blocks) and answered (as blocks
// when they must be), over and over. Every input must end in requests, answers or errors,
// never a crash, a loop that sends without reading, or octets kept without bound.
//
// Input: one settings octet (bit 0: answer abort with abort, bit 1: HDLC, bit 2: confirmed
// answers, bit 3: streams, bits 4-5: agreed size 0, 20, 64 or 300, bits 6-7: answer length
// 0, 100, 1000 or 5000 octets), then one record per receive of the transport: a selector
// octet; selector % 4 == 0: nothing came; == 1: a length octet and that many octets as
// they are; otherwise a block with block control, block number, acknowledged number (one
// octet each, scaled by the selector's top bits) and a length octet followed by the data,
// then (selector % 4 == 3) a length octet and that many octets behind the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "crypto/logging_context.h"
#include "server/gbt.h"
#include "server/general_block_transfer.h"
#include "server/transfer_context.h"
#include "transport/protocol_layer.h"

using namespace zv;

namespace {

struct EndOfInput {};

// No receive hands over more than this, so the path may keep no more than a receive and
// one request it read from an earlier one.
constexpr size_t kMaxReceipt = 2 * 255 + 16;
constexpr size_t kMaxKept = 4 * kMaxReceipt;
// Sends between two receives: one stream (a window has six bits) and an abort, or every
// block of an unconfirmed answer (5000 octets in blocks of 7).
constexpr int kMaxSendsWithoutReading = 1000;

class TFuzzLayer : public TProtocolLayerAbstract {
 public:
  TFuzzLayer(const uint8_t* Data, size_t Size, TTransferContext& Context)
      : FData(Data), FSize(Size), FContext(Context) {}

  void Send(TLinkAddresses*, const PduStr& s) override {
    if (++FSendsWithoutReading > kMaxSendsWithoutReading) std::abort();
    if (!s.empty()) {
      COSEMpduPtr back = TCOSEMPDUHelper::MakeFromPdu(s);
      (void)back;
    }
  }

  PduStr Rec(TLinkAddresses*) override {
    if (FContext.ReceivedBufferInfo.Buffer.size() > kMaxKept) std::abort();
    FSendsWithoutReading = 0;
    const uint8_t sel = Byte();
    if (sel % 4 == 0) throw ENoResponse();
    if (sel % 4 == 1) return Octets(Byte());
    TGBT g;
    const int control = Byte();
    g.LB = (control & 0x80) != 0;
    g.STR = (control & 0x40) != 0;
    g.W = control & 0x3F;
    const int scale = sel >> 6;
    g.BN = (Byte() << (scale * 3)) & 0xFFFF;
    g.BNA = (Byte() << (scale * 3)) & 0xFFFF;
    g.BD = Octets(Byte());
    PduStr s = TGeneralBlockTransferHelper::MakeAPDU(g)->Encode();
    if (sel % 4 == 3) s += Octets(Byte());
    return s;
  }
  bool IsConnected() override { return true; }

 private:
  uint8_t Byte() {
    if (FPos >= FSize) throw EndOfInput();
    return FData[FPos++];
  }
  PduStr Octets(size_t n) {
    PduStr s;
    for (size_t i = 0; i < n && FPos < FSize; ++i) s.push_back(static_cast<char>(FData[FPos++]));
    return s;
  }

  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
  TTransferContext& FContext;
  int FSendsWithoutReading = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t settings = data[0];
  TTransferContext ctx;
  TFuzzLayer layer(data + 1, size - 1, ctx);

  TLoggingContext log;
  log.SetLogStringProc([](const std::string& s) {
    if (s.empty()) std::abort();
  });
  ctx.LoggingContext = &log;
  ctx.GeneralBlockTransferInfo.AnswerAbortToAbort = (settings & 1) != 0;
  ctx.CommunicationProfileInfo.Profile = (settings & 2) ? cpHDLC : cpTCP;
  ctx.Confirmed = (settings & 4) != 0;
  ctx.GeneralBlockTransferInfo.SendStreams = (settings & 8) != 0;
  ctx.GeneralBlockTransferInfo.AdvertizedWindowSize = 1;
  static const int kAgreed[] = {0, 20, 64, 300};
  static const size_t kAnswer[] = {0, 100, 1000, 5000};
  ctx.AgreedMaxSendPduSize = kAgreed[(settings >> 4) & 3];
  PduPtr c = Create(T_Conformance, xmlConformance);
  TConformance& conformance = c->As<TConformance>();
  conformance.SetDefaultValue();
  conformance.Value[cbGeneralBlockTransfer] = '1';
  ctx.SetAgreedConformance(conformance);
  PduStr answer(kAnswer[settings >> 6], 'a');
  if (!answer.empty()) answer[0] = static_cast<char>(0xC4);

  try {
    for (;;) {
      PduStr request;
      try {
        TGeneralBlockTransfer::ReceivePdu(ctx, layer, request);
      } catch (const Exception&) {
        continue;
      }
      if (request.size() > static_cast<size_t>(kGBTMaxReceivedOctets)) std::abort();
      try {
        if (!answer.empty()) TGeneralBlockTransfer::SendPdu(ctx, layer, answer);
      } catch (const Exception&) {
      }
    }
  } catch (const EndOfInput&) {
  }
  if (ctx.ReceivedBufferInfo.Buffer.size() > kMaxKept) std::abort();
  return 0;
}

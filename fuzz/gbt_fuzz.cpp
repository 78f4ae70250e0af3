// A peer that sends arbitrary general block transfer APDUs to the server's engine, first
// while it receives a request, then while it sends an answer. The engine must end with an
// EGBT error or a result, never crash or loop without reading, and never hold more block
// data than its bound.
//
// Input: one settings octet (own window, streams, lost blocks, answer length), then one
// record per receive: a selector octet; selector % 8 == 6: nothing came; == 7: a length
// octet and that many octets decoded as any APDU; otherwise a general block transfer with
// block control, block number, acknowledged number (one octet each, the numbers scaled by
// the selector's top bits) and a length octet followed by the data (selector bits 2 to 5 all
// set: one repeated octet, the length counting 64-octet units below F0 hex and 128 KiB units
// from there on).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "apdu/apdu_views.h"
#include "apdu/cosem_pdu.h"
#include "server/gbt.h"

using namespace zv;

namespace {

struct EndOfInput {};

class Peer {
 public:
  Peer(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

  bool AtEnd() const { return FPos >= FSize; }
  uint8_t Byte() {
    if (FPos >= FSize) throw EndOfInput();
    return FData[FPos++];
  }

  COSEMpduPtr Next() {
    const uint8_t sel = Byte();
    if (sel % 8 == 6) return nullptr;
    if (sel % 8 == 7) {
      const uint8_t len = Byte();
      std::string octets;
      for (int i = 0; i < len && !AtEnd(); ++i) octets.push_back(static_cast<char>(Byte()));
      try {
        return TCOSEMPDUHelper::MakeFromPdu(octets);
      } catch (const EMakeCOSEMPdu&) {
        return nullptr;
      }
    }
    TGBT g;
    const int control = Byte();
    g.LB = (control & 0x80) != 0;
    g.STR = (control & 0x40) != 0;
    g.W = control & 0x3F;
    const int scale = sel >> 6;  // numbers up to 255, or spread over the 16-bit range
    g.BN = Byte() << (scale * 3);
    g.BNA = Byte() << (scale * 3);
    g.BN &= 0xFFFF;
    g.BNA &= 0xFFFF;
    const int len = Byte();
    if ((sel & 0x3C) == 0x3C) {
      // Mostly short runs; lengths from F0 hex on give runs of 128 KiB units, so that a few
      // blocks reach the bound on what the engine holds.
      const size_t n = len < 0xF0 ? static_cast<size_t>(len) * 64 : static_cast<size_t>(len - 0xEF) << 17;
      g.BD.assign(n, static_cast<char>(sel));
      // A long run skips the octet form: copying megabytes through the encoder and decoder
      // took most of the target's time and tests nothing a short run does not.
      if (n > 4096) return TGeneralBlockTransferHelper::MakeAPDU(g);
    } else {
      for (int i = 0; i < len && !AtEnd(); ++i) g.BD.push_back(static_cast<char>(Byte()));
    }
    // Over the octet form, as a peer's block would come.
    return TCOSEMPDUHelper::MakeFromPdu(TGeneralBlockTransferHelper::MakeAPDU(g)->Encode());
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

void CheckBounds(const TGBTProtocol& engine) {
  if (engine.ReceivedOctets() > kGBTMaxReceivedOctets) std::abort();
  if (engine.RQ.Count() > kGBTMaxBlockNumber) std::abort();
  if (!engine.RQ.Check() || !engine.SQ().Check()) std::abort();
}

void Expect(const EGBT& e) {
  const bool carriesPdu = e.Kind == egNewServiceStartedByPeer || e.Kind == egUnconfirmedGBTReceived;
  if (carriesPdu != (e.COSEMPdu != nullptr)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t settings = data[0];
  Peer peer(data + 1, size - 1);

  TGBTProtocol engine(gpServer);
  TGBTSettings s;
  s.WindowSize = (settings & 7) + 1;
  s.SendStreams = (settings & 8) != 0;
  engine.ApplySettings(s);
  engine.Initialize([](const TTraceInfo& t) {
    if (t.ToString().empty()) std::abort();
  });
  if (settings & 16) {
    engine.OnGBTAPDUReceived = [](TGBTProtocol&, int count, TGBT&, bool& lost) { lost = count % 5 == 0; };
  }
  const int answerBlocks = settings >> 5;

  int sent = 0;
  auto send = [&](const TCOSEMpdu& pdu) {
    COSEMpduPtr back = TCOSEMPDUHelper::MakeFromPdu(pdu.Encode());
    if (!TCOSEMPDUHelper::IsGeneralBlockTransfer(*back)) std::abort();
    ++sent;
  };
  auto rec = [&]() {
    CheckBounds(engine);
    return peer.Next();
  };

  try {
    COSEMpduPtr first;
    while (!first) first = peer.Next();
    PduStr request;
    try {
      engine.ApplicationLayerGBT(first.get(), rec, send, request);
      if (request.size() > static_cast<size_t>(kGBTMaxReceivedOctets)) std::abort();
    } catch (const EGBT& e) {
      Expect(e);
      return 0;
    }
    engine.SQ().Clear();
    for (int i = 0; i <= answerBlocks; ++i) engine.AddBlockToSQ(i == answerBlocks, std::string(20, 'a'));
    PduStr acks;
    engine.ApplicationLayerGBT(nullptr, rec, send, acks);
  } catch (const EGBT& e) {
    Expect(e);
  } catch (const EndOfInput&) {
  }
  CheckBounds(engine);
  return 0;
}

// The DLMS wrapper: every APDU travels as one WPDU, an 8-octet header (version 1, source
// wPort, destination wPort, APDU length; each 16 bits, most significant octet first)
// followed by the APDU. Received wPorts become the context's client and server ids; an
// answer carries them swapped.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/protocol_layer.h"

namespace zv {

class TProtocolLayerWrapper : public TProtocolLayerAbstract {
 public:
  static constexpr size_t kHeaderSize = 8;
  static constexpr size_t kMaxAPduSize = 65535;

  TProtocolLayerWrapper();

  // At least 8 octets, version 0x0001, and at least as many octets after the header as the
  // length field says.
  static bool IsWPdu(std::string_view s);
  // The frame-complete test installed on the supporting layer.
  bool CheckFrameComplete(TProtocolLayerAbstract* Sender, const PduStr& CurrentReceivedBytes);

  PduStr SendRec(TLinkAddresses* TransferContext, const PduStr& s) override;
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;
  PduStr Rec(TLinkAddresses* TransferContext) override;

  // A readable rendering of a WPDU of at least 8 octets, appended to StringList.
  static void WPduGetAsStrings(std::string_view WPdu, std::vector<std::string>& StringList, int Indent);
  // The APDU of a WPDU given as hex text, as hex text.
  static std::string GetHexAPduPayLoad(std::string_view HexWPdu);

  // Not owned.
  TProtocolLayerAbstract* SupportingLayer() const { return FSupportingLayer; }
  void SetSupportingLayer(TProtocolLayerAbstract* Value) { FSupportingLayer = Value; }
  // Minimum milliseconds between the starts of two outgoing WPDUs.
  uint32_t MinOutWPduFramesDelay() const { return FMinOutWPduFramesDelay; }
  void SetMinOutWPduFramesDelay(uint32_t Value) { FMinOutWPduFramesDelay = Value; }

 private:
  TProtocolLayerAbstract* FSupportingLayer = nullptr;
  std::vector<std::string> FLogStringList;
  uint32_t FMinOutWPduFramesDelay = 0;
  uint32_t TickOfLastSend = 0;
};

}  // namespace zv

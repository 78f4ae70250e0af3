// The top-level APDU choice and its factories.
#pragma once
#include <memory>
#include <string_view>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_COSEMpdu;

// An APDU: Tag is the APDU tag (its first octet), Value the APDU object. XMLId is
// normally xmlIgnore, so that the XML form is the APDU's own element.
class TCOSEMpdu : public TChoice {
 public:
  using TChoice::TChoice;
  // Makes this the APDU of the alternative VariantId around V (or a new empty one);
  // unlike other choices the APDU keeps no element of its own (XMLId xmlIgnore).
  void CreateVariant(TXMLId variantId, PduPtr v = nullptr);

  // The Data form is the tag octet followed by the alternative's Data form.
  void DecodeData(TStringWrapper& w) override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

using COSEMpduPtr = std::unique_ptr<TCOSEMpdu>;

namespace TCOSEMPDUHelper {

// The APDU at the start of Pdu; octets after it are ignored. Decoding failures raise
// EMakeCOSEMPdu with the decoder's message and the octets.
COSEMpduPtr MakeFromPdu(std::string_view pdu);
// The APDU at the front of Buffer; on success its octets are removed from Buffer, on
// failure (EMakeCOSEMPdu with the whole buffer) Buffer stays as it was.
COSEMpduPtr MakeFromPduBuffer(PduStr& buffer);
// The APDU whose element (without wrapper) starts Xml; XML and decoder errors pass unchanged.
COSEMpduPtr MakeFromXml(std::string_view xml);
// An APDU around an alternative made elsewhere (or an empty one of the alternative's class).
COSEMpduPtr CreateVariant(TXMLId variantId, PduPtr pdu = nullptr);

}  // namespace TCOSEMPDUHelper

// Every descriptor of the xDLMS APDUs and of the APDU choice.
const TypeTable& ApduXdlmsTypes();

}  // namespace zv

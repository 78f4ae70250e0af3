// Typed views of a decoded APDU choice, and the factory of the APDU an ACSE
// user-information field carries.
#pragma once
#include <memory>
#include <string_view>

#include "apdu/acse.h"

namespace zv {

// Operations attached to the APDU choice (its factories are in cosem_pdu.h).
namespace TCOSEMPDUHelper {

// The APDU's alternative as that class; another class raises "Invalid class typecast".
// The APDU keeps ownership.
TSequence& AsAccessResponse(TChoice& pdu);
TAssociationRequest& AsAssociationRequest(TChoice& pdu);
TAssociationResponse& AsAssociationResponse(TChoice& pdu);
TSequence& AsGeneralBlockTransfer(TChoice& pdu);
TReleaseResponse& AsReleaseResponse(TChoice& pdu);
const TSequence& AsAccessResponse(const TChoice& pdu);
const TAssociationRequest& AsAssociationRequest(const TChoice& pdu);
const TAssociationResponse& AsAssociationResponse(const TChoice& pdu);
const TSequence& AsGeneralBlockTransfer(const TChoice& pdu);
const TReleaseResponse& AsReleaseResponse(const TChoice& pdu);

// The APDU is a general block transfer (tag 224).
bool IsGeneralBlockTransfer(const TChoice& pdu);

// A user-information APDU from the XML form of one APDU (its own element, no wrapper);
// text after it is ignored. Errors are not wrapped.
std::unique_ptr<TBERCOSEMpdu> MakeBERFromXml(std::string_view xml);

}  // namespace TCOSEMPDUHelper

}  // namespace zv

#include "apdu/apdu_views.h"

#include "apdu/access.h"
#include "apdu/general_apdus.h"

namespace zv {

namespace {

template <class C>
C& Alternative(const TChoice& pdu, const TypeInfo& type) {
  if (!pdu.Value || !pdu.Value->IsA(type)) throw EInvalidCast("Invalid class typecast");
  return pdu.Value->As<C>();
}

}  // namespace

namespace TCOSEMPDUHelper {

TSequence& AsAccessResponse(TChoice& pdu) { return Alternative<TSequence>(pdu, T_AccessResponse); }
TAssociationRequest& AsAssociationRequest(TChoice& pdu) {
  return Alternative<TAssociationRequest>(pdu, T_AssociationRequest);
}
TAssociationResponse& AsAssociationResponse(TChoice& pdu) {
  return Alternative<TAssociationResponse>(pdu, T_AssociationResponse);
}
TSequence& AsGeneralBlockTransfer(TChoice& pdu) { return Alternative<TSequence>(pdu, T_GeneralBlockTransfer); }
TReleaseResponse& AsReleaseResponse(TChoice& pdu) { return Alternative<TReleaseResponse>(pdu, T_ReleaseResponse); }

const TSequence& AsAccessResponse(const TChoice& pdu) { return Alternative<TSequence>(pdu, T_AccessResponse); }
const TAssociationRequest& AsAssociationRequest(const TChoice& pdu) {
  return Alternative<TAssociationRequest>(pdu, T_AssociationRequest);
}
const TAssociationResponse& AsAssociationResponse(const TChoice& pdu) {
  return Alternative<TAssociationResponse>(pdu, T_AssociationResponse);
}
const TSequence& AsGeneralBlockTransfer(const TChoice& pdu) {
  return Alternative<TSequence>(pdu, T_GeneralBlockTransfer);
}
const TReleaseResponse& AsReleaseResponse(const TChoice& pdu) {
  return Alternative<TReleaseResponse>(pdu, T_ReleaseResponse);
}

bool IsGeneralBlockTransfer(const TChoice& pdu) { return pdu.Tag == 224; }

std::unique_ptr<TBERCOSEMpdu> MakeBERFromXml(std::string_view xml) {
  TXMLParser parser(xml);
  PduPtr pdu = CreateFromXml(T_BERCOSEMpdu, xmlIgnore, parser);
  auto& ber = pdu->As<TBERCOSEMpdu>();
  pdu.release();
  return std::unique_ptr<TBERCOSEMpdu>(&ber);
}

}  // namespace TCOSEMPDUHelper

}  // namespace zv

#include "apdu/initiate.h"

#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"

namespace zv {

namespace {

constexpr MemberInfo kInitiateRequestMembers[] = {
    Opt(xmlDedicatedKey, T_OctetString),
    Opt(xmlResponseAllowed, T_Boolean),
    Opt(xmlProposedQualityOfService, T_Integer8),
    Mem(xmlProposedDlmsVersionNumber, T_Unsigned8),
    Mem(xmlProposedConformance, T_Conformance),
    Mem(xmlProposedMaxPduSize, T_Unsigned16),
};

constexpr MemberInfo kInitiateResponseMembers[] = {
    Opt(xmlNegotiatedQualityOfService, T_Integer8),
    Mem(xmlNegotiatedDlmsVersionNumber, T_Unsigned8),
    Mem(xmlNegotiatedConformance, T_Conformance),
    Mem(xmlNegotiatedMaxPduSize, T_Unsigned16),
    Mem(xmlVaaName, T_ObjectName),
};

const TSequence& Checked(const TCOSEMPduBase& pdu, const TypeInfo& type) {
  if (!pdu.IsA(type)) throw EInvalidCast("Invalid class typecast");
  return pdu.As<TSequence>();
}

}  // namespace

constinit const TypeInfo T_InitiateRequest =
    SequenceType("T_InitiateRequest", xml_InitiateRequest, kInitiateRequestMembers);
constinit const TypeInfo T_InitiateResponse =
    SequenceType("T_InitiateResponse", xml_InitiateResponse, kInitiateResponseMembers);

PduStr DedicatedKeyOf(const TCOSEMPduBase& initiateRequest) {
  const TSequence& s = Checked(initiateRequest, T_InitiateRequest);
  return s.Member(irDedicatedKey) ? s.Get<TOctetString>(irDedicatedKey).Value : PduStr();
}

uint8_t ProposedDlmsVersionNumberOf(const TCOSEMPduBase& initiateRequest) {
  return static_cast<uint8_t>(
      Checked(initiateRequest, T_InitiateRequest).Get<TNumber>(irProposedDlmsVersionNumber).AsUInt64());
}

TConformance& ProposedConformanceOf(const TCOSEMPduBase& initiateRequest) {
  return Checked(initiateRequest, T_InitiateRequest).Get<TConformance>(irProposedConformance);
}

uint16_t ProposedMaxPduSizeOf(const TCOSEMPduBase& initiateRequest) {
  return static_cast<uint16_t>(
      Checked(initiateRequest, T_InitiateRequest).Get<TNumber>(irProposedMaxPduSize).AsUInt64());
}

TConformance& NegotiatedConformanceOf(const TCOSEMPduBase& initiateResponse) {
  return Checked(initiateResponse, T_InitiateResponse).Get<TConformance>(isNegotiatedConformance);
}

uint16_t NegotiatedMaxPduSizeOf(const TCOSEMPduBase& initiateResponse) {
  return static_cast<uint16_t>(
      Checked(initiateResponse, T_InitiateResponse).Get<TNumber>(isNegotiatedMaxPduSize).AsUInt64());
}

}  // namespace zv

// The xDLMS initiate request and response (SEQUENCEs whose conformance member is BER-coded),
// with the member positions and typed reads the association handling uses.
#pragma once
#include "apdu/acse.h"
#include "apdu/conformance.h"

namespace zv {

// Positions in TSequence::Members of T_InitiateRequest.
enum TInitiateRequestMember : size_t {
  irDedicatedKey,
  irResponseAllowed,
  irProposedQualityOfService,
  irProposedDlmsVersionNumber,
  irProposedConformance,
  irProposedMaxPduSize,
};

// Positions in TSequence::Members of T_InitiateResponse.
enum TInitiateResponseMember : size_t {
  isNegotiatedQualityOfService,
  isNegotiatedDlmsVersionNumber,
  isNegotiatedConformance,
  isNegotiatedMaxPduSize,
  isVaaName,
};

// Typed reads of an initiate request; another class raises "Invalid class typecast".
PduStr DedicatedKeyOf(const TCOSEMPduBase& initiateRequest);  // empty when absent
uint8_t ProposedDlmsVersionNumberOf(const TCOSEMPduBase& initiateRequest);
TConformance& ProposedConformanceOf(const TCOSEMPduBase& initiateRequest);
uint16_t ProposedMaxPduSizeOf(const TCOSEMPduBase& initiateRequest);
// And of an initiate response.
TConformance& NegotiatedConformanceOf(const TCOSEMPduBase& initiateResponse);
uint16_t NegotiatedMaxPduSizeOf(const TCOSEMPduBase& initiateResponse);

}  // namespace zv

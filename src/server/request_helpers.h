// Single fields and bits of request APDUs, as association control and the service
// handlers read them.
#pragma once
#include <cstdint>

#include "apdu/acse.h"

namespace zv {

class TConformance;

struct TAssociationRequestHelper {
  // The mechanism name; UNKNOWN when absent.
  static TObjectIdentifier MechanismName(const TAssociationRequest& Request);
  // The application context name; UNKNOWN when absent.
  static TObjectIdentifier ContextName(const TAssociationRequest& Request);
  // The sender ACSE requirements are present and start with the authentication bit.
  static bool AuthenticationRequired(const TAssociationRequest& Request);
  // The calling authentication value; empty when absent.
  static PduStr AuthenticationValue(const TAssociationRequest& Request);
  // Of the initiate request in the user-information: "Wrong assertion (1146)" without
  // user-information, "Wrong assertion (1147)" when it holds another APDU.
  static TConformance& ProposedConformance(const TAssociationRequest& Request);
  static int ProposedMaxPduSize(const TAssociationRequest& Request);
  // A user-information is present and is not a plain initiate request.
  static bool UserInformationProtected(const TAssociationRequest& Request);
};

struct TInitiateRequestHelper {
  // Empty when absent.
  static PduStr DedicatedKey(const TCOSEMPduBase& InitiateRequest);
};

struct TReleaseRequestHelper {
  static bool UserInformationProtected(const TReleaseRequest& Request);
};

struct TLongInvokeIdAndPriorityHelper {
  static bool SelfDescriptive(uint32_t Value) { return (Value >> 28) & 1; }
  static bool BreakOnError(uint32_t Value) { return (Value >> 29) & 1; }
  static bool Confirmed(uint32_t Value) { return (Value >> 30) & 1; }
};

struct TInvokeIdAndPriorityHelper {
  // The service class bit.
  static bool Confirmed(uint8_t Value) { return (Value >> 6) & 1; }
};

}  // namespace zv

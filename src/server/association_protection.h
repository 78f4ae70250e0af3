// The keys and the protection of an association: the key store over the security setup
// object that the accepting association references, the removal of the protection of an
// AARQ's or RLRQ's user-information, and the protection of the answer's user-information
// mirroring it.
#pragma once
#include "apdu/acse.h"

namespace zv {

class TTransferContext;

namespace TAssociationProtection {

// The context's key store over its security setup object; none without one.
void MakeSecurityMaterial(TTransferContext& Context);

// Removes the protection of a ciphered association's user-information in place; the layers
// removed become the protection of the request received. A missing key store, a layer that
// fails, or a protection without both authentication and encryption raises: "No key store
// for the ciphered association", the layer's own error, NotSufficient.
void UnprotectUserInformation(TTransferContext& Context, TBERCOSEMpdu& UserInformation, const char* NotSufficient);

// Protects an answer's user-information as the request's was protected: a general signing
// answers with the titles swapped, a glo/ded ciphering (service-specific or general) with
// the server's title, authentication and encryption and a fresh invocation counter; a
// general ciphering gives no layer. Leaves the user-information as it is when no layer
// results.
void ProtectResponseUserInformation(TTransferContext& Context, TBERCOSEMpdu& UserInformation);

}  // namespace TAssociationProtection

}  // namespace zv

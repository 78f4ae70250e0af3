// The passes 3 and 4 of the high-level mechanisms that take their keys from the
// association's key store: HIGH_SECURITY_GMAC (GMAC tags under the unicast encryption and
// authentication keys) and HIGH_SECURITY_ECDSA (signatures under the signing key pairs).
#pragma once
#include "foundation/misc.h"

namespace zv {

class TTransferContext;

namespace THLSAuthentication {

// Pass 3: whether Response is the client's f(StoC). Without a key store it raises
// "<mechanism> needs the keys of a security setup object"; a key the store lacks raises
// EKeyMissing.
bool CheckGMAC(const TTransferContext& Context, const PduStr& MyChallenge, const PduStr& Response);
bool CheckECDSA(const TTransferContext& Context, const PduStr& MyChallenge, const PduStr& Response);

// Pass 4: the server's f(CtoS). The GMAC answer carries the next invocation counter of the
// server.
PduStr GMACResponse(const TTransferContext& Context, const PduStr& ClientChallenge);
PduStr ECDSAResponse(const TTransferContext& Context, const PduStr& ClientChallenge);

}  // namespace THLSAuthentication

}  // namespace zv

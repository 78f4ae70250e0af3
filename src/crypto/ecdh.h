// ECDH shared secrets on P-256 and P-384.
#pragma once
#include "crypto/ecurve.h"
#include "foundation/misc.h"

namespace zv {

// Z = x of d·Q, curve-size octets. Raises for a public key that CheckPublicKey refuses and
// "Shared secret computation error (infinity)" when d·Q is the point at infinity.
PduStr ECDHComputeSharedSecret(TCurveId id, const PduStr& privateKey, const PduStr& publicKey);

}  // namespace zv

// ECDSA on P-256 with SHA-256 and on P-384 with SHA-384. Keys and signatures are octets:
// a private key is d, a public key x then y, a signature r then s, each of the curve size.
#pragma once
#include <functional>
#include <string>

#include "crypto/ecurve.h"
#include "foundation/misc.h"

namespace zv {

// Count random octets; the default is GetRandomOctets. Tests hand in their own.
using TRandomOctets = std::function<PduStr(int count)>;
using TECLogFunc = std::function<void(const std::string& text)>;

// d drawn until 1 <= d < n, Q = d·G.
void ECDSAGenerateKeyPair(TCurveId id, PduStr& privateKey, PduStr& publicKey,
                          const TRandomOctets& random = {});
// Logs "(Random) K = %s" through Log when given. A fresh k is drawn whenever r or s is 0.
PduStr ECDSASignMessage(TCurveId id, const PduStr& message, const PduStr& privateKey,
                        const TECLogFunc& log = {}, const TRandomOctets& random = {});
// Raises for a public key that CheckPublicKey refuses; false for a signature that does not
// verify (also one of another length, or with r or s outside 1 .. n-1).
bool ECDSAVerifyMessage(TCurveId id, const PduStr& message, const PduStr& signature,
                        const PduStr& publicKey);

}  // namespace zv

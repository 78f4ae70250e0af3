#include "crypto/ecdh.h"

#include "crypto/curve_arith.h"
#include "foundation/errors.h"

namespace zv {

PduStr ECDHComputeSharedSecret(TCurveId id, const PduStr& privateKey, const PduStr& publicKey) {
  PCurveParamsBin curve = CurveParams(id);
  const size_t size = static_cast<size_t>(curve->Size());
  CheckPublicKey(curve, publicKey);
  CheckPrivateKey(curve, privateKey);
  const auto* q = reinterpret_cast<const uint8_t*>(publicKey.data());
  PduStr z(size, '\0');
  if (!curve_arith::Mul(id, q, q + size, reinterpret_cast<const uint8_t*>(privateKey.data()),
                        privateKey.size(), reinterpret_cast<uint8_t*>(z.data()), nullptr))
    throw Exception("Shared secret computation error (infinity)");
  return z;
}

}  // namespace zv

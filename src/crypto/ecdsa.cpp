#include "crypto/ecdsa.h"

#include "crypto/curve_arith.h"
#include "crypto/hex_conversions.h"
#include "crypto/prng.h"
#include "crypto/sha.h"
#include "foundation/errors.h"

namespace zv {

namespace {

const uint8_t* U8(const PduStr& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint8_t* U8(PduStr& s) { return reinterpret_cast<uint8_t*>(s.data()); }

PduStr Digest(TCurveId id, const PduStr& message) {
  return id == CurveP256 ? TSHA::SHA256(message) : TSHA::SHA384(message);
}

// A scalar 1 <= k < n from the random source. A good source needs a second draw with a
// probability of 2^-32 at most; a source that keeps failing is an error, not a hang.
PduStr RandomScalar(TCurveId id, const TRandomOctets& random) {
  const int size = CurveParams(id)->Size();
  for (int attempt = 0; attempt < 64; ++attempt) {
    PduStr k = random ? random(size) : GetRandomOctets(size);
    if (static_cast<int>(k.size()) == size && curve_arith::ScalarInRange(id, U8(k))) return k;
  }
  throw Exception("Random generator failure");
}

PduStr PrivateScalar(PCurveParamsBin curve, const PduStr& privateKey) {
  CheckPrivateKey(curve, privateKey);
  return privateKey;
}

}  // namespace

void ECDSAGenerateKeyPair(TCurveId id, PduStr& privateKey, PduStr& publicKey,
                          const TRandomOctets& random) {
  const size_t size = static_cast<size_t>(CurveParams(id)->Size());
  PduStr d = RandomScalar(id, random);
  PduStr q(2 * size, '\0');
  ZV_ASSERT(curve_arith::MulBase(id, U8(d), U8(q), U8(q) + size));
  privateKey = std::move(d);
  publicKey = std::move(q);
}

PduStr ECDSASignMessage(TCurveId id, const PduStr& message, const PduStr& privateKey,
                        const TECLogFunc& log, const TRandomOctets& random) {
  PCurveParamsBin curve = CurveParams(id);
  const size_t size = static_cast<size_t>(curve->Size());
  const PduStr e = Digest(id, message);
  const PduStr d = PrivateScalar(curve, privateKey);
  PduStr signature(2 * size, '\0');
  for (int attempt = 0; attempt < 64; ++attempt) {
    const PduStr k = RandomScalar(id, random);
    if (log) log(Format("(Random) K = %s", BinToHex(k).c_str()));
    if (curve_arith::EcdsaSign(id, U8(e), U8(d), U8(k), U8(signature), U8(signature) + size))
      return signature;
  }
  throw Exception("Signature computation error");
}

bool ECDSAVerifyMessage(TCurveId id, const PduStr& message, const PduStr& signature,
                        const PduStr& publicKey) {
  PCurveParamsBin curve = CurveParams(id);
  const size_t size = static_cast<size_t>(curve->Size());
  CheckPublicKey(curve, publicKey);
  if (signature.size() != 2 * size) return false;
  const PduStr e = Digest(id, message);
  return curve_arith::EcdsaVerify(id, U8(e), U8(signature), U8(signature) + size, U8(publicKey),
                                  U8(publicKey) + size);
}

}  // namespace zv

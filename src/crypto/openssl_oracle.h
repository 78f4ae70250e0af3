// OpenSSL as the oracle our own arithmetic is checked against.
#pragma once
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>

#include <memory>
#include <random>
#include <string>

#include "crypto/ecurve.h"
#include "foundation/errors.h"
#include "foundation/misc.h"

namespace zv::oracle {

struct BnFree { void operator()(BIGNUM* p) const { BN_free(p); } };
struct PointFree { void operator()(EC_POINT* p) const { EC_POINT_free(p); } };
struct GroupFree { void operator()(EC_GROUP* p) const { EC_GROUP_free(p); } };
struct PkeyFree { void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); } };
struct PkeyCtxFree { void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); } };
using Bn = std::unique_ptr<BIGNUM, BnFree>;
using Point = std::unique_ptr<EC_POINT, PointFree>;
using Group = std::unique_ptr<EC_GROUP, GroupFree>;
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

inline Bn NewBn() { return Bn(BN_new()); }

inline Bn BnFromOctets(const PduStr& s) {
  return Bn(BN_bin2bn(reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()),
                      nullptr));
}

inline PduStr BnToOctets(const BIGNUM* b, int size) {
  PduStr s(static_cast<size_t>(size), '\0');
  if (BN_bn2binpad(b, reinterpret_cast<unsigned char*>(s.data()), size) != size)
    throw Exception("BnToOctets: too large");
  return s;
}

inline Bn BnFromCardinal(const TLCardinal& c) {
  BIGNUM* b = nullptr;
  BN_hex2bn(&b, c.ToHexString().c_str());
  return Bn(b);
}

inline Bn BnFromInteger(const TLInteger& i) {
  Bn b = BnFromCardinal(i.FAbsValue);
  BN_set_negative(b.get(), i.FNegative ? 1 : 0);
  return b;
}

inline int Nid(TCurveId id) { return id == CurveP256 ? NID_X9_62_prime256v1 : NID_secp384r1; }
inline const char* GroupName(TCurveId id) { return id == CurveP256 ? "P-256" : "P-384"; }
inline const EVP_MD* Md(TCurveId id) { return id == CurveP256 ? EVP_sha256() : EVP_sha384(); }

inline Group NewGroup(TCurveId id) { return Group(EC_GROUP_new_by_curve_name(Nid(id))); }

// x then y of k·G or k·P.
inline PduStr Mul(TCurveId id, const PduStr& k, const PduStr* pointXY = nullptr) {
  Group g = NewGroup(id);
  int size = CurveParams(id)->Size();
  Point r(EC_POINT_new(g.get()));
  Bn kb = BnFromOctets(k);
  if (pointXY) {
    Point p(EC_POINT_new(g.get()));
    Bn x = BnFromOctets(pointXY->substr(0, static_cast<size_t>(size)));
    Bn y = BnFromOctets(pointXY->substr(static_cast<size_t>(size)));
    EC_POINT_set_affine_coordinates(g.get(), p.get(), x.get(), y.get(), nullptr);
    EC_POINT_mul(g.get(), r.get(), nullptr, p.get(), kb.get(), nullptr);
  } else {
    EC_POINT_mul(g.get(), r.get(), kb.get(), nullptr, nullptr, nullptr);
  }
  if (EC_POINT_is_at_infinity(g.get(), r.get())) return PduStr();
  Bn x = NewBn(), y = NewBn();
  EC_POINT_get_affine_coordinates(g.get(), r.get(), x.get(), y.get(), nullptr);
  return BnToOctets(x.get(), size) + BnToOctets(y.get(), size);
}

// An EVP key from our octet forms (public key x then y; private key optional).
inline Pkey KeyFromOctets(TCurveId id, const PduStr& publicKey, const PduStr& privateKey = {}) {
  OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
  std::string pub = "\x04" + publicKey;
  OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, GroupName(id), 0);
  OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, pub.data(), pub.size());
  Bn priv = BnFromOctets(privateKey);
  if (!privateKey.empty()) OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_PRIV_KEY, priv.get());
  OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  EVP_PKEY_fromdata_init(ctx.get());
  EVP_PKEY_fromdata(ctx.get(), &key, privateKey.empty() ? EVP_PKEY_PUBLIC_KEY : EVP_PKEY_KEYPAIR,
                    params);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(bld);
  return Pkey(key);
}

inline Pkey NewKey(TCurveId id) { return Pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", GroupName(id))); }

inline PduStr PublicKeyOf(EVP_PKEY* key) {
  unsigned char buf[200];
  size_t len = 0;
  EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, buf, sizeof buf, &len);
  return PduStr(reinterpret_cast<char*>(buf) + 1, len - 1);  // without the 04 prefix
}

inline PduStr PrivateKeyOf(EVP_PKEY* key, int size) {
  BIGNUM* d = nullptr;
  EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY, &d);
  Bn owned(d);
  return BnToOctets(d, size);
}

// r then s to DER and back.
inline std::string SignatureToDer(const PduStr& rs) {
  size_t half = rs.size() / 2;
  ECDSA_SIG* sig = ECDSA_SIG_new();
  ECDSA_SIG_set0(sig, BnFromOctets(rs.substr(0, half)).release(), BnFromOctets(rs.substr(half)).release());
  unsigned char* der = nullptr;
  int len = i2d_ECDSA_SIG(sig, &der);
  std::string out(reinterpret_cast<char*>(der), static_cast<size_t>(len));
  OPENSSL_free(der);
  ECDSA_SIG_free(sig);
  return out;
}

inline PduStr SignatureFromDer(const std::string& der, int size) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size()));
  PduStr out = BnToOctets(ECDSA_SIG_get0_r(sig), size) + BnToOctets(ECDSA_SIG_get0_s(sig), size);
  ECDSA_SIG_free(sig);
  return out;
}

inline bool Verify(TCurveId id, EVP_PKEY* key, const PduStr& message, const PduStr& signature) {
  MdCtx ctx(EVP_MD_CTX_new());
  std::string der = SignatureToDer(signature);
  EVP_DigestVerifyInit(ctx.get(), nullptr, Md(id), nullptr, key);
  return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(der.data()), der.size(),
                          reinterpret_cast<const unsigned char*>(message.data()),
                          message.size()) == 1;
}

inline PduStr Sign(TCurveId id, EVP_PKEY* key, const PduStr& message) {
  MdCtx ctx(EVP_MD_CTX_new());
  EVP_DigestSignInit(ctx.get(), nullptr, Md(id), nullptr, key);
  unsigned char der[200];
  size_t len = sizeof der;
  EVP_DigestSign(ctx.get(), der, &len, reinterpret_cast<const unsigned char*>(message.data()),
                 message.size());
  return SignatureFromDer(std::string(reinterpret_cast<char*>(der), len), CurveParams(id)->Size());
}

inline PduStr Derive(EVP_PKEY* own, EVP_PKEY* peer) {
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, own, nullptr));
  EVP_PKEY_derive_init(ctx.get());
  EVP_PKEY_derive_set_peer(ctx.get(), peer);
  unsigned char z[100];
  size_t len = sizeof z;
  EVP_PKEY_derive(ctx.get(), z, &len);
  return PduStr(reinterpret_cast<char*>(z), len);
}

inline PduStr Digest(const EVP_MD* md, const PduStr& s) {
  unsigned char out[64];
  unsigned int len = 0;
  EVP_Digest(s.data(), s.size(), out, &len, md, nullptr);
  return PduStr(reinterpret_cast<char*>(out), len);
}

// Seeded random octets for reproducible tables of cases.
class SeededOctets {
 public:
  explicit SeededOctets(uint64_t seed) : gen_(seed) {}
  PduStr operator()(int count) {
    PduStr s(static_cast<size_t>(count), '\0');
    for (auto& c : s) c = static_cast<char>(gen_() & 0xFF);
    return s;
  }
  uint64_t Next() { return gen_(); }

 private:
  std::mt19937_64 gen_;
};

}  // namespace zv::oracle

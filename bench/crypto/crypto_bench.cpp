// Our curve arithmetic side by side with OpenSSL's on the same operations: ECDSA sign and
// verify (hash included) and ECDH with a check of the peer key, on P-256 and P-384.
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <string>

#include "crypto/elliptic_stuff_interface.h"

using namespace zv;

namespace {

const char* GroupName(int suite) { return suite == 1 ? "P-256" : "P-384"; }
const EVP_MD* Md(int suite) { return suite == 1 ? EVP_sha256() : EVP_sha384(); }
const std::string kMessage(200, 'm');

EVP_PKEY* NewKey(int suite) { return EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", GroupName(suite)); }

std::string PublicKeyOf(EVP_PKEY* key) {
  unsigned char buf[200];
  size_t len = 0;
  EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, buf, sizeof buf, &len);
  return std::string(reinterpret_cast<char*>(buf) + 1, len - 1);
}

void OursSign(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  PduStr priv, pub, sig;
  ECGenerateKeyPair(suite, priv, pub);
  for (auto _ : state) {
    if (!ECDSASign(suite, kMessage, priv, sig)) state.SkipWithError("sign failed");
    benchmark::DoNotOptimize(sig);
  }
}

void OpenSSLSign(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  EVP_PKEY* key = NewKey(suite);
  unsigned char der[200];
  for (auto _ : state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    size_t len = sizeof der;
    EVP_DigestSignInit(ctx, nullptr, Md(suite), nullptr, key);
    if (EVP_DigestSign(ctx, der, &len, reinterpret_cast<const unsigned char*>(kMessage.data()),
                       kMessage.size()) != 1)
      state.SkipWithError("sign failed");
    EVP_MD_CTX_free(ctx);
  }
  EVP_PKEY_free(key);
}

void OursVerify(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  PduStr priv, pub, sig;
  ECGenerateKeyPair(suite, priv, pub);
  ECDSASign(suite, kMessage, priv, sig);
  for (auto _ : state) {
    bool valid = false;
    if (!ECDSAVerify(suite, kMessage, sig, valid, pub) || !valid) state.SkipWithError("verify failed");
  }
}

void OpenSSLVerify(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  EVP_PKEY* key = NewKey(suite);
  unsigned char der[200];
  size_t len = sizeof der;
  EVP_MD_CTX* sctx = EVP_MD_CTX_new();
  EVP_DigestSignInit(sctx, nullptr, Md(suite), nullptr, key);
  EVP_DigestSign(sctx, der, &len, reinterpret_cast<const unsigned char*>(kMessage.data()), kMessage.size());
  EVP_MD_CTX_free(sctx);
  for (auto _ : state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestVerifyInit(ctx, nullptr, Md(suite), nullptr, key);
    if (EVP_DigestVerify(ctx, der, len, reinterpret_cast<const unsigned char*>(kMessage.data()),
                         kMessage.size()) != 1)
      state.SkipWithError("verify failed");
    EVP_MD_CTX_free(ctx);
  }
  EVP_PKEY_free(key);
}

void OursECDH(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  PduStr priv, pub, z;
  ECGenerateKeyPair(suite, priv, pub);
  EVP_PKEY* peer = NewKey(suite);
  const PduStr peerPub = PublicKeyOf(peer);
  for (auto _ : state) {
    if (!ECDHSharedSecret(suite, priv, peerPub, z)) state.SkipWithError("ECDH failed");
    benchmark::DoNotOptimize(z);
  }
  EVP_PKEY_free(peer);
}

void OpenSSLECDH(benchmark::State& state) {
  const int suite = static_cast<int>(state.range(0));
  EVP_PKEY* own = NewKey(suite);
  EVP_PKEY* peer = NewKey(suite);
  unsigned char z[100];
  for (auto _ : state) {
    // The peer key is checked on setting it, as ours is.
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, own, nullptr);
    size_t len = sizeof z;
    EVP_PKEY_derive_init(ctx);
    EVP_PKEY_derive_set_peer(ctx, peer);
    if (EVP_PKEY_derive(ctx, z, &len) != 1) state.SkipWithError("derive failed");
    EVP_PKEY_CTX_free(ctx);
  }
  EVP_PKEY_free(own);
  EVP_PKEY_free(peer);
}

}  // namespace

// Argument: the security suite (1 = P-256, 2 = P-384).
BENCHMARK(OursSign)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSSLSign)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursVerify)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSSLVerify)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursECDH)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSSLECDH)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Shared by the security tests: a key store test double holding keys of both parties,
// a log sink that keeps its lines, and the octets of a DLMS client side written directly
// with OpenSSL (never with the layers under test).
#pragma once
#include <openssl/evp.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "crypto/logging_context.h"
#include "crypto/openssl_oracle.h"
#include "foundation/codec.h"
#include "foundation/errors.h"
#include "security/security_material.h"
#include "support/error_of.h"

namespace zv::test {

inline PduStr H(const char* hex) { return HexStrToByteStr(hex); }
inline std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

// The two parties: the client's title is the one of the standard's published example.
inline const PduStr kClientTitle = H("4D4D4D0000BC614E");
inline const PduStr kServerTitle = H("5A52560000000001");

namespace client {

// A fresh key pair of a suite's curve (1: P-256, 2: P-384), made by OpenSSL.
inline TKeyPair NewPair(int suite) {
  const TCurveId id = suite == 1 ? CurveP256 : CurveP384;
  oracle::Pkey key = oracle::NewKey(id);
  if (!key) throw Exception("client: key generation failed");
  return TKeyPair{oracle::PrivateKeyOf(key.get(), CurveParams(id)->Size()), oracle::PublicKeyOf(key.get())};
}

}  // namespace client

// A key store of fixed symmetric keys and of key pairs made with OpenSSL. It holds the
// private keys of both parties, so that what one side protects the other can remove.
class TFakeSecurityMaterial : public TSecurityMaterial {
 public:
  explicit TFakeSecurityMaterial(int suite) : Suite(suite) {
    const bool longKeys = suite == 2;
    Keys[kiGUEK] = longKeys ? H("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F")
                            : H("000102030405060708090A0B0C0D0E0F");
    Keys[kiGBEK] = PduStr(longKeys ? 32 : 16, '\x42');
    Keys[kiKEK] = longKeys ? H("606162636465666768696A6B6C6D6E6F707172737475767778797A7B7C7D7E7F")
                           : H("606162636465666768696A6B6C6D6E6F");
    Keys[kiGAK] = longKeys ? H("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDFE0E1E2E3E4E5E6E7E8E9EAEBECEDEEEF")
                           : H("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
    Keys[kiDEK] = longKeys ? PduStr(32, '\x5D') : PduStr(16, '\x5D');
    if (suite >= 1) {
      for (const PduStr& title : {kClientTitle, kServerTitle})
        for (TKeyPairType type : {kpSigning, kpAgreement, kpEphemeral}) Pairs[{title, type}] = NewPair();
    }
  }

  TKeyPair NewPair() const { return client::NewPair(Suite); }

  PduStr GetSymmetricKey(TKeyId KeyId) override {
    auto it = Keys.find(KeyId);
    if (it == Keys.end()) throw EKeyMissing("No " + DisplayName(KeyId) + " key");
    return it->second;
  }
  PduStr ReplaceSymmetricKey(TKeyId KeyId, const PduStr& Value) override {
    PduStr old = Keys[KeyId];
    Keys[KeyId] = Value;
    return old;
  }
  int GetSecuritySuite() override { return Suite; }
  PduStr GetPublicKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    auto it = Pairs.find({SystemTitle, KeyPairType});
    if (it == Pairs.end() || it->second.PublicKey.empty())
      throw EKeyMissing(Format("No %s public key for %s found", DisplayName(KeyPairType).c_str(),
                               ByteStrToFormatedString(SystemTitle).c_str()));
    return it->second.PublicKey;
  }
  PduStr GetPrivateKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    auto it = Pairs.find({SystemTitle, KeyPairType});
    if (it == Pairs.end() || it->second.PrivateKey.empty())
      throw EKeyMissing(Format("Private key for %s is not available", ByteStrToFormatedString(SystemTitle).c_str()));
    return it->second.PrivateKey;
  }
  TKeyPair GetKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    return TKeyPair{GetPrivateKey(SystemTitle, KeyPairType), GetPublicKey(SystemTitle, KeyPairType)};
  }

  int Suite;
  std::map<TKeyId, PduStr> Keys;
  std::map<std::pair<PduStr, TKeyPairType>, TKeyPair> Pairs;
};

// A log sink that keeps every line.
struct TLogCapture {
  TLoggingContext Context;
  std::vector<std::string> Lines;
  TLogCapture() {
    Context.SetLogStringProc([this](const std::string& s) { Lines.push_back(s); });
    Context.SetLogProtocolItemProc([this](const TCOSEMPduBase*, const std::string& title, int) {
      Lines.push_back(title);
    });
  }
  bool Has(const std::string& line) const {
    for (const auto& l : Lines)
      if (l == line) return true;
    return false;
  }
};

// ---- The client side, with OpenSSL alone --------------------------------------------

namespace client {

inline const unsigned char* U(const PduStr& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// A-XDR length and octets.
inline PduStr Octets(const PduStr& s) {
  PduStr out;
  if (s.size() < 0x80) {
    out.push_back(static_cast<char>(s.size()));
  } else if (s.size() < 0x100) {
    out += '\x81';
    out.push_back(static_cast<char>(s.size()));
  } else {
    out += '\x82';
    out.push_back(static_cast<char>(s.size() >> 8));
    out.push_back(static_cast<char>(s.size() & 0xFF));
  }
  return out + s;
}

// Reads A-XDR octet strings and single octets off a received APDU.
class Reader {
 public:
  explicit Reader(PduStr s) : s_(std::move(s)) {}
  uint8_t Byte() {
    if (pos_ >= s_.size()) throw Exception("client: APDU too short");
    return static_cast<uint8_t>(s_[pos_++]);
  }
  PduStr OctetString() {
    size_t len = Byte();
    if (len == 0x81) {
      len = Byte();
    } else if (len == 0x82) {
      len = Byte();
      len = len << 8 | Byte();
    }
    if (pos_ + len > s_.size()) throw Exception("client: APDU too short");
    PduStr r = s_.substr(pos_, len);
    pos_ += len;
    return r;
  }
  bool AtEnd() const { return pos_ == s_.size(); }

 private:
  PduStr s_;
  size_t pos_ = 0;
};

inline const EVP_CIPHER* Gcm(const PduStr& key) { return key.size() == 32 ? EVP_aes_256_gcm() : EVP_aes_128_gcm(); }

// SC, FC and the ciphered information of the given control octet (its suite bits as given).
inline PduStr GcmProtect(uint8_t sc, uint32_t fc, const PduStr& title, const PduStr& plain, const PduStr& ek,
                         const PduStr& ak, const PduStr& extraAad = PduStr()) {
  PduStr header(1, static_cast<char>(sc));
  for (int i = 3; i >= 0; --i) header.push_back(static_cast<char>(fc >> (8 * i)));
  const bool auth = sc & 0x10, enc = sc & 0x20;
  if (!auth && !enc) return header + plain;
  const PduStr iv = title + header.substr(1);
  const PduStr aad = auth ? PduStr(1, static_cast<char>(sc)) + ak + extraAad + (enc ? PduStr() : plain) : PduStr();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, Gcm(ek), nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
  EVP_EncryptInit_ex(ctx, nullptr, nullptr, U(ek), U(iv));
  int len = 0;
  if (!aad.empty()) EVP_EncryptUpdate(ctx, nullptr, &len, U(aad), static_cast<int>(aad.size()));
  PduStr out(plain.size() + 16, '\0');
  int outLen = 0;
  if (enc) {
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &outLen, U(plain),
                      static_cast<int>(plain.size()));
  }
  EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + outLen, &len);
  out.resize(static_cast<size_t>(outLen + len));
  PduStr tag(12, '\0');
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 12, tag.data());
  EVP_CIPHER_CTX_free(ctx);
  return header + (enc ? out : plain) + (auth ? tag : PduStr());
}

struct Unprotected {
  uint8_t sc = 0;
  uint32_t fc = 0;
  PduStr plain;
};

// Raises when the tag does not verify.
inline Unprotected GcmUnprotect(const PduStr& title, const PduStr& info, const PduStr& ek, const PduStr& ak,
                                const PduStr& extraAad = PduStr()) {
  if (info.size() < 5) throw Exception("client: ciphered information too short");
  Unprotected u;
  u.sc = static_cast<uint8_t>(info[0]);
  for (int i = 1; i <= 4; ++i) u.fc = u.fc << 8 | static_cast<uint8_t>(info[static_cast<size_t>(i)]);
  const bool auth = u.sc & 0x10, enc = u.sc & 0x20;
  if (!auth && !enc) {
    u.plain = info.substr(5);
    return u;
  }
  const PduStr body = info.substr(5, info.size() - 5 - (auth ? 12 : 0));
  PduStr tag = auth ? info.substr(info.size() - 12) : PduStr();
  const PduStr iv = title + info.substr(1, 4);
  const PduStr aad = auth ? PduStr(1, static_cast<char>(u.sc)) + ak + extraAad + (enc ? PduStr() : body) : PduStr();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, Gcm(ek), nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
  EVP_DecryptInit_ex(ctx, nullptr, nullptr, U(ek), U(iv));
  int len = 0;
  if (!aad.empty()) EVP_DecryptUpdate(ctx, nullptr, &len, U(aad), static_cast<int>(aad.size()));
  PduStr out(body.size() + 16, '\0');
  int outLen = 0;
  if (enc)
    EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &outLen, U(body),
                      static_cast<int>(body.size()));
  if (auth) EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 12, tag.data());
  const int ok = EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + outLen, &len);
  EVP_CIPHER_CTX_free(ctx);
  if (auth && ok <= 0) throw Exception("client: tag mismatch");
  out.resize(static_cast<size_t>(outLen + (ok > 0 ? len : 0)));
  u.plain = enc ? out : body;
  return u;
}

inline const EVP_CIPHER* Wrapper(const PduStr& kek) {
  return kek.size() == 32 ? EVP_aes_256_wrap() : EVP_aes_128_wrap();
}

inline PduStr KeyWrap(const PduStr& key, const PduStr& kek, bool wrap) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, Wrapper(kek), nullptr, U(kek), nullptr, wrap ? 1 : 0);
  PduStr out(key.size() + 16, '\0');
  int len = 0, fin = 0;
  const int ok = EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len, U(key),
                                  static_cast<int>(key.size()));
  EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + len, &fin);
  EVP_CIPHER_CTX_free(ctx);
  if (ok <= 0) throw Exception("client: key wrap failed");
  out.resize(static_cast<size_t>(len + fin));
  return out;
}

// The single-step KDF of key agreement: hash(00000001 || Z || OtherInfo), cut to the key size.
inline PduStr Kdf(int suite, const PduStr& z, const PduStr& partU, const PduStr& partV) {
  const PduStr algorithm = H(suite == 1 ? "60857405080300" : "60857405080301");
  const PduStr digest = oracle::Digest(suite == 1 ? EVP_sha256() : EVP_sha384(),
                                       H("00000001") + z + algorithm + partU + partV);
  return digest.substr(0, suite == 1 ? 16 : 32);
}

inline TCurveId Curve(int suite) { return suite == 1 ? CurveP256 : CurveP384; }

inline oracle::Pkey PublicKey(int suite, const PduStr& pub) { return oracle::KeyFromOctets(Curve(suite), pub); }
inline oracle::Pkey KeyPair(int suite, const TKeyPair& pair) {
  return oracle::KeyFromOctets(Curve(suite), pair.PublicKey, pair.PrivateKey);
}

inline PduStr Sign(int suite, const TKeyPair& signer, const PduStr& message) {
  return oracle::Sign(Curve(suite), KeyPair(suite, signer).get(), message);
}
inline bool Verify(int suite, const PduStr& publicKey, const PduStr& message, const PduStr& signature) {
  return oracle::Verify(Curve(suite), PublicKey(suite, publicKey).get(), message, signature);
}
inline PduStr SharedSecret(int suite, const TKeyPair& own, const PduStr& peerPublic) {
  return oracle::Derive(KeyPair(suite, own).get(), PublicKey(suite, peerPublic).get());
}

}  // namespace client

}  // namespace zv::test

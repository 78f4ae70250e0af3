#include "support/secure_client.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <stdexcept>

namespace zv::test::secure {

namespace {

const unsigned char* U(const PduStr& s) { return reinterpret_cast<const unsigned char*>(s.data()); }
unsigned char* U(PduStr& s) { return reinterpret_cast<unsigned char*>(s.data()); }

[[noreturn]] void Fail(const std::string& What) { throw std::runtime_error("secure client: " + What); }

PduStr Counter(uint32_t FC) {
  PduStr s;
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>(FC >> (8 * i)));
  return s;
}

const EVP_CIPHER* Gcm(const PduStr& Key) { return Key.size() == 32 ? EVP_aes_256_gcm() : EVP_aes_128_gcm(); }

size_t CurveSize(int Suite) { return Suite == 2 ? 48 : 32; }
const char* GroupName(int Suite) { return Suite == 2 ? "P-384" : "P-256"; }
const EVP_MD* Hash(int Suite) { return Suite == 2 ? EVP_sha384() : EVP_sha256(); }

PduStr Digest(const EVP_MD* Md, const PduStr& Data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(Data.data(), Data.size(), out, &length, Md, nullptr) != 1) Fail("digest");
  return PduStr(reinterpret_cast<const char*>(out), length);
}

EVP_PKEY* Pkey(void* p) { return static_cast<EVP_PKEY*>(p); }

PduStr BnOctets(const BIGNUM* b, size_t Size) {
  PduStr s(Size, '\0');
  if (BN_bn2binpad(b, U(s), static_cast<int>(Size)) != static_cast<int>(Size)) Fail("number too large");
  return s;
}

// r ‖ s to DER and back.
std::string ToDer(const PduStr& Rs) {
  const size_t half = Rs.size() / 2;
  ECDSA_SIG* sig = ECDSA_SIG_new();
  ECDSA_SIG_set0(sig, BN_bin2bn(U(Rs), static_cast<int>(half), nullptr),
                 BN_bin2bn(U(Rs) + half, static_cast<int>(half), nullptr));
  unsigned char* der = nullptr;
  const int length = i2d_ECDSA_SIG(sig, &der);
  std::string out(reinterpret_cast<char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  ECDSA_SIG_free(sig);
  return out;
}

PduStr FromDer(const unsigned char* Der, size_t Length, size_t Size) {
  const unsigned char* p = Der;
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(Length));
  if (!sig) Fail("signature");
  PduStr out = BnOctets(ECDSA_SIG_get0_r(sig), Size) + BnOctets(ECDSA_SIG_get0_s(sig), Size);
  ECDSA_SIG_free(sig);
  return out;
}

// Reads A-XDR octet strings off an APDU's body.
class TReader {
 public:
  explicit TReader(PduStr s) : FData(std::move(s)) {}
  uint8_t Byte() {
    if (FPos >= FData.size()) Fail("APDU too short");
    return static_cast<uint8_t>(FData[FPos++]);
  }
  PduStr OctetString() {
    size_t length = Byte();
    if (length == 0x81) {
      length = Byte();
    } else if (length == 0x82) {
      length = Byte();
      length = length << 8 | Byte();
    } else if (length > 0x80) {
      Fail("length form");
    }
    if (FPos + length > FData.size()) Fail("APDU too short");
    PduStr r = FData.substr(FPos, length);
    FPos += length;
    return r;
  }
  bool AtEnd() const { return FPos == FData.size(); }

 private:
  PduStr FData;
  size_t FPos = 0;
};

const char* const kOidPrefix = "\x60\x85\x74\x05\x08";

PduStr ContextOid(const std::string& Name) {
  const char* names[] = {"LN", "SN", "LN_WITH_CIPHERING", "SN_WITH_CIPHERING"};
  for (int i = 0; i < 4; ++i)
    if (Name == names[i]) return PduStr(kOidPrefix, 5) + '\x01' + static_cast<char>(i + 1);
  Fail("context " + Name);
}

PduStr MechanismOid(const std::string& Name) {
  const char* names[] = {"NO_SECURITY",        "LOW_SECURITY",        "HIGH_SECURITY",        "HIGH_SECURITY_MD5",
                         "HIGH_SECURITY_SHA1", "HIGH_SECURITY_GMAC", "HIGH_SECURITY_SHA256", "HIGH_SECURITY_ECDSA"};
  for (int i = 0; i < 8; ++i)
    if (Name == names[i]) return PduStr(kOidPrefix, 5) + '\x02' + static_cast<char>(i);
  Fail("mechanism " + Name);
}

bool Ciphered(const std::string& Context) { return Context.find("CIPHERING") != std::string::npos; }

const PduStr kTransactionId = "\x01\x02\x03\x04\x05\x06\x07\x08";

}  // namespace

// ---- Primitives ------------------------------------------------------------------------

PduStr Octets(const PduStr& Value) {
  PduStr out;
  if (Value.size() < 0x80) {
    out.push_back(static_cast<char>(Value.size()));
  } else if (Value.size() < 0x100) {
    out += '\x81';
    out.push_back(static_cast<char>(Value.size()));
  } else {
    out += '\x82';
    out.push_back(static_cast<char>(Value.size() >> 8));
    out.push_back(static_cast<char>(Value.size() & 0xFF));
  }
  return out + Value;
}

PduStr Ber(uint8_t Tag, const PduStr& Contents) {
  // BER's definite lengths have the same form as A-XDR's up to 0xFFFF octets.
  return PduStr(1, static_cast<char>(Tag)) + Octets(Contents);
}

PduStr GcmProtect(uint8_t SC, uint32_t FC, const PduStr& Title, const PduStr& Plain, const PduStr& EK,
                  const PduStr& AK, const PduStr& ExtraAad) {
  const PduStr header = PduStr(1, static_cast<char>(SC)) + Counter(FC);
  const bool auth = SC & 0x10, enc = SC & 0x20;
  if (!auth && !enc) return header + Plain;
  const PduStr iv = Title + Counter(FC);
  const PduStr aad = auth ? PduStr(1, static_cast<char>(SC)) + AK + ExtraAad + (enc ? PduStr() : Plain) : PduStr();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, Gcm(EK), nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
  EVP_EncryptInit_ex(ctx, nullptr, nullptr, U(EK), U(iv));
  int length = 0;
  if (!aad.empty()) EVP_EncryptUpdate(ctx, nullptr, &length, U(aad), static_cast<int>(aad.size()));
  PduStr out(Plain.size() + 16, '\0');
  int outLength = 0;
  if (enc) EVP_EncryptUpdate(ctx, U(out), &outLength, U(Plain), static_cast<int>(Plain.size()));
  EVP_EncryptFinal_ex(ctx, U(out) + outLength, &length);
  out.resize(static_cast<size_t>(outLength + length));
  PduStr tag(16, '\0');
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag.data());
  EVP_CIPHER_CTX_free(ctx);
  return header + (enc ? out : Plain) + (auth ? tag.substr(0, 12) : PduStr());
}

TDeciphered GcmUnprotect(const PduStr& Title, const PduStr& Information, const PduStr& EK, const PduStr& AK,
                         const PduStr& ExtraAad) {
  if (Information.size() < 5) Fail("ciphered information too short");
  TDeciphered d;
  d.SC = static_cast<uint8_t>(Information[0]);
  for (size_t i = 1; i <= 4; ++i) d.FC = d.FC << 8 | static_cast<uint8_t>(Information[i]);
  const bool auth = d.SC & 0x10, enc = d.SC & 0x20;
  if (!auth && !enc) {
    d.Plain = Information.substr(5);
    return d;
  }
  if (auth && Information.size() < 17) Fail("ciphered information too short");
  const PduStr body = Information.substr(5, Information.size() - 5 - (auth ? 12 : 0));
  PduStr tag = auth ? Information.substr(Information.size() - 12) : PduStr();
  const PduStr iv = Title + Information.substr(1, 4);
  const PduStr aad = auth ? PduStr(1, static_cast<char>(d.SC)) + AK + ExtraAad + (enc ? PduStr() : body) : PduStr();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, Gcm(EK), nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
  EVP_DecryptInit_ex(ctx, nullptr, nullptr, U(EK), U(iv));
  int length = 0;
  if (!aad.empty()) EVP_DecryptUpdate(ctx, nullptr, &length, U(aad), static_cast<int>(aad.size()));
  PduStr out(body.size() + 16, '\0');
  int outLength = 0;
  if (enc) EVP_DecryptUpdate(ctx, U(out), &outLength, U(body), static_cast<int>(body.size()));
  if (auth) EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 12, tag.data());
  const int ok = EVP_DecryptFinal_ex(ctx, U(out) + outLength, &length);
  EVP_CIPHER_CTX_free(ctx);
  if (auth && ok <= 0) Fail("tag does not verify");
  out.resize(static_cast<size_t>(outLength + (ok > 0 ? length : 0)));
  d.Plain = enc ? out : body;
  return d;
}

PduStr KeyWrap(const PduStr& Key, const PduStr& Kek) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  EVP_EncryptInit_ex(ctx, Kek.size() == 32 ? EVP_aes_256_wrap() : EVP_aes_128_wrap(), nullptr, U(Kek), nullptr);
  PduStr out(Key.size() + 16, '\0');
  int length = 0, final = 0;
  const int ok = EVP_EncryptUpdate(ctx, U(out), &length, U(Key), static_cast<int>(Key.size()));
  EVP_EncryptFinal_ex(ctx, U(out) + length, &final);
  EVP_CIPHER_CTX_free(ctx);
  if (ok <= 0) Fail("key wrap");
  out.resize(static_cast<size_t>(length + final));
  return out;
}

PduStr GmacAnswer(const PduStr& Title, const PduStr& Challenge, const PduStr& EK, const PduStr& AK, uint32_t FC,
                  int Suite) {
  const PduStr mac = GcmProtect(static_cast<uint8_t>(0x10 | Suite), FC, Title, Challenge, EK, AK);
  // SC, FC, the challenge in clear, the tag: the answer leaves the challenge out.
  return mac.substr(0, 5) + mac.substr(mac.size() - 12);
}

PduStr Kdf(int Suite, const PduStr& Z, const PduStr& PartU, const PduStr& PartV) {
  const PduStr algorithm = PduStr(kOidPrefix, 5) + '\x03' + (Suite == 1 ? '\x00' : '\x01');
  const PduStr digest = Digest(Hash(Suite), PduStr("\x00\x00\x00\x01", 4) + Z + algorithm + PartU + PartV);
  return digest.substr(0, Suite == 1 ? 16 : 32);
}

// ---- TEcKey ------------------------------------------------------------------------------

TEcKey::~TEcKey() { EVP_PKEY_free(Pkey(FKey)); }
TEcKey::TEcKey(TEcKey&& o) noexcept : FSuite(o.FSuite), FKey(o.FKey) { o.FKey = nullptr; }
TEcKey& TEcKey::operator=(TEcKey&& o) noexcept {
  std::swap(FSuite, o.FSuite);
  std::swap(FKey, o.FKey);
  return *this;
}

TEcKey TEcKey::Generate(int Suite) {
  EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", GroupName(Suite));
  if (!key) Fail("key generation");
  return TEcKey(Suite, key);
}

TEcKey TEcKey::FromPublicKey(int Suite, const PduStr& PublicKey) {
  OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
  const std::string point = "\x04" + PublicKey;
  OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, GroupName(Suite), 0);
  OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size());
  OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
  EVP_PKEY* key = nullptr;
  EVP_PKEY_fromdata_init(ctx);
  EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
  EVP_PKEY_CTX_free(ctx);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(bld);
  if (!key) Fail("public key");
  return TEcKey(Suite, key);
}

PduStr TEcKey::PrivateKey() const {
  BIGNUM* d = nullptr;
  if (EVP_PKEY_get_bn_param(Pkey(FKey), OSSL_PKEY_PARAM_PRIV_KEY, &d) != 1) Fail("private key");
  PduStr out = BnOctets(d, CurveSize(FSuite));
  BN_clear_free(d);
  return out;
}

PduStr TEcKey::PublicKey() const {
  unsigned char buffer[200];
  size_t length = 0;
  if (EVP_PKEY_get_octet_string_param(Pkey(FKey), OSSL_PKEY_PARAM_PUB_KEY, buffer, sizeof buffer, &length) != 1 ||
      length != 2 * CurveSize(FSuite) + 1 || buffer[0] != 0x04)
    Fail("public key");
  return PduStr(reinterpret_cast<char*>(buffer) + 1, length - 1);
}

PduStr TEcKey::Sign(const PduStr& Message) const {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  unsigned char der[200];
  size_t length = sizeof der;
  const bool ok = EVP_DigestSignInit(ctx, nullptr, Hash(FSuite), nullptr, Pkey(FKey)) == 1 &&
                  EVP_DigestSign(ctx, der, &length, U(Message), Message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  if (!ok) Fail("signing");
  return FromDer(der, length, CurveSize(FSuite));
}

bool TEcKey::Verify(const PduStr& Message, const PduStr& Signature) const {
  if (Signature.size() != 2 * CurveSize(FSuite)) return false;
  const std::string der = ToDer(Signature);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const bool valid = EVP_DigestVerifyInit(ctx, nullptr, Hash(FSuite), nullptr, Pkey(FKey)) == 1 &&
                     EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char*>(der.data()), der.size(),
                                      U(Message), Message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  return valid;
}

PduStr TEcKey::SharedSecret(const TEcKey& Peer) const {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, Pkey(FKey), nullptr);
  unsigned char z[100];
  size_t length = sizeof z;
  const bool ok = EVP_PKEY_derive_init(ctx) == 1 && EVP_PKEY_derive_set_peer(ctx, Pkey(Peer.FKey)) == 1 &&
                  EVP_PKEY_derive(ctx, z, &length) == 1;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) Fail("key agreement");
  return PduStr(reinterpret_cast<char*>(z), length);
}

// ---- TSecureClient ----------------------------------------------------------------------

const char* Name(TUserInfoProtection Protection) {
  switch (Protection) {
    case TUserInfoProtection::Plain: return "plain";
    case TUserInfoProtection::ServiceGlo: return "glo";
    case TUserInfoProtection::ServiceDed: return "ded";
    case TUserInfoProtection::GeneralGlo: return "general_glo";
    case TUserInfoProtection::SignedGeneralGlo: return "signed_general_glo";
    case TUserInfoProtection::AgreedKey: return "agreed_key";
  }
  return "?";
}

PduStr TSecureClient::InitiateRequest(const PduStr& DedicatedKey, uint32_t Conformance, int MaxPduSize) {
  PduStr s("\x01", 1);
  s += DedicatedKey.empty() ? PduStr(1, '\0') : '\x01' + Octets(DedicatedKey);
  s += PduStr("\x00\x00\x06\x5F\x1F\x04\x00", 7);  // response-allowed default, no QoS, version 6
  s.push_back(static_cast<char>(Conformance >> 16));
  s.push_back(static_cast<char>(Conformance >> 8));
  s.push_back(static_cast<char>(Conformance));
  s.push_back(static_cast<char>(MaxPduSize >> 8));
  s.push_back(static_cast<char>(MaxPduSize));
  return s;
}

PduStr TSecureClient::Protect(const PduStr& Apdu, TUserInfoProtection Protection) {
  const TClientKeys& k = Keys;
  auto glo = [&](const PduStr& plain, bool dedicated, bool general) {
    const PduStr info = GcmProtect(Control(), FC++, k.ClientTitle, plain, dedicated ? k.DEK : k.GUEK, k.GAK);
    if (general) return PduStr(1, dedicated ? '\xDC' : '\xDB') + Octets(k.ClientTitle) + Octets(info);
    if (plain.empty()) Fail("empty APDU");
    // The ciphered tag of an InitiateRequest (1) or a GET, SET or ACTION request (0xC0..0xC3).
    const uint8_t plainTag = static_cast<uint8_t>(plain[0]);
    uint8_t tag = plainTag == 1 ? 33 : static_cast<uint8_t>(plainTag + 8);
    if (dedicated) tag = plainTag == 1 ? 65 : static_cast<uint8_t>(plainTag + 16);
    return PduStr(1, static_cast<char>(tag)) + Octets(info);
  };
  const PduStr fields =
      Octets(kTransactionId) + Octets(k.ClientTitle) + Octets(k.ServerTitle) + Octets(PduStr()) + Octets(PduStr());
  switch (Protection) {
    case TUserInfoProtection::Plain: return Apdu;
    case TUserInfoProtection::ServiceGlo: return glo(Apdu, false, false);
    case TUserInfoProtection::ServiceDed: return glo(Apdu, true, false);
    case TUserInfoProtection::GeneralGlo: return glo(Apdu, false, true);
    case TUserInfoProtection::SignedGeneralGlo: {
      const PduStr content = glo(Apdu, false, true);
      const PduStr signature = k.ClientSigning->Sign(fields + content);
      return '\xDF' + fields + Octets(content) + Octets(signature);
    }
    case TUserInfoProtection::AgreedKey: {
      const PduStr z = k.ClientAgreement->SharedSecret(*k.ServerAgreement);
      const PduStr ek = Kdf(k.Suite, z, k.ClientTitle + static_cast<char>(kTransactionId.size()) + kTransactionId,
                            k.ServerTitle);
      const PduStr info = GcmProtect(Control(), FC++, k.ClientTitle, Apdu, ek, k.GAK, fields);
      // Key information present, agreed key: key parameters 02 (static unified model), no key-ciphered data.
      return '\xDD' + fields + PduStr("\x01\x02\x01\x02\x00", 5) + Octets(info);
    }
  }
  Fail("protection");
}

PduStr TSecureClient::Aarq(const TAarqRequest& Request, TUserInfoProtection Protection) {
  PduStr body = Ber(0xA1, Ber(0x06, ContextOid(Request.Context)));
  PduStr title = Request.CallingAPTitle;
  if (title.empty() && Ciphered(Request.Context)) title = Keys.ClientTitle;
  if (!title.empty()) body += Ber(0xA6, Ber(0x04, title));
  if (!Request.Mechanism.empty()) {
    body += PduStr("\x8A\x02\x07\x80", 4);
    body += Ber(0x8B, MechanismOid(Request.Mechanism));
  }
  if (!Request.CallingAuthenticationValue.empty())
    body += Ber(0xAC, Ber(0x80, Request.CallingAuthenticationValue));
  const PduStr initiate = InitiateRequest(Request.DedicatedKey, Request.ProposedConformance, Request.MaxPduSize);
  body += Ber(0xBE, Ber(0x04, Protect(initiate, Protection)));
  return Ber(0x60, body);
}

PduStr TSecureClient::Rlrq(TUserInfoProtection Protection) {
  PduStr body("\x80\x01\x00", 3);
  if (Protection != TUserInfoProtection::Plain)
    body += Ber(0xBE, Ber(0x04, Protect(InitiateRequest(PduStr(), 0x007E1F, 0x4B0), Protection)));
  return Ber(0x62, body);
}

PduStr TSecureClient::GloService(const PduStr& Apdu) { return Protect(Apdu, TUserInfoProtection::ServiceGlo); }

PduStr TSecureClient::Unprotect(const PduStr& Apdu, const PduStr& ServerTitle, std::vector<TLayerSeen>* Seen) const {
  if (Apdu.empty()) Fail("empty user-information");
  const uint8_t tag = static_cast<uint8_t>(Apdu[0]);
  TReader r(Apdu.substr(1));
  auto note = [&](const TDeciphered& d, const PduStr& title) {
    if (Seen) Seen->push_back({tag, d.SC, d.FC, title});
  };
  switch (tag) {
    case 40: case 46: case 72: case 78: {  // glo/ded InitiateResponse, ConfirmedServiceError
      const bool dedicated = tag >= 72;
      const TDeciphered d = GcmUnprotect(ServerTitle, r.OctetString(), dedicated ? Keys.DEK : Keys.GUEK, Keys.GAK);
      if (!r.AtEnd()) Fail("trailing octets");
      note(d, ServerTitle);
      return Unprotect(d.Plain, ServerTitle, Seen);
    }
    case 0xDB: case 0xDC: {  // general glo/ded ciphering
      const PduStr title = r.OctetString();
      const TDeciphered d = GcmUnprotect(title, r.OctetString(), tag == 0xDC ? Keys.DEK : Keys.GUEK, Keys.GAK);
      if (!r.AtEnd()) Fail("trailing octets");
      note(d, title);
      return Unprotect(d.Plain, ServerTitle, Seen);
    }
    case 0xDF: {  // general signing
      PduStr fields;
      PduStr values[5];
      for (PduStr& v : values) {
        v = r.OctetString();
        fields += Octets(v);
      }
      const PduStr content = r.OctetString();
      const PduStr signature = r.OctetString();
      if (!r.AtEnd()) Fail("trailing octets");
      if (!Keys.ServerSigning || !Keys.ServerSigning->Verify(fields + content, signature)) Fail("invalid signature");
      if (Seen) Seen->push_back({tag, 0, 0, values[1]});
      if (values[0] != kTransactionId || values[1] != ServerTitle || values[2] != Keys.ClientTitle)
        Fail("fields of the signature");
      return Unprotect(content, ServerTitle, Seen);
    }
    default: return Apdu;
  }
}

PduStr TSecureClient::GmacPass3(const PduStr& StoC, uint32_t Counter) const {
  return GmacAnswer(Keys.ClientTitle, StoC, Keys.GUEK, Keys.GAK, Counter, Keys.Suite);
}

bool TSecureClient::GmacPass4Valid(const PduStr& Answer, const PduStr& CtoS) const {
  if (Answer.size() != 17) return false;
  uint32_t fc = 0;
  for (size_t i = 1; i <= 4; ++i) fc = fc << 8 | static_cast<uint8_t>(Answer[i]);
  return Answer == GmacAnswer(Keys.ServerTitle, CtoS, Keys.GUEK, Keys.GAK, fc, Keys.Suite);
}

PduStr TSecureClient::EcdsaPass3(const PduStr& StoC, const PduStr& CtoS) const {
  return Keys.ClientSigning->Sign(Keys.ClientTitle + Keys.ServerTitle + StoC + CtoS);
}

bool TSecureClient::EcdsaPass4Valid(const PduStr& Answer, const PduStr& StoC, const PduStr& CtoS) const {
  return Keys.ServerSigning->Verify(Keys.ServerTitle + Keys.ClientTitle + CtoS + StoC, Answer);
}

}  // namespace zv::test::secure

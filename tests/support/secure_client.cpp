#include "support/secure_client.h"

#include <stdexcept>

#include "security/security_test_support.h"

namespace zv::test::secure {

namespace {

using client::Octets;

[[noreturn]] void Fail(const std::string& What) { throw std::runtime_error("secure client: " + What); }

// r then s, each of the curve size.
size_t SignatureSize(int Suite) { return Suite == 2 ? 96 : 64; }

// BER element: tag, definite length, contents (the definite lengths have the form of
// A-XDR's up to 0xFFFF octets).
PduStr Ber(uint8_t Tag, const PduStr& Contents) { return PduStr(1, static_cast<char>(Tag)) + Octets(Contents); }

// The HLS-GMAC answer to a challenge: SC (0x10 + suite), FC and the GMAC tag of
// SC ‖ AK ‖ Challenge under EK with the IV Title ‖ FC; the challenge itself is left out.
PduStr GmacAnswer(const PduStr& Title, const PduStr& Challenge, const PduStr& EK, const PduStr& AK, uint32_t FC,
                  int Suite) {
  const PduStr mac = client::GcmProtect(static_cast<uint8_t>(0x10 | Suite), FC, Title, Challenge, EK, AK);
  return mac.substr(0, 5) + mac.substr(mac.size() - 12);
}

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

TKeyPair NewKeyPair(int Suite) { return client::NewPair(Suite); }

PduStr KeyWrap(const PduStr& Key, const PduStr& Kek) { return client::KeyWrap(Key, Kek, true); }

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
    const PduStr info = client::GcmProtect(Control(), FC++, k.ClientTitle, plain, dedicated ? k.DEK : k.GUEK, k.GAK);
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
      // Suite 0 has no curve: a client that signs there anyway does so on P-256.
      const PduStr signature = client::Sign(k.Suite == 0 ? 1 : k.Suite, k.ClientSigning, fields + content);
      return '\xDF' + fields + Octets(content) + Octets(signature);
    }
    case TUserInfoProtection::AgreedKey: {
      const PduStr z = client::SharedSecret(k.Suite, k.ClientAgreement, k.ServerAgreementPublic);
      const PduStr partU = k.ClientTitle + static_cast<char>(kTransactionId.size()) + kTransactionId;
      const PduStr ek = client::Kdf(k.Suite, z, partU, k.ServerTitle);
      const PduStr info = client::GcmProtect(Control(), FC++, k.ClientTitle, Apdu, ek, k.GAK, fields);
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
  client::Reader r(Apdu.substr(1));
  auto note = [&](const client::Unprotected& d, const PduStr& title) {
    if (Seen) Seen->push_back({tag, d.sc, d.fc, title});
  };
  switch (tag) {
    case 40: case 46: case 72: case 78: {  // glo/ded InitiateResponse, ConfirmedServiceError
      const bool dedicated = tag >= 72;
      const client::Unprotected d =
          client::GcmUnprotect(ServerTitle, r.OctetString(), dedicated ? Keys.DEK : Keys.GUEK, Keys.GAK);
      if (!r.AtEnd()) Fail("trailing octets");
      note(d, ServerTitle);
      return Unprotect(d.plain, ServerTitle, Seen);
    }
    case 0xDB: case 0xDC: {  // general glo/ded ciphering
      const PduStr title = r.OctetString();
      const client::Unprotected d =
          client::GcmUnprotect(title, r.OctetString(), tag == 0xDC ? Keys.DEK : Keys.GUEK, Keys.GAK);
      if (!r.AtEnd()) Fail("trailing octets");
      note(d, title);
      return Unprotect(d.plain, ServerTitle, Seen);
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
      if (Keys.ServerSigningPublic.empty() || signature.size() != SignatureSize(Keys.Suite) ||
          !client::Verify(Keys.Suite, Keys.ServerSigningPublic, fields + content, signature))
        Fail("invalid signature");
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
  return client::Sign(Keys.Suite, Keys.ClientSigning, Keys.ClientTitle + Keys.ServerTitle + StoC + CtoS);
}

bool TSecureClient::EcdsaPass4Valid(const PduStr& Answer, const PduStr& StoC, const PduStr& CtoS) const {
  const PduStr signedData = Keys.ServerTitle + Keys.ClientTitle + CtoS + StoC;
  return Answer.size() == SignatureSize(Keys.Suite) &&
         client::Verify(Keys.Suite, Keys.ServerSigningPublic, signedData, Answer);
}

}  // namespace zv::test::secure

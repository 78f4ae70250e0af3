// The server's key store over security setup objects of both versions: symmetric keys by
// id, replacement, keys received by key transfer coming into force, the key-pair lookup of
// version 1 objects, and the refusal of keys that are absent or of the wrong size.
#include "security/security_material_server.h"

#include <gtest/gtest.h>

#include <functional>

#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

const PduStr kOwnTitle = H("4D4D4D0000BC614E");
const PduStr kPeerTitle = H("4142434445464748");  // prints as \ABCDEFGH
const PduStr kBinaryTitle = H("0102030405060708");

const char kGUEK[] = "000102030405060708090A0B0C0D0E0F";
const char kGBEK[] = "101112131415161718191A1B1C1D1E1F";
const char kGAK[] = "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF";
const char kDEK[] = "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF";
const char kKEK[] = "606162636465666768696A6B6C6D6E6F";

std::string Keys() {
  return std::string("<GlobalUnicastEncryptionKey Value=\"") + kGUEK + "\"/><GlobalBroadCastEncryptionKey Value=\"" +
         kGBEK + "\"/><GlobalAuthenticationKey Value=\"" + kGAK + "\"/><DedicatedKey Value=\"" + kDEK +
         "\"/><MasterKey Value=\"" + kKEK + "\"/>";
}

std::string Head(const char* element, int suite) {
  return Format("<%s><Name Value=\"0.0.43.0.1.255\"/><SecurityPolicy Value=\"00\"/><SecuritySuite Value=\"%02X\"/>"
                "<ClientSystemTitle Value=\"4142434445464748\"/><ServerSystemTitle Value=\"4D4D4D0000BC614E\"/>",
                element, suite);
}

std::string Certificate(int type, const char* subject, const std::string& publicKey) {
  std::string c = Format("<_CertificateInfo><CertificateEntity Value=\"Client\"/><CertificateType Value=\"%s\"/>"
                         "<SerialNumber Value=\"01\"/><Issuer Value=\"\\CA\"/><Subject Value=\"%s\"/>"
                         "<SubjectAltName Value=\"\"/>",
                         type == 0 ? "DigitalSignature" : type == 1 ? "KeyAgreement" : type == 2 ? "TLS" : "Other",
                         subject);
  if (!publicKey.empty()) c += "<PublicKey Value=\"" + publicKey + "\"/>";
  return c + "</_CertificateInfo>";
}

std::string Pattern(int octets, int first) {
  PduStr s;
  for (int i = 0; i < octets; ++i) s.push_back(static_cast<char>(first + i));
  return X(s);
}

PduPtr Version0(int suite, const std::string& keys = Keys()) {
  return MakeAnyFromXml(xmlSecuritySetupObject_0, T_SecuritySetupObject_0,
                        Head("SecuritySetupObject_0", suite) + keys + "</SecuritySetupObject_0>");
}

PduPtr Version1(int suite, const std::string& certificates, const std::string& keys) {
  return MakeAnyFromXml(xmlSecuritySetupObject_1, T_SecuritySetupObject_1,
                        Head("SecuritySetupObject_1", suite) + "<Certificates Qty=\"AUTO\">" + certificates +
                            "</Certificates>" + keys + "</SecuritySetupObject_1>");
}

// Suite 1 with a signing and an agreement certificate for the peer, the own signing
// certificate, and both private keys.
PduPtr Suite1Object() {
  return Version1(1,
                  Certificate(0, "\\ABCDEFGH", Pattern(64, 0x10)) + Certificate(1, "\\ABCDEFGH", Pattern(64, 0x20)) +
                      Certificate(0, "4D4D4D0000BC614E", Pattern(64, 0x70)),
                  Keys() + "<SignaturePrivateKey Value=\"" + Pattern(32, 0x30) + "\"/><KeyAgreementPrivateKey Value=\"" +
                      Pattern(32, 0x50) + "\"/>");
}

TCosemInstance_SecuritySetup& SetupOf(const PduPtr& p) { return p->As<TCosemInstance_SecuritySetup>(); }

bool IsAssertion(const std::string& error) { return error.rfind("Assertion failure", 0) == 0; }

template <class F>
std::string KeyMissing(F f) {
  try {
    f();
  } catch (const EKeyMissing& e) {
    return e.Message();
  } catch (const Exception& e) {
    return std::string("not EKeyMissing: ") + e.Message();
  }
  return "<no error>";
}

}  // namespace

TEST(SecurityMaterialServer, SymmetricKeysOfBothVersions) {
  const PduPtr objects[] = {Version0(0), Suite1Object()};
  for (const PduPtr& object : objects) {
    SCOPED_TRACE(object->ClassName());
    TSecurityMaterialServer m(&SetupOf(object));
    EXPECT_EQ(X(m.GetSymmetricKey(kiGUEK)), kGUEK);
    EXPECT_EQ(X(m.GetSymmetricKey(kiGBEK)), kGBEK);
    EXPECT_EQ(X(m.GetSymmetricKey(kiKEK)), kKEK);
    EXPECT_EQ(X(m.GetSymmetricKey(kiGAK)), kGAK);
    EXPECT_EQ(X(m.GetSymmetricKey(kiDEK)), kDEK);
    EXPECT_EQ(m.GetSecuritySuite(), &object->Type() == &T_SecuritySetupObject_0 ? 0 : 1);
    // The store reads the object on every call: a SET of the key is seen at once.
    SetupOf(object).KeyAttribute(xmlGlobalUnicastEncryptionKey)->Value = PduStr(16, '\x77');
    EXPECT_EQ(m.GetSymmetricKey(kiGUEK), PduStr(16, '\x77'));
    EXPECT_TRUE(IsAssertion(ErrorOf([&] { m.GetSymmetricKey(static_cast<TKeyId>(5)); })));
  }
  // Suite 2 keys are 32 octets.
  const std::string longKeys = "<GlobalUnicastEncryptionKey Value=\"" + Pattern(32, 1) + "\"/>";
  PduPtr suite2 = Version0(2, longKeys);
  TSecurityMaterialServer m2(&SetupOf(suite2));
  EXPECT_EQ(X(m2.GetSymmetricKey(kiGUEK)), Pattern(32, 1));
}

TEST(SecurityMaterialServer, ReplaceSymmetricKey) {
  PduPtr object = Version0(0);
  TSecurityMaterialServer m(&SetupOf(object));
  struct Row {
    TKeyId id;
    const char* held;
  };
  for (const Row& r : {Row{kiGUEK, kGUEK}, Row{kiGBEK, kGBEK}, Row{kiGAK, kGAK}, Row{kiDEK, kDEK}}) {
    SCOPED_TRACE(DisplayName(r.id));
    const PduStr fresh(16, static_cast<char>(0x40 + r.id));
    EXPECT_EQ(X(m.ReplaceSymmetricKey(r.id, fresh)), r.held);
    EXPECT_EQ(m.GetSymmetricKey(r.id), fresh);
  }
  // The master key is not replaced this way: nothing changes and the key held comes back.
  EXPECT_EQ(X(m.ReplaceSymmetricKey(kiKEK, PduStr(16, '\x01'))), kKEK);
  EXPECT_EQ(X(m.GetSymmetricKey(kiKEK)), kKEK);
  // No dedicated key in the next AARQ: the key is emptied and the old one returned.
  EXPECT_EQ(m.ReplaceSymmetricKey(kiDEK, PduStr()), PduStr(16, '\x44'));
  EXPECT_EQ(SetupOf(object).KeyAttribute(xmlDedicatedKey)->Value, "");
  EXPECT_EQ(KeyMissing([&] { m.GetSymmetricKey(kiDEK); }), "Symmetric key DEK is not available");

  // A description without the key attributes: an empty replacement leaves the attribute
  // absent, a real key creates it.
  PduPtr bare = Version0(0, "");
  TSecurityMaterialServer b(&SetupOf(bare));
  EXPECT_EQ(b.ReplaceSymmetricKey(kiDEK, PduStr()), "");
  EXPECT_EQ(SetupOf(bare).KeyAttribute(xmlDedicatedKey), nullptr);
  EXPECT_EQ(b.ReplaceSymmetricKey(kiKEK, PduStr(16, '\x01')), "");
  EXPECT_EQ(SetupOf(bare).KeyAttribute(xmlMasterKey), nullptr);
  EXPECT_EQ(b.ReplaceSymmetricKey(kiDEK, H(kDEK)), "");
  EXPECT_EQ(X(b.GetSymmetricKey(kiDEK)), kDEK);
  EXPECT_NE(bare->ToXMLString().find("<DedicatedKey Value=\"A0A1"), std::string::npos);
}

// Absent, empty and wrong-sized keys are refused with EKeyMissing before any cipher sees them.
TEST(SecurityMaterialServer, MissingAndWrongSizedSymmetricKeys) {
  struct Row {
    int suite;
    std::string keys;
    TKeyId id;
    const char* error;
  };
  const Row rows[] = {
      {0, "", kiGUEK, "Symmetric key GUEK is not available"},
      {0, "<MasterKey Value=\"\"/>", kiKEK, "Symmetric key KEK is not available"},
      {1, "<GlobalAuthenticationKey Value=\"" + Pattern(15, 1) + "\"/>", kiGAK,
       "Symmetric key GAK has 15 octets where 16 are required"},
      {2, "<GlobalUnicastEncryptionKey Value=\"" + std::string(kGUEK) + "\"/>", kiGUEK,
       "Symmetric key GUEK has 16 octets where 32 are required"},
      {0, "<GlobalBroadCastEncryptionKey Value=\"" + Pattern(32, 1) + "\"/>", kiGBEK,
       "Symmetric key GBEK has 32 octets where 16 are required"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.error);
    PduPtr v0 = Version0(r.suite, r.keys);
    PduPtr v1 = Version1(r.suite, "", r.keys);
    for (const PduPtr* object : {&v0, &v1}) {
      TSecurityMaterialServer m(&SetupOf(*object));
      EXPECT_EQ(KeyMissing([&] { m.GetSymmetricKey(r.id); }), r.error);
    }
  }
  // A suite the object cannot have is a consistency failure, not a key size.
  PduPtr suite3 = Version0(3);
  TSecurityMaterialServer m3(&SetupOf(suite3));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { m3.GetSymmetricKey(kiGUEK); })));
  // Without a setup object.
  TSecurityMaterialServer none;
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { none.GetSymmetricKey(kiGUEK); })));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { none.GetSecuritySuite(); })));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { none.ReplaceSymmetricKey(kiDEK, ""); })));
  // Version 0 holds no key pairs.
  PduPtr v0 = Version0(1);
  TSecurityMaterialServer m0(&SetupOf(v0));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { m0.GetPublicKey(kPeerTitle, kpSigning); })));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { m0.GetPrivateKey(kOwnTitle, kpSigning); })));
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { m0.GetKeyPair(kOwnTitle, kpEphemeral); })));
}

TEST(SecurityMaterialServer, CompleteKeysTransfer) {
  PduPtr object = Suite1Object();
  auto& s = SetupOf(object);
  TSecurityMaterialServer m(&s);
  // Only the master key was transferred: the other keys stay, the pending field empties.
  s.NewMasterKey = PduStr(16, '\x11');
  m.CompleteKeysTransfer();
  EXPECT_EQ(m.GetSymmetricKey(kiKEK), PduStr(16, '\x11'));
  EXPECT_EQ(X(m.GetSymmetricKey(kiGUEK)), kGUEK);
  EXPECT_EQ(X(m.GetSymmetricKey(kiGBEK)), kGBEK);
  EXPECT_EQ(X(m.GetSymmetricKey(kiGAK)), kGAK);
  EXPECT_TRUE(s.NewMasterKey.empty());
  // A second call changes nothing.
  const std::string before = object->ToXMLString();
  m.CompleteKeysTransfer();
  EXPECT_EQ(object->ToXMLString(), before);

  // All four keys at once.
  s.NewGlobalUnicastEncryptionKey = PduStr(16, '\x21');
  s.NewGlobalBroadCastEncryptionKey = PduStr(16, '\x22');
  s.NewGlobalAuthenticationKey = PduStr(16, '\x23');
  s.NewMasterKey = PduStr(16, '\x24');
  m.CompleteKeysTransfer();
  EXPECT_EQ(m.GetSymmetricKey(kiGUEK), PduStr(16, '\x21'));
  EXPECT_EQ(m.GetSymmetricKey(kiGBEK), PduStr(16, '\x22'));
  EXPECT_EQ(m.GetSymmetricKey(kiGAK), PduStr(16, '\x23'));
  EXPECT_EQ(m.GetSymmetricKey(kiKEK), PduStr(16, '\x24'));
  EXPECT_EQ(X(m.GetSymmetricKey(kiDEK)), kDEK);
  for (const PduStr* p : {&s.NewGlobalUnicastEncryptionKey, &s.NewGlobalBroadCastEncryptionKey,
                          &s.NewGlobalAuthenticationKey, &s.NewMasterKey})
    EXPECT_TRUE(p->empty());

  // A pending key whose attribute the description left out gets the attribute.
  PduPtr bare = Version0(0, "");
  SetupOf(bare).NewGlobalAuthenticationKey = PduStr(16, '\x31');
  TSecurityMaterialServer b(&SetupOf(bare));
  b.CompleteKeysTransfer();
  EXPECT_EQ(b.GetSymmetricKey(kiGAK), PduStr(16, '\x31'));
  EXPECT_EQ(SetupOf(bare).KeyAttribute(xmlGlobalUnicastEncryptionKey), nullptr);
  // Without a setup object nothing happens.
  TSecurityMaterialServer none;
  EXPECT_NO_THROW(none.CompleteKeysTransfer());
}

TEST(SecurityMaterialServer, Version1KeyLookup) {
  PduPtr object = Suite1Object();
  TSecurityMaterialServer m(&SetupOf(object));
  EXPECT_EQ(X(m.GetPrivateKey(kOwnTitle, kpSigning)), Pattern(32, 0x30));
  EXPECT_EQ(X(m.GetPrivateKey(kOwnTitle, kpAgreement)), Pattern(32, 0x50));
  EXPECT_EQ(X(m.GetPublicKey(kPeerTitle, kpSigning)), Pattern(64, 0x10));
  EXPECT_EQ(X(m.GetPublicKey(kPeerTitle, kpAgreement)), Pattern(64, 0x20));
  const TKeyPair own = m.GetKeyPair(kOwnTitle, kpSigning);
  EXPECT_EQ(X(own.PrivateKey), Pattern(32, 0x30));
  EXPECT_EQ(X(own.PublicKey), Pattern(64, 0x70));
  EXPECT_EQ(KeyMissing([&] { m.GetKeyPair(kOwnTitle, kpAgreement); }), "No Agreement public key for 4D4D4D0000BC614E found");

  struct Row {
    std::function<void()> call;
    const char* error;
  };
  const Row rows[] = {
      // Private keys exist for the own title only; titles print as text or hex.
      {[&] { m.GetPrivateKey(kPeerTitle, kpSigning); }, "Private key for \\ABCDEFGH is not available"},
      {[&] { m.GetPrivateKey(kBinaryTitle, kpEphemeral); }, "Private key for 0102030405060708 is not available"},
      // No certificate serves an ephemeral key, and no other title has one.
      {[&] { m.GetPublicKey(kPeerTitle, kpEphemeral); }, "No Ephemeral public key for \\ABCDEFGH found"},
      {[&] { m.GetPublicKey(kBinaryTitle, kpSigning); }, "No Signing public key for 0102030405060708 found"},
      // The own ephemeral pair before it has been made.
      {[&] { m.GetPrivateKey(kOwnTitle, kpEphemeral); }, "Private key for 4D4D4D0000BC614E is not available"},
      {[&] { m.GetPublicKey(kOwnTitle, kpEphemeral); }, "No Ephemeral public key for 4D4D4D0000BC614E found"},
  };
  for (const Row& r : rows) EXPECT_EQ(KeyMissing(r.call), r.error);
}

TEST(SecurityMaterialServer, CertificatesAndPrivateKeysThatCannotServe) {
  const std::string ownKeys = Keys() + "<SignaturePrivateKey Value=\"" + Pattern(32, 1) + "\"/>";
  // A certificate without its public key cannot serve; a later one of the subject can.
  PduPtr later = Version1(1,
                          Certificate(0, "\\ABCDEFGH", "") + Certificate(1, "\\ABCDEFGH", Pattern(64, 2)) +
                              Certificate(0, "\\ABCDEFGH", Pattern(64, 3)),
                          ownKeys);
  TSecurityMaterialServer ml(&SetupOf(later));
  EXPECT_EQ(X(ml.GetPublicKey(kPeerTitle, kpSigning)), Pattern(64, 3));

  struct Row {
    const char* name;
    std::string certificates, keys;
    std::function<void(TSecurityMaterialServer&)> call;
    const char* error;
  };
  const Row rows[] = {
      {"only a keyless certificate", Certificate(0, "\\ABCDEFGH", ""), ownKeys,
       [](auto& m) { m.GetPublicKey(kPeerTitle, kpSigning); }, "No Signing public key for \\ABCDEFGH found"},
      {"public key of the wrong size", Certificate(1, "\\ABCDEFGH", Pattern(63, 1)), ownKeys,
       [](auto& m) { m.GetPublicKey(kPeerTitle, kpAgreement); },
       "Agreement public key for \\ABCDEFGH has 63 octets where 64 are required"},
      {"absent agreement private key", "", ownKeys, [](auto& m) { m.GetPrivateKey(kOwnTitle, kpAgreement); },
       "Private key for 4D4D4D0000BC614E is not available"},
      {"empty signature private key", "", Keys() + "<SignaturePrivateKey Value=\"\"/>",
       [](auto& m) { m.GetPrivateKey(kOwnTitle, kpSigning); }, "Private key for 4D4D4D0000BC614E is not available"},
      {"private key of the wrong size", "", Keys() + "<SignaturePrivateKey Value=\"" + Pattern(31, 1) + "\"/>",
       [](auto& m) { m.GetKeyPair(kOwnTitle, kpSigning); },
       "Private key for 4D4D4D0000BC614E has 31 octets where 32 are required"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    PduPtr object = Version1(1, r.certificates, r.keys);
    TSecurityMaterialServer m(&SetupOf(object));
    EXPECT_EQ(KeyMissing([&] { r.call(m); }), r.error);
  }

  // A TLS certificate of the searched subject is a consistency failure when the search
  // reaches it; one of another subject is passed by, and so is one after the match.
  PduPtr tls = Version1(1, Certificate(0, "\\ABCDEFGH", Pattern(64, 4)) + Certificate(2, "\\OTHER", "") +
                               Certificate(3, "\\ABCDEFGH", "") + Certificate(1, "\\ABCDEFGH", Pattern(64, 5)),
                        ownKeys);
  TSecurityMaterialServer mt(&SetupOf(tls));
  EXPECT_EQ(X(mt.GetPublicKey(kPeerTitle, kpSigning)), Pattern(64, 4));
  const std::string error = ErrorOf([&] { mt.GetPublicKey(kPeerTitle, kpAgreement); });
  EXPECT_TRUE(IsAssertion(error)) << error;
  EXPECT_NE(error.find("security_material_server"), std::string::npos) << error;
  EXPECT_TRUE(IsAssertion(ErrorOf([&] { mt.GetPublicKey(H("4F54484552"), kpSigning); })));  // OTHER
}

TEST(SecurityMaterialServer, OwnEphemeralPairIsMadeOnFirstUse) {
  for (int suite : {1, 2}) {
    SCOPED_TRACE(suite);
    PduPtr object = Version1(suite, "", "");
    auto& s = SetupOf(object);
    TSecurityMaterialServer m(&s);
    const TKeyPair pair = m.GetKeyPair(kOwnTitle, kpEphemeral);
    EXPECT_EQ(pair.PrivateKey.size(), suite == 1 ? 32u : 48u);
    EXPECT_EQ(pair.PublicKey.size(), suite == 1 ? 64u : 96u);
    EXPECT_EQ(pair.PrivateKey, s.EphemeralPrivateKey);
    EXPECT_EQ(pair.PublicKey, s.EphemeralPublicKey);
    // The pair is a real one: OpenSSL accepts it and derives with it.
    const TKeyPair peer = TFakeSecurityMaterial(suite).NewPair();
    EXPECT_EQ(client::SharedSecret(suite, pair, peer.PublicKey), client::SharedSecret(suite, peer, pair.PublicKey));
    // Once made, the pair stays.
    const TKeyPair again = m.GetKeyPair(kOwnTitle, kpEphemeral);
    EXPECT_EQ(again.PrivateKey, pair.PrivateKey);
    EXPECT_EQ(m.GetPublicKey(kOwnTitle, kpEphemeral), pair.PublicKey);
    EXPECT_EQ(m.GetPrivateKey(kOwnTitle, kpEphemeral), pair.PrivateKey);
  }
  // Suite 0 has no curve: the pair cannot be made.
  PduPtr suite0 = Version1(0, "", "");
  TSecurityMaterialServer m0(&SetupOf(suite0));
  EXPECT_EQ(ErrorOf([&] { m0.GetKeyPair(kOwnTitle, kpEphemeral); }), "Ephemeral key pair not generated");
}

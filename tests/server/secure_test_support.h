// Shared by the tests of secured associations: the device of tests/fixtures/secure_device.xml
// with a security setup object written to order, a server session with the server's system
// title, and a client whose security side is OpenSSL alone.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apdu/apdu_views.h"
#include "support/secure_client.h"
#include "support/test_client.h"
#include "support/test_server.h"

namespace zv::test {

inline const PduStr kServerTitle = HexStrToByteStr("4D4D4D0000BC614E");
inline const PduStr kClientTitle = "ABCDEFGH";

inline PduStr Key(int Suite, char Fill) { return PduStr(Suite == 2 ? 32 : 16, Fill); }

// A security setup object; an absent optional key is left out of the description.
struct TSetup {
  int Version = 0;
  int Suite = 0;
  int Policy = 0;
  std::optional<PduStr> GUEK, GBEK, GAK, DEK, KEK;
  // Version 1: the client's public keys in certificates, the server's private keys.
  std::optional<PduStr> ClientSigningPublic, ClientAgreementPublic;
  std::optional<PduStr> SignaturePrivateKey, KeyAgreementPrivateKey;

  // Keys of the suite's size; version 1 for suites 1 and 2.
  static TSetup Of(int Suite) {
    TSetup s;
    s.Suite = Suite;
    s.Version = Suite == 0 ? 0 : 1;
    s.GUEK = Key(Suite, '\x11');
    s.GBEK = Key(Suite, '\x22');
    s.GAK = Key(Suite, '\x33');
    s.DEK = PduStr();
    s.KEK = Key(Suite, '\x44');
    return s;
  }

  std::string Xml() const {
    const std::string element = Version == 0 ? "SecuritySetupObject_0" : "SecuritySetupObject_1";
    auto octets = [](const char* name, const PduStr& v) {
      return "      <" + std::string(name) + " Value=\"" + ByteStrToHexStr(v) + "\" />\n";
    };
    auto optional = [&](const char* name, const std::optional<PduStr>& v) { return v ? octets(name, *v) : ""; };
    std::string x = "    <" + element + ">\n      <Name Value=\"00002B0000FF\" />\n";
    x += "      <SecurityPolicy Value=\"" + IntToHex(static_cast<uint64_t>(Policy), 2) + "\" />\n";
    x += "      <SecuritySuite Value=\"" + IntToHex(static_cast<uint64_t>(Suite), 2) + "\" />\n";
    x += octets("ClientSystemTitle", kClientTitle) + octets("ServerSystemTitle", kServerTitle);
    if (Version == 1) {
      std::string certificates;
      int count = 0;
      auto certificate = [&](const char* type, const PduStr& publicKey) {
        ++count;
        certificates += "        <_CertificateInfo>\n          <CertificateEntity Value=\"Client\" />\n"
                        "          <CertificateType Value=\"" + std::string(type) + "\" />\n"
                        "          <SerialNumber Value=\"01\" />\n          <Issuer Value=\"\\CA\" />\n"
                        "          <Subject Value=\"" + ByteStrToHexStr(kClientTitle) + "\" />\n"
                        "          <SubjectAltName Value=\"\" />\n"
                        "          <PublicKey Value=\"" + ByteStrToHexStr(publicKey) + "\" />\n"
                        "        </_CertificateInfo>\n";
      };
      if (ClientSigningPublic) certificate("DigitalSignature", *ClientSigningPublic);
      if (ClientAgreementPublic) certificate("KeyAgreement", *ClientAgreementPublic);
      x += "      <Certificates Qty=\"" + IntToHex(static_cast<uint64_t>(count), 4) + "\" >\n" + certificates +
           "      </Certificates>\n";
    }
    x += optional("GlobalUnicastEncryptionKey", GUEK) + optional("GlobalBroadCastEncryptionKey", GBEK) +
         optional("GlobalAuthenticationKey", GAK) + optional("DedicatedKey", DEK) + optional("MasterKey", KEK);
    if (Version == 1)
      x += optional("SignaturePrivateKey", SignaturePrivateKey) +
           optional("KeyAgreementPrivateKey", KeyAgreementPrivateKey);
    return x + "    </" + element + ">";
  }

  // The attribute numbers of the unicast encryption and the dedicated key.
  int GUEKAttribute() const { return Version == 0 ? 6 : 7; }
  int DEKAttribute() const { return Version == 0 ? 9 : 10; }
};

inline std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

inline std::string SecureDevice(const std::string& Context, const std::string& Mechanism, const TSetup& Setup) {
  std::string d = ReadFile(ZV_FIXTURES_DIR "/secure_device.xml");
  d = Replace(d, "$CONTEXT$", Context);
  d = Replace(d, "$MECHANISM$", Mechanism);
  d = Replace(d, "$VERSION$", IntToHex(static_cast<uint64_t>(Setup.Version), 2));
  d = Replace(d, "$GUEK_ATTRIBUTE$", IntToHex(static_cast<uint64_t>(Setup.GUEKAttribute()), 2));
  d = Replace(d, "$DEK_ATTRIBUTE$", IntToHex(static_cast<uint64_t>(Setup.DEKAttribute()), 2));
  return Replace(d, "$SECURITY_SETUP$", Setup.Xml());
}


inline const char* const kOperationNotPossible =
    "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"OperationNotPossible\" />"
    "</ExceptionResponse>";
inline const char* const kServiceNotSupported =
    "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"ServiceNotSupported\" />"
    "</ExceptionResponse>";

inline std::string GetData(const std::string& DataXml) {
  return "<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result><Data>" + DataXml +
         "</Data></Result></GetResponseNormal></GetResponse>";
}
inline std::string ActionResult(const std::string& Name) {
  return "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"" + Name +
         "\" /></ActionResponseNormal></ActionResponse>";
}
inline const std::string kSerialNumber = GetData("<OctetString Value=\"\\12345678\" />");

// The InitiateResponse of the fixture's association to the test client's proposal.
inline const PduStr kInitiateResponse = HexStrToByteStr("08 00 06 5F 1F 04 00 00 12 1D 04 00 00 07");

inline const TAssociationResponse& Aare(const COSEMpduPtr& Pdu) { return TCOSEMPDUHelper::AsAssociationResponse(*Pdu); }
inline int Result(const COSEMpduPtr& Pdu) { return Aare(Pdu).AssociationResult()->Value; }
inline int Diagnostic(const COSEMpduPtr& Pdu) { return Aare(Pdu).ResultSourceDiagnostic()->Diagnostic(); }

// The octets of an AARE's or RLRE's user-information APDU; empty when it has none.
inline PduStr UserInformationOf(const TBERCOSEMpdu* UserInformation) {
  PduStr s;
  if (UserInformation) UserInformation->EncodeToPduStrNoLen(s);
  return s;
}

inline uint32_t CounterOf(const PduStr& Answer) {
  uint32_t fc = 0;
  for (size_t i = 1; i <= 4 && i < Answer.size(); ++i) fc = fc << 8 | static_cast<uint8_t>(Answer[i]);
  return fc;
}

// A session on the secure device and a connected client of client SAP 48.
class SecureSession : public ::testing::Test {
 protected:
  // Key pairs of both parties made with OpenSSL (suites 1 and 2).
  struct TPairs {
    TKeyPair ClientSigning, ClientAgreement, ServerSigning, ServerAgreement;
  };
  static TPairs MakePairs(int Suite) {
    TPairs p;
    if (Suite == 0) return p;
    p.ClientSigning = secure::NewKeyPair(Suite);
    p.ClientAgreement = secure::NewKeyPair(Suite);
    p.ServerSigning = secure::NewKeyPair(Suite);
    p.ServerAgreement = secure::NewKeyPair(Suite);
    return p;
  }
  // The setup of a suite with the key pairs in it.
  static TSetup SetupWith(int Suite, const TPairs& Pairs) {
    TSetup s = TSetup::Of(Suite);
    if (Suite == 0) return s;
    s.ClientSigningPublic = Pairs.ClientSigning.PublicKey;
    s.ClientAgreementPublic = Pairs.ClientAgreement.PublicKey;
    s.SignaturePrivateKey = Pairs.ServerSigning.PrivateKey;
    s.KeyAgreementPrivateKey = Pairs.ServerAgreement.PrivateKey;
    return s;
  }
  // What the client knows of the same keys.
  static secure::TClientKeys ClientKeysOf(const TSetup& Setup, const TPairs& Pairs) {
    secure::TClientKeys k;
    k.Suite = Setup.Suite;
    k.ClientTitle = kClientTitle;
    k.ServerTitle = kServerTitle;
    k.GUEK = Setup.GUEK.value_or(Key(Setup.Suite, '\x11'));
    k.GAK = Setup.GAK.value_or(Key(Setup.Suite, '\x33'));
    k.KEK = Setup.KEK.value_or(Key(Setup.Suite, '\x44'));
    k.ClientSigning = Pairs.ClientSigning;
    k.ClientAgreement = Pairs.ClientAgreement;
    k.ServerSigningPublic = Pairs.ServerSigning.PublicKey;
    k.ServerAgreementPublic = Pairs.ServerAgreement.PublicKey;
    return k;
  }

  void Start(const std::string& Context, const std::string& Mechanism, const TSetup& Setup,
             const secure::TClientKeys& Keys) {
    // One session at a time: the log pane of the previous one goes first.
    Client.Close();
    Server.reset();
    Server = std::make_unique<TTestServer>(SecureDevice(Context, Mechanism, Setup),
                                           TSettings{{"EDITSystemTitle", ByteStrToHexStr(kServerTitle)}});
    ASSERT_TRUE(Server->Start());
    ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
    Client.ClientSAP = 48;
    Secure = std::make_unique<secure::TSecureClient>(Keys);
  }
  // Suite's keys and key pairs on both sides.
  void StartSuite(const std::string& Context, const std::string& Mechanism, int Suite) {
    Pairs = MakePairs(Suite);
    const TSetup setup = SetupWith(Suite, Pairs);
    Start(Context, Mechanism, setup, ClientKeysOf(setup, Pairs));
  }

  std::string Ask(const std::string& Xml) { return Flat(Client.RequestXml(Xml)); }
  TLogPump& Log() { return Server->Log(); }

  TPairs Pairs;
  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
  std::unique_ptr<secure::TSecureClient> Secure;
};

}  // namespace zv::test

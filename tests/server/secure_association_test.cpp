// Ciphered associations over loopback against a client that protects with OpenSSL alone:
// the AARQ's user-information under suites 0, 1 and 2 in every protection the client may
// choose, the AARE's and RLRE's user-information deciphered by the client, the refusals,
// and the high-level mechanisms that take their keys from the security setup object.
#include "secure_test_support.h"

using namespace zv;
using namespace zv::test;
using secure::TLayerSeen;
using secure::TUserInfoProtection;

namespace {

struct TCipheredCase {
  int Suite;
  TUserInfoProtection Protection;
};

std::string CaseName(const ::testing::TestParamInfo<TCipheredCase>& Info) {
  return "Suite" + std::to_string(Info.param.Suite) + "_" + secure::Name(Info.param.Protection);
}

// The tags of the layers the client expects on the server's answers, outermost first.
std::vector<uint8_t> AnswerTags(TUserInfoProtection Protection) {
  switch (Protection) {
    case TUserInfoProtection::ServiceGlo: return {40};
    case TUserInfoProtection::GeneralGlo: return {0xDB};
    case TUserInfoProtection::SignedGeneralGlo: return {0xDF, 0xDB};
    default: return {};  // a general ciphering is answered without protection
  }
}

std::vector<uint8_t> TagsOf(const std::vector<TLayerSeen>& Seen) {
  std::vector<uint8_t> tags;
  for (const auto& l : Seen) tags.push_back(l.Tag);
  return tags;
}

class Ciphered : public SecureSession, public ::testing::WithParamInterface<TCipheredCase> {};

}  // namespace

// An association in a ciphered context: the client's protected InitiateRequest is accepted,
// the AARE's and the RLRE's InitiateResponse decipher under the server's title with
// counters that grow, service APDUs travel plain, and a ciphered one is not served:
// "ServiceNotSupported" while associated, "OperationNotPossible" after the release.
TEST_P(Ciphered, AssociationAndRelease) {
  const auto [suite, protection] = GetParam();
  StartSuite("LN_WITH_CIPHERING", "NO_SECURITY", suite);

  COSEMpduPtr aare = Client.Request(Secure->Aarq({}, protection));
  ASSERT_TRUE(aare);
  ASSERT_EQ(Result(aare), 0) << Flat(aare);
  EXPECT_EQ(Diagnostic(aare), 0);
  ASSERT_NE(Aare(aare).RespondingAPTitle(), nullptr);
  EXPECT_EQ(Aare(aare).RespondingAPTitle()->Value, kServerTitle);
  std::vector<TLayerSeen> seen;
  EXPECT_EQ(ByteStrToHexStr(Secure->Unprotect(UserInformationOf(Aare(aare).UserInformation()), kServerTitle, &seen)),
            ByteStrToHexStr(kInitiateResponse));
  ASSERT_EQ(TagsOf(seen), AnswerTags(protection));
  uint32_t aareCounter = 0;
  for (const auto& l : seen) {
    if (l.Tag == 0xDF) {
      EXPECT_EQ(l.Title, kServerTitle);  // the signature's originator
      continue;
    }
    EXPECT_EQ(l.SC, 0x30 | suite);
    EXPECT_EQ(l.Title, kServerTitle);
    aareCounter = l.FC;
  }

  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kSerialNumber);
  // Ciphered service APDUs are not served.
  EXPECT_EQ(Flat(Client.Request(Secure->GloService(ApduFromXml(GetXml(1, "0000600100FF", 2))))),
            kServiceNotSupported);

  COSEMpduPtr rlre = Client.Request(Secure->Rlrq(protection));
  ASSERT_TRUE(rlre);
  const auto& release = TCOSEMPDUHelper::AsReleaseResponse(*rlre);
  seen.clear();
  EXPECT_EQ(ByteStrToHexStr(Secure->Unprotect(UserInformationOf(release.UserInformation()), kServerTitle, &seen)),
            ByteStrToHexStr(kInitiateResponse));
  ASSERT_EQ(TagsOf(seen), AnswerTags(protection));
  for (const auto& l : seen) {
    if (l.Tag != 0xDF) {
      EXPECT_GT(l.FC, aareCounter);
    }
  }
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  EXPECT_EQ(Flat(Client.Request(Secure->GloService(ApduFromXml(GetXml(1, "0000600100FF", 2))))),
            kOperationNotPossible);

  // The layers log the keys and counters in hex.
  const std::string guek = ByteStrToHexStr(Secure->Keys.GUEK);
  if (protection == TUserInfoProtection::ServiceGlo) {
    EXPECT_TRUE(Log().WaitForText("ENCRYPTION KEY: " + guek + ", SYSTEM TITLE: " + ByteStrToHexStr(kClientTitle)));
  }
  if (!seen.empty()) {
    EXPECT_TRUE(Log().WaitForText("ENCRYPTION KEY: " + guek + ", IC: " + IntToHex(aareCounter, 8)));
  }
  if (protection == TUserInfoProtection::SignedGeneralGlo) {
    EXPECT_TRUE(Log().WaitForText("PRIV.KEY: " + ByteStrToHexStr(Pairs.ServerSigning.PrivateKey)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Protections, Ciphered,
    ::testing::Values(TCipheredCase{0, TUserInfoProtection::ServiceGlo}, TCipheredCase{1, TUserInfoProtection::ServiceGlo},
                      TCipheredCase{2, TUserInfoProtection::ServiceGlo}, TCipheredCase{0, TUserInfoProtection::GeneralGlo},
                      TCipheredCase{2, TUserInfoProtection::GeneralGlo},
                      TCipheredCase{1, TUserInfoProtection::SignedGeneralGlo},
                      TCipheredCase{2, TUserInfoProtection::SignedGeneralGlo},
                      TCipheredCase{1, TUserInfoProtection::AgreedKey}, TCipheredCase{2, TUserInfoProtection::AgreedKey}),
    CaseName);

// A ciphered AARQ that cannot be unprotected, or not sufficiently, is rejected with the
// error's message alone in the log; nothing is associated.
TEST(SecureRefusals, CipheredAarqRefused) {
  struct TRow {
    const char* Name;
    void (*Setup)(TSetup&);
    void (*Client)(secure::TSecureClient&, secure::TAarqRequest&);
    TUserInfoProtection Protection;
    int Diagnostic;
    const char* Line;  // null: no line
  };
  const TRow rows[] = {
      {"authentication only", nullptr, [](secure::TSecureClient& c, secure::TAarqRequest&) { c.SC = 0x10; },
       TUserInfoProtection::ServiceGlo, 1, "AARQ not sufficiently protected"},
      {"encryption only", nullptr, [](secure::TSecureClient& c, secure::TAarqRequest&) { c.SC = 0x20; },
       TUserInfoProtection::GeneralGlo, 1, "AARQ not sufficiently protected"},
      {"another key", nullptr, [](secure::TSecureClient& c, secure::TAarqRequest&) { c.Keys.GUEK[0] ^= 1; },
       TUserInfoProtection::ServiceGlo, 1, "Authentication failure (Decrypt error)"},
      {"another suite", nullptr, [](secure::TSecureClient& c, secure::TAarqRequest&) { c.SC = 0x31; },
       TUserInfoProtection::ServiceGlo, 1, "Unexpected SecuritySuite in received ciphered PDU"},
      {"unicast key absent", [](TSetup& s) { s.GUEK.reset(); }, nullptr, TUserInfoProtection::ServiceGlo, 1,
       "Symmetric key GUEK is not available"},
      {"unicast key too short", [](TSetup& s) { s.GUEK = PduStr(15, '\x11'); }, nullptr,
       TUserInfoProtection::ServiceGlo, 1, "Symmetric key GUEK has 15 octets where 16 are required"},
      {"authentication key empty", [](TSetup& s) { s.GAK = PduStr(); }, nullptr, TUserInfoProtection::GeneralGlo, 1,
       "Symmetric key GAK is not available"},
      {"signature of suite 0", nullptr, nullptr, TUserInfoProtection::SignedGeneralGlo, 1,
       "Digital signature requires security suite 1 or 2"},
      {"title of 7 octets", nullptr,
       [](secure::TSecureClient&, secure::TAarqRequest& r) { r.CallingAPTitle = "ABCDEFG"; },
       TUserInfoProtection::ServiceGlo, 3, "*** AA Rejected: Calling AP title not recognized"},
      {"plain InitiateRequest", nullptr, nullptr, TUserInfoProtection::Plain, 1, nullptr},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TSetup setup = TSetup::Of(0);
    if (row.Setup) row.Setup(setup);
    TTestServer server(SecureDevice("LN_WITH_CIPHERING", "NO_SECURITY", setup),
                       {{"EDITSystemTitle", ByteStrToHexStr(kServerTitle)}});
    ASSERT_TRUE(server.Start());
    TTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    client.ClientSAP = 48;
    secure::TClientKeys keys;
    keys.ClientTitle = kClientTitle;
    keys.ServerTitle = kServerTitle;
    keys.GUEK = Key(0, '\x11');
    keys.GAK = Key(0, '\x33');
    // Signing in suite 0 is refused before any key pair is asked for.
    keys.ClientSigning = secure::NewKeyPair(1);
    secure::TSecureClient c(keys);
    secure::TAarqRequest request;
    if (row.Client) row.Client(c, request);
    COSEMpduPtr aare = client.Request(c.Aarq(request, row.Protection));
    ASSERT_TRUE(aare);
    EXPECT_EQ(Result(aare), 1);
    EXPECT_EQ(Diagnostic(aare), row.Diagnostic);
    EXPECT_EQ(Aare(aare).UserInformation(), nullptr);
    EXPECT_EQ(Flat(client.RequestXml(GetXml(1, "0000600100FF", 2))), kOperationNotPossible);
    ASSERT_TRUE(server.Log().WaitForText("</ExceptionResponse>"));
    if (row.Line) {
      EXPECT_EQ(server.Log().CountOf(row.Line), 1);
      // Logged alone, as the whole line.
      const auto lines = server.Log().Lines();
      EXPECT_TRUE(std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
                    return l.size() >= std::string(row.Line).size() &&
                           l.compare(l.size() - std::string(row.Line).size(), std::string::npos, row.Line) == 0;
                  }) != lines.end());
    } else {
      EXPECT_FALSE(server.Log().Contains("*** AA Rejected"));
    }
  }
}

// The release of a ciphered association needs a user-information protected with
// authentication and encryption; a refused release leaves the association standing.
TEST_F(SecureSession, CipheredReleaseRefusals) {
  StartSuite("LN_WITH_CIPHERING", "NO_SECURITY", 0);
  ASSERT_EQ(Result(Client.Request(Secure->Aarq({}, TUserInfoProtection::ServiceGlo))), 0);
  EXPECT_EQ(Flat(Client.Request(Secure->Rlrq(TUserInfoProtection::Plain))), kOperationNotPossible);
  Secure->SC = 0x10;
  EXPECT_EQ(Flat(Client.Request(Secure->Rlrq(TUserInfoProtection::ServiceGlo))), kOperationNotPossible);
  Secure->SC = 0;
  Secure->Keys.GAK[3] ^= 0x40;
  EXPECT_EQ(Flat(Client.Request(Secure->Rlrq(TUserInfoProtection::GeneralGlo))), kOperationNotPossible);
  Secure->Keys.GAK[3] ^= 0x40;
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kSerialNumber);
  COSEMpduPtr rlre = Client.Request(Secure->Rlrq(TUserInfoProtection::GeneralGlo));
  ASSERT_TRUE(rlre);
  EXPECT_EQ(Secure->Unprotect(UserInformationOf(TCOSEMPDUHelper::AsReleaseResponse(*rlre).UserInformation()),
                              kServerTitle),
            kInitiateResponse);
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
}

// An accepting AARE whose user-information cannot be protected (the server's signing key
// is missing) is not sent, and the association the client never saw does not stand.
TEST_F(SecureSession, UnprotectableAnswerEndsTheAssociation) {
  Pairs = MakePairs(1);
  TSetup setup = SetupWith(1, Pairs);
  const secure::TClientKeys keys = ClientKeysOf(setup, Pairs);
  setup.SignaturePrivateKey.reset();
  Start("LN_WITH_CIPHERING", "NO_SECURITY", setup, keys);
  ASSERT_TRUE(Client.SendApdu(Secure->Aarq({}, TUserInfoProtection::SignedGeneralGlo)));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** Private key for 4D4D4D0000BC614E is not available"));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
}

// ---- High-level security with the keys of the security setup object ---------------------

namespace {

struct THlsCase {
  const char* Mechanism;
  int Suite;
  const char* Context;
};

std::string HlsName(const ::testing::TestParamInfo<THlsCase>& Info) {
  return std::string(Info.param.Mechanism + 14) + "_Suite" + std::to_string(Info.param.Suite) + "_" +
         Info.param.Context;
}

class Hls : public SecureSession, public ::testing::WithParamInterface<THlsCase> {
 protected:
  // The AARQ's answer: accepted, authentication required, the server's challenge.
  PduStr Associate(const PduStr& CtoS, uint32_t* AareCounter = nullptr) {
    const THlsCase& p = GetParam();
    const bool ciphered = std::string(p.Context) == "LN_WITH_CIPHERING";
    secure::TAarqRequest r;
    r.Context = p.Context;
    r.Mechanism = p.Mechanism;
    r.CallingAPTitle = kClientTitle;
    r.CallingAuthenticationValue = CtoS;
    COSEMpduPtr aare =
        Client.Request(Secure->Aarq(r, ciphered ? TUserInfoProtection::ServiceGlo : TUserInfoProtection::Plain));
    EXPECT_TRUE(aare);
    if (!aare) return PduStr();
    EXPECT_EQ(Result(aare), 0) << Flat(aare);
    EXPECT_EQ(Diagnostic(aare), 14);
    const PduStr ui = UserInformationOf(Aare(aare).UserInformation());
    if (ciphered) {
      std::vector<TLayerSeen> seen;
      EXPECT_EQ(Secure->Unprotect(ui, kServerTitle, &seen), kInitiateResponse);
      if (AareCounter && !seen.empty()) *AareCounter = seen[0].FC;
    } else {
      EXPECT_EQ(ui, kInitiateResponse);
    }
    return Aare(aare).RespondingAuthenticationValue() ? Aare(aare).RespondingAuthenticationValue()->Value : PduStr();
  }
  std::string Reply(const PduStr& F) {
    return ActionXml(15, "0000280000FF", 1, "<OctetString Value=\"" + ByteStrToHexStr(F) + "\" />");
  }
  // The pass-4 value of an accepted reply.
  PduStr Pass4(const COSEMpduPtr& Answer) {
    const std::string flat = Flat(Answer);
    const std::string head =
        "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"Success\" />"
        "<ReturnParameters><Data><OctetString Value=\"";
    if (flat.compare(0, head.size(), head) != 0) return PduStr();
    return HexStrToByteStr(flat.substr(head.size(), flat.find('"', head.size()) - head.size()));
  }
};

}  // namespace

// Pass 3 with a wrong answer drops the association; with the right one the server answers
// its own f(CtoS), which the client checks with OpenSSL, and the association stands. GMAC:
// the client's counter is the one in its answer, whatever it used before; the server's
// answer carries the next counter of the server.
TEST_P(Hls, PassesThreeAndFour) {
  const THlsCase& p = GetParam();
  const bool gmac = std::string(p.Mechanism) == "HIGH_SECURITY_GMAC";
  StartSuite(p.Context, p.Mechanism, p.Suite);
  const PduStr ctos = "client-to-server-challenge";

  PduStr stoc = Associate(ctos);
  ASSERT_GE(stoc.size(), 8u);
  PduStr wrong = gmac ? Secure->GmacPass3(stoc, 7) : Secure->EcdsaPass3(stoc, ctos);
  wrong[wrong.size() - 1] ^= 1;
  EXPECT_EQ(Ask(Reply(wrong)), kOperationNotPossible);
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);

  uint32_t aareCounter = 0;
  stoc = Associate(ctos, &aareCounter);
  const PduStr f = gmac ? Secure->GmacPass3(stoc, 1) : Secure->EcdsaPass3(stoc, ctos);
  const PduStr answer = Pass4(Client.RequestXml(Reply(f)));
  ASSERT_FALSE(answer.empty());
  if (gmac) {
    EXPECT_EQ(answer.size(), 17u);
    EXPECT_EQ(static_cast<uint8_t>(answer[0]), 0x10 | p.Suite);
    EXPECT_TRUE(Secure->GmacPass4Valid(answer, ctos));
    EXPECT_GT(CounterOf(answer), aareCounter);
  } else {
    EXPECT_EQ(answer.size(), p.Suite == 1 ? 64u : 96u);
    EXPECT_TRUE(Secure->EcdsaPass4Valid(answer, stoc, ctos));
  }
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kSerialNumber);
}

// The plain LN context is the mended case: the key store comes with the security setup
// object that the association references, ciphered or not.
INSTANTIATE_TEST_SUITE_P(Mechanisms, Hls,
                         ::testing::Values(THlsCase{"HIGH_SECURITY_GMAC", 0, "LN_WITH_CIPHERING"},
                                           THlsCase{"HIGH_SECURITY_GMAC", 1, "LN_WITH_CIPHERING"},
                                           THlsCase{"HIGH_SECURITY_GMAC", 2, "LN_WITH_CIPHERING"},
                                           THlsCase{"HIGH_SECURITY_GMAC", 0, "LN"},
                                           THlsCase{"HIGH_SECURITY_ECDSA", 1, "LN_WITH_CIPHERING"},
                                           THlsCase{"HIGH_SECURITY_ECDSA", 2, "LN_WITH_CIPHERING"},
                                           THlsCase{"HIGH_SECURITY_ECDSA", 1, "LN"},
                                           THlsCase{"HIGH_SECURITY_ECDSA", 2, "LN"}),
                         HlsName);

// Short-name referencing with ciphering: the SN association takes the same keys; the AARE's
// InitiateResponse (size 200, the association's base name) deciphers, pass 3 goes by READ
// of the reply-to-authentication variable, and the release is answered without
// user-information.
TEST_F(SecureSession, ShortNamesWithCipheringAndGmac) {
  for (int suite : {0, 2}) {
    SCOPED_TRACE(Format("suite %d", suite));
    StartSuite("LN_WITH_CIPHERING", "HIGH_SECURITY_GMAC", suite);
    const PduStr ctos = "SNclientChallenge";
    secure::TAarqRequest r;
    r.Context = "SN_WITH_CIPHERING";
    r.Mechanism = "HIGH_SECURITY_GMAC";
    r.CallingAuthenticationValue = ctos;
    r.ProposedConformance = 0x180220;  // read, write, multiple references, parameterised access
    COSEMpduPtr aare = Client.Request(Secure->Aarq(r, TUserInfoProtection::ServiceGlo));
    ASSERT_TRUE(aare);
    ASSERT_EQ(Result(aare), 0) << Flat(aare);
    EXPECT_EQ(Diagnostic(aare), 14);
    EXPECT_EQ(ByteStrToHexStr(Secure->Unprotect(UserInformationOf(Aare(aare).UserInformation()), kServerTitle)),
              "0800065F1F040018022000C8FA00");
    const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;

    const std::string answer = Ask(
        "<ReadRequest Qty=\"0001\" ><ParameterisedAccess><VariableName Value=\"FA58\" /><Selector Value=\"00\" />"
        "<Parameter><OctetString Value=\"" +
        ByteStrToHexStr(Secure->GmacPass3(stoc, Secure->FC++)) + "\" /></Parameter></ParameterisedAccess></ReadRequest>");
    const std::string head = "<ReadResponse Qty=\"0001\" ><Data><OctetString Value=\"";
    ASSERT_EQ(answer.compare(0, head.size(), head), 0) << answer;
    EXPECT_TRUE(Secure->GmacPass4Valid(
        HexStrToByteStr(answer.substr(head.size(), answer.find('"', head.size()) - head.size())), ctos));

    EXPECT_EQ(Flat(Client.Request(Secure->Rlrq(TUserInfoProtection::ServiceGlo))),
              "<ReleaseResponse><Reason Value=\"Normal\" /></ReleaseResponse>");
    EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  }
}

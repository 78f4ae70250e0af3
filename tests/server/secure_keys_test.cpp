// The keys of secured associations over loopback: the dedicated key of the InitiateRequest,
// key_transfer and security_activate through ACTION, and keys that the security setup
// object lacks.
#include "secure_test_support.h"

using namespace zv;
using namespace zv::test;
using secure::TUserInfoProtection;

namespace {

std::string KeyTransferXml(const std::vector<std::pair<int, PduStr>>& Keys) {
  std::string x = "<Array Qty=\"" + IntToHex(Keys.size(), 4) + "\" >";
  for (const auto& [id, wrapped] : Keys)
    x += "<Structure Qty=\"0002\" ><Enum Value=\"" + IntToHex(static_cast<uint64_t>(id), 2) +
         "\" /><OctetString Value=\"" + ByteStrToHexStr(wrapped) + "\" /></Structure>";
  return x + "</Array>";
}

std::string Activate(int Policy) { return "<Enum Value=\"" + IntToHex(static_cast<uint64_t>(Policy), 2) + "\" />"; }

}  // namespace

// A dedicated key of the suite's size is taken into the key store; one of another size
// rejects the association without a log line. An association without one clears it.
TEST_F(SecureSession, DedicatedKey) {
  struct TRow {
    int Suite;
    size_t Length;
    bool Accepted;
  };
  const TRow rows[] = {{0, 16, true}, {0, 17, false}, {0, 32, false}, {2, 32, true}, {2, 16, false}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(Format("suite %d, %d octets", row.Suite, static_cast<int>(row.Length)));
    StartSuite("LN_WITH_CIPHERING", "NO_SECURITY", row.Suite);
    const TSetup setup = TSetup::Of(row.Suite);
    const std::string getKey = GetXml(64, "00002B0000FF", setup.DEKAttribute());
    secure::TAarqRequest r;
    r.DedicatedKey = PduStr(row.Length, '\x8D');
    COSEMpduPtr aare = Client.Request(Secure->Aarq(r, TUserInfoProtection::ServiceGlo));
    ASSERT_TRUE(aare);
    if (!row.Accepted) {
      EXPECT_EQ(Result(aare), 1);
      EXPECT_EQ(Diagnostic(aare), 1);
      EXPECT_EQ(Aare(aare).ResponderACSERequirement(), nullptr);
      EXPECT_EQ(Ask(getKey), kOperationNotPossible);
      EXPECT_FALSE(Log().Contains("*** AA Rejected"));
      EXPECT_FALSE(Log().Contains("*** Dedicated key transfered"));
      continue;
    }
    ASSERT_EQ(Result(aare), 0) << Flat(aare);
    EXPECT_EQ(Ask(getKey), GetData("<OctetString Value=\"" + ByteStrToHexStr(r.DedicatedKey) + "\" />"));
    EXPECT_TRUE(Log().WaitForText("*** Dedicated key transfered"));
    ASSERT_TRUE(Client.Request(Secure->Rlrq(TUserInfoProtection::ServiceGlo)));
    ASSERT_EQ(Result(Client.Request(Secure->Aarq({}, TUserInfoProtection::ServiceGlo))), 0);
    EXPECT_EQ(Ask(getKey), GetData("<OctetString Value=\"\" />"));
  }
}

// Keys sent by key_transfer come into force once the answer has gone out: the next request
// is deciphered with them, and the old ones no longer serve. A new master key unwraps the
// keys that follow it.
TEST_F(SecureSession, KeyTransferThroughAction) {
  for (int suite : {0, 2}) {
    SCOPED_TRACE(Format("suite %d", suite));
    StartSuite("LN_WITH_CIPHERING", "HIGH_SECURITY_GMAC", suite);
    const TSetup setup = TSetup::Of(suite);
    const PduStr ctos = "0123456789";
    auto associate = [&] {
      secure::TAarqRequest r;
      r.Mechanism = "HIGH_SECURITY_GMAC";
      r.CallingAuthenticationValue = ctos;
      COSEMpduPtr aare = Client.Request(Secure->Aarq(r, TUserInfoProtection::ServiceGlo));
      ASSERT_TRUE(aare);
      ASSERT_EQ(Result(aare), 0) << Flat(aare);
      const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;
      const std::string reply = Ask(ActionXml(15, "0000280000FF", 1,
                                              "<OctetString Value=\"" +
                                                  ByteStrToHexStr(Secure->GmacPass3(stoc, Secure->FC++)) + "\" />"));
      ASSERT_NE(reply.find("<Result Value=\"Success\" />"), std::string::npos) << reply;
    };
    associate();

    const PduStr newGUEK = Key(suite, '\x81'), newGAK = Key(suite, '\x83');
    const std::string transfer = ActionXml(
        64, "00002B0000FF", 2,
        KeyTransferXml({{0, secure::KeyWrap(newGUEK, Secure->Keys.KEK)}, {2, secure::KeyWrap(newGAK, Secure->Keys.KEK)}}));
    EXPECT_EQ(Ask(transfer), ActionResult("Success"));
    EXPECT_EQ(Ask(GetXml(64, "00002B0000FF", setup.GUEKAttribute())),
              GetData("<OctetString Value=\"" + ByteStrToHexStr(newGUEK) + "\" />"));
    // Under the old keys the release is refused; under the new ones it is accepted and answered.
    EXPECT_EQ(Flat(Client.Request(Secure->Rlrq(TUserInfoProtection::ServiceGlo))), kOperationNotPossible);
    Secure->Keys.GUEK = newGUEK;
    Secure->Keys.GAK = newGAK;
    COSEMpduPtr rlre = Client.Request(Secure->Rlrq(TUserInfoProtection::ServiceGlo));
    ASSERT_TRUE(rlre);
    EXPECT_EQ(Secure->Unprotect(UserInformationOf(TCOSEMPDUHelper::AsReleaseResponse(*rlre).UserInformation()),
                                kServerTitle),
              kInitiateResponse);
    associate();

    // A new master key: keys wrapped with the old one are refused from then on.
    const PduStr newKEK = Key(suite, '\x8E');
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 2, KeyTransferXml({{3, secure::KeyWrap(newKEK, Secure->Keys.KEK)}}))),
              ActionResult("Success"));
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 2, KeyTransferXml({{0, secure::KeyWrap(newGUEK, Secure->Keys.KEK)}}))),
              ActionResult("OtherReason"));
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 2, KeyTransferXml({{0, secure::KeyWrap(newGUEK, newKEK)}}))),
              ActionResult("Success"));
  }
}

// security_activate raises the policy and never lowers it.
TEST_F(SecureSession, SecurityActivateOnlyRaises) {
  struct TRow {
    int Suite;
    int Start, Raised, Lowered;
  };
  for (const TRow& row : {TRow{0, 1, 3, 2}, TRow{1, 0x24, 0x64, 0x24}}) {
    SCOPED_TRACE(Format("suite %d", row.Suite));
    Pairs = MakePairs(row.Suite);
    TSetup setup = SetupWith(row.Suite, Pairs);
    setup.Policy = row.Start;
    Start("LN_WITH_CIPHERING", "NO_SECURITY", setup, ClientKeysOf(setup, Pairs));
    ASSERT_EQ(Result(Client.Request(Secure->Aarq({}, TUserInfoProtection::ServiceGlo))), 0);
    const std::string policy = GetXml(64, "00002B0000FF", 2);
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 1, Activate(row.Raised))), ActionResult("Success"));
    EXPECT_EQ(Ask(policy), GetData(Activate(row.Raised)));
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 1, Activate(row.Lowered))), ActionResult("OtherReason"));
    EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 1, "<Unsigned Value=\"FF\" />")), ActionResult("TypeUnmatched"));
    EXPECT_EQ(Ask(policy), GetData(Activate(row.Raised)));
  }
}

// A key that the security setup object lacks, or holds with the wrong size, is never used:
// pass 3 ends in the key store's error and is answered with silence; the association is gone.
TEST_F(SecureSession, MissingKeysAnswerPassThreeWithSilence) {
  struct TRow {
    const char* Name;
    const char* Mechanism;
    int Suite;
    void (*Change)(TSetup&);
    const char* Line;
  };
  const TRow rows[] = {
      {"no authentication key", "HIGH_SECURITY_GMAC", 0, [](TSetup& s) { s.GAK.reset(); },
       "*** EXCEPTION *** Symmetric key GAK is not available"},
      {"unicast key too long", "HIGH_SECURITY_GMAC", 2, [](TSetup& s) { s.GUEK = PduStr(33, '\x11'); },
       "*** EXCEPTION *** Symmetric key GUEK has 33 octets where 32 are required"},
      {"no client certificate", "HIGH_SECURITY_ECDSA", 1, [](TSetup& s) { s.ClientSigningPublic.reset(); },
       "*** EXCEPTION *** No Signing public key for \\ABCDEFGH found"},
      {"no signing key of the server", "HIGH_SECURITY_ECDSA", 2, [](TSetup& s) { s.SignaturePrivateKey.reset(); },
       "*** EXCEPTION *** Private key for 4D4D4D0000BC614E is not available"},
      // Suite 0 and a version 0 object hold no key pairs.
      {"signatures in suite 0", "HIGH_SECURITY_ECDSA", 0, [](TSetup&) {}, "*** EXCEPTION *** Assertion failure"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    Pairs = MakePairs(row.Suite);
    TSetup setup = SetupWith(row.Suite, Pairs);
    const secure::TClientKeys keys = ClientKeysOf(setup, Pairs);
    row.Change(setup);
    Start("LN", row.Mechanism, setup, keys);
    const PduStr ctos = "ClientToServer";
    secure::TAarqRequest r;
    r.Context = "LN";
    r.Mechanism = row.Mechanism;
    r.CallingAPTitle = kClientTitle;
    r.CallingAuthenticationValue = ctos;
    COSEMpduPtr aare = Client.Request(Secure->Aarq(r, TUserInfoProtection::Plain));
    ASSERT_TRUE(aare);
    ASSERT_EQ(Result(aare), 0) << Flat(aare);
    const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;
    const PduStr f = std::string(row.Mechanism) == "HIGH_SECURITY_GMAC" ? Secure->GmacPass3(stoc, 1)
                     : row.Suite == 0                                   ? PduStr(64, '\x5A')
                                                                        : Secure->EcdsaPass3(stoc, ctos);
    ASSERT_TRUE(Client.SendApdu(
        ApduFromXml(ActionXml(15, "0000280000FF", 1, "<OctetString Value=\"" + ByteStrToHexStr(f) + "\" />"))));
    ASSERT_TRUE(Log().WaitForText(row.Line));
    // The first answer the client sees is the one to its next request.
    EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  }
}

// The device is replaced while an association with a key store stands: the session's idle
// passes, which finish key transfers, leave the freed security setup object of the old
// device alone, and the association ends with the next request.
TEST_F(SecureSession, DeviceReplacedUnderAnAssociationWithKeys) {
  StartSuite("LN_WITH_CIPHERING", "NO_SECURITY", 0);
  ASSERT_EQ(Result(Client.Request(Secure->Aarq({}, TUserInfoProtection::ServiceGlo))), 0);
  Server->ReplaceDevice(SecureDevice("LN_WITH_CIPHERING", "NO_SECURITY", TSetup::Of(0)));
  // The session makes an idle pass at least every 100 ms; several run meanwhile.
  EXPECT_TRUE(Client.Silent(300));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  EXPECT_TRUE(Log().WaitForText("*** Device replaced, association ended"));
}

// key_transfer to a security setup object that the association does not take its keys from
// answers success, so its keys come into force once the answer has gone out all the same.
TEST_F(SecureSession, KeyTransferToAnObjectOutsideTheKeyStore) {
  const TSetup setup = TSetup::Of(0);
  std::string device = SecureDevice("LN", "NO_SECURITY", setup);
  const std::string reference = "<SecuritySetupReference Value=\"00002B0000FF\" />";
  const size_t at = device.find(reference);
  ASSERT_NE(at, std::string::npos);
  device.replace(at, reference.size(), "<SecuritySetupReference Value=\"\" />");
  Server = std::make_unique<TTestServer>(device, TSettings{{"EDITSystemTitle", ByteStrToHexStr(kServerTitle)}});
  ASSERT_TRUE(Server->Start());
  ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
  Client.ClientSAP = 48;
  ASSERT_EQ(Result(Client.RequestXml(AarqXml({}))), 0);

  const PduStr newGUEK = Key(0, '\x81');
  EXPECT_EQ(Ask(ActionXml(64, "00002B0000FF", 2, KeyTransferXml({{0, secure::KeyWrap(newGUEK, *setup.KEK)}}))),
            ActionResult("Success"));
  EXPECT_EQ(Ask(GetXml(64, "00002B0000FF", setup.GUEKAttribute())),
            GetData("<OctetString Value=\"" + ByteStrToHexStr(newGUEK) + "\" />"));
}

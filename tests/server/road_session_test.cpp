// The server's main road over loopback: association, GET, SET, ACTION and release against
// the example meter, with the test client written on our own codecs.
#include <gtest/gtest.h>

#include <chrono>

#include "apdu/apdu_views.h"
#include "apdu/ln_services.h"
#include "cosem/association_classes.h"
#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "support/test_client.h"
#include "support/test_server.h"
#include "transport/hdlc_server_layer.h"

using namespace zv;
using namespace zv::test;

namespace {

const std::string& Meter() {
  static const std::string text = ReadFile(ZV_EXAMPLES_DIR "/meter.txt");
  return text;
}



std::string GetData(const std::string& DataXml, const char* Invoke = "C1") {
  return std::string("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"") + Invoke +
         "\" /><Result><Data>" + DataXml + "</Data></Result></GetResponseNormal></GetResponse>";
}
std::string GetError(const std::string& Name, const char* Invoke = "C1") {
  return std::string("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"") + Invoke +
         "\" /><Result><DataAccessError Value=\"" + Name + "\" /></Result></GetResponseNormal></GetResponse>";
}
std::string SetResult(const std::string& Name) {
  return "<SetResponse><SetResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"" + Name +
         "\" /></SetResponseNormal></SetResponse>";
}

const TAssociationResponse& Aare(const COSEMpduPtr& Pdu) { return TCOSEMPDUHelper::AsAssociationResponse(*Pdu); }
int Result(const COSEMpduPtr& Pdu) { return Aare(Pdu).AssociationResult()->Value; }
int Diagnostic(const COSEMpduPtr& Pdu) { return Aare(Pdu).ResultSourceDiagnostic()->Diagnostic(); }

TAarqOptions Lls(const std::string& Password) {
  TAarqOptions o;
  o.Mechanism = "LOW_SECURITY";
  o.AuthenticationBit = true;
  o.AuthenticationValue = Password;
  return o;
}

class Road : public ::testing::Test {
 protected:
  void Start(const std::string& Device = Meter(), const TSettings& Settings = {}) {
    Server = std::make_unique<TTestServer>(Device, Settings);
    ASSERT_TRUE(Server->Start());
    ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
  }
  // An accepted association of the public client (or of ClientSAP with Options).
  void Associate(const TAarqOptions& Options = {}, int ClientSAP = 16) {
    Client.ClientSAP = ClientSAP;
    COSEMpduPtr r = Client.RequestXml(AarqXml(Options));
    ASSERT_TRUE(r);
    ASSERT_EQ(Result(r), 0) << Flat(r);
  }
  std::string Ask(const std::string& Xml) { return Flat(Client.RequestXml(Xml)); }
  TLogPump& Log() { return Server->Log(); }

  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
};

}  // namespace

// A client associates, reads a Data value, a register's value and scaler-unit, the clock's
// time and the current association's object list, and releases.
TEST_F(Road, PublicClientReadsAndReleases) {
  Start();
  COSEMpduPtr aare = Client.RequestXml(AarqXml({}));
  ASSERT_TRUE(aare);
  EXPECT_EQ(Flat(aare),
            "<AssociationResponse><ApplicationContextName Value=\"LN\" /><AssociationResult Value=\"00\" />"
            "<ResultSourceDiagnostic><ACSEServiceUser Value=\"00\" /></ResultSourceDiagnostic>"
            "<MechanismName Value=\"NO_SECURITY\" /><InitiateResponse><NegotiatedDlmsVersionNumber Value=\"06\" />"
            "<NegotiatedConformance><ConformanceBit Name=\"Action\" /><ConformanceBit Name=\"SelectiveAccess\" />"
            "<ConformanceBit Name=\"Set\" /><ConformanceBit Name=\"Get\" /><ConformanceBit Name=\"MultipleReferences\" />"
            "<ConformanceBit Name=\"BlockTransferWithGetOrRead\" /></NegotiatedConformance>"
            "<NegotiatedMaxPduSize Value=\"0400\" /><VaaName Value=\"0007\" /></InitiateResponse></AssociationResponse>");
  EXPECT_EQ(Client.LastSource, 1);
  EXPECT_EQ(Client.LastDestination, 16);

  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<OctetString Value=\"\\12345678\" />"));
  EXPECT_EQ(Ask(GetXml(3, "0100010800FF", 2)), GetData("<DoubleLongUnsigned Value=\"0012D687\" />"));
  EXPECT_EQ(Ask(GetXml(3, "0100020800FF", 3)),
            GetData("<Structure Qty=\"0002\" ><Integer Value=\"01\" /><Enum Value=\"1E\" /></Structure>"));
  EXPECT_EQ(Ask(GetXml(8, "0000010000FF", 2)), GetData("<OctetString Value=\"07E8060F06100000FF800000\" />"));

  // The object list of the association in use is the public association's list.
  COSEMpduPtr list = Client.RequestXml(GetXml(15, "0000280000FF", 2));
  ASSERT_TRUE(list);
  const auto& result =
      list->Value->As<TChoice>().Value->As<TSequence>().Get<TChoice>(GetResponseNormal::Result);
  ASSERT_TRUE(result.Value && result.Value->IsA(T_Data)) << Flat(list);
  auto device = MakeLogicalDevice(Meter());
  const TCOSEMInstance& publicAssociation = TLogicalDevice::Object(*device, 0);
  EXPECT_EQ(ByteStrToHexStr(result.Value->Encode()),
            ByteStrToHexStr(TLNAssociation::ObjectList(publicAssociation).EncodeData()));

  EXPECT_EQ(Ask(RlrqXml()), "<ReleaseResponse><Reason Value=\"Normal\" /></ReleaseResponse>");
  // The association is gone: the next request must be an AARQ.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  ASSERT_TRUE(Log().WaitForText("InstanceId=0100010800FF, ClassId=3, AttributeId=2"));
  EXPECT_TRUE(Log().Contains("*** (Inbound) connected to 127.0.0.1"));
  EXPECT_TRUE(Log().Contains("Max.Pdu size = 1024"));
  EXPECT_TRUE(Log().Contains("RECEIVED:"));
  EXPECT_TRUE(Log().Contains("SENT:"));
}

// The AARQ a common client sends, as octets.
TEST_F(Road, CommonClientAarqAccepted) {
  Start();
  COSEMpduPtr aare = Client.Request(
      HexStrToByteStr2("60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0"));
  ASSERT_TRUE(aare);
  EXPECT_EQ(Result(aare), 0);
  EXPECT_EQ(ByteStrToHexStr(aare->Encode()),
            "6132A109060760857405080101A203020100A305A103020100890760857405080200BE10040E0800065F1F040000121D"
            "04000007");
}

TEST_F(Road, LowSecurityClientSetsAndReads) {
  Start();
  Associate(Lls("12345678"), 32);
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
  EXPECT_EQ(Ask(SetXml(1, "0000600A01FF", 2, "<LongUnsigned Value=\"1234\" />")), SetResult("Success"));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"1234\" />"));
  // A Data object takes a value of any type.
  EXPECT_EQ(Ask(SetXml(1, "0000600A01FF", 2, "<VisibleString Value=\"\\abc\" />")), SetResult("Success"));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<VisibleString Value=\"\\abc\" />"));
  EXPECT_EQ(Ask(SetXml(8, "0000010000FF", 2, "<OctetString Value=\"07E90101030C0000FF800000\" />")),
            SetResult("Success"));
  EXPECT_EQ(Ask(GetXml(8, "0000010000FF", 2)), GetData("<OctetString Value=\"07E90101030C0000FF800000\" />"));
  // A method without behaviour of its own.
  EXPECT_EQ(Ask(ActionXml(8, "0000010000FF", 1, "<Integer Value=\"00\" />")),
            "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"OtherReason\" />"
            "</ActionResponseNormal></ActionResponse>");
  ASSERT_TRUE(Log().WaitForText("InstanceId=0000010000FF, ClassId=8, MethodId=1"));
}

// The example's script table answers a client's first ACTION: every client of the example
// may run its scripts, and a script writes the customer data.
TEST_F(Road, ExampleScriptsRunForEveryClient) {
  auto action = [](int Script) {
    return ActionXml(9, "00000A0064FF", 1, "<LongUnsigned Value=\"" + IntToHex(Script, 4) + "\" />");
  };
  auto result = [](const char* Name) {
    return std::string("<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"") +
           Name + "\" /></ActionResponseNormal></ActionResponse>";
  };
  Start();
  Associate();
  EXPECT_EQ(Ask(action(1)), result("Success"));
  EXPECT_EQ(Ask(action(3)), result("OtherReason"));
  EXPECT_EQ(Ask(RlrqXml()), "<ReleaseResponse><Reason Value=\"Normal\" /></ReleaseResponse>");

  Associate(Lls("12345678"), 32);
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0000\" />"));
  EXPECT_EQ(Ask(action(2)), result("Success"));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
  ASSERT_TRUE(Log().WaitForText("InstanceId=00000A0064FF, ClassId=9, MethodId=1"));
}

// Access rights of the association's object list.
TEST_F(Road, AccessRightsAreEnforced) {
  Start();
  Associate();
  // Read only.
  EXPECT_EQ(Ask(SetXml(3, "0100010800FF", 2, "<DoubleLongUnsigned Value=\"00000001\" />")),
            SetResult("ReadWriteDenied"));
  // Not in the public client's list, and in no list at all.
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetError("ObjectUnavailable"));
  EXPECT_EQ(Ask(GetXml(1, "0000600A02FF", 2)), GetError("ObjectUnavailable"));
  // Listed, but not that attribute.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 3)), GetError("ObjectUnavailable"));
  // A method nobody may invoke.
  EXPECT_EQ(Ask(ActionXml(8, "0000010000FF", 1, "<Integer Value=\"00\" />")),
            "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result "
            "Value=\"ObjectUnavailable\" /></ActionResponseNormal></ActionResponse>");
  // Selective access: entries 1 to 2 of the load profile; an object without it refuses.
  auto selective = [](const char* classId, const char* instance) {
    return std::string("<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\" /><AttributeDescriptor><ClassId "
                       "Value=\"") + classId + "\" /><InstanceId Value=\"" + instance +
           "\" /><AttributeId Value=\"02\" /></AttributeDescriptor>"
           "<AccessSelection><AccessSelector Value=\"02\" /><AccessParameters><Structure Qty=\"0004\" ><DoubleLongUnsigned "
           "Value=\"00000001\" /><DoubleLongUnsigned Value=\"00000002\" /><LongUnsigned Value=\"0001\" /><LongUnsigned "
           "Value=\"0000\" /></Structure></AccessParameters></AccessSelection></GetRequestNormal></GetRequest>";
  };
  EXPECT_NE(Ask(selective("0007", "0100630100FF")).find("<Array Qty=\"0002\" >"), std::string::npos);
  EXPECT_EQ(Ask(selective("0001", "0000600100FF")), GetError("ScopeOfAccessViolated"));
}

// With completion every object is readable and writable; values of the wrong shape are refused.
TEST_F(Road, ValuesOfTheWrongTypeAreTypeUnmatched) {
  // The public association lists nothing of its own.
  std::string device = Meter();
  const size_t from = device.find("<ObjectList Qty=\"0008\" >");
  const size_t to = device.find("</ObjectList>", from);
  ASSERT_NE(to, std::string::npos);
  device.replace(from, to - from, "<ObjectList Qty=\"0000\" >");
  Start(device, {{"CHKCompleteObjectList", "1"}});
  Associate();
  ASSERT_TRUE(Log().WaitForText("*** CurrentLNAssociationObject object-list completed"));
  EXPECT_EQ(Ask(SetXml(3, "0100010800FF", 3, "<Structure Qty=\"0001\" ><Integer Value=\"01\" /></Structure>")),
            SetResult("TypeUnmatched"));
  EXPECT_EQ(Ask(SetXml(8, "0000010000FF", 2, "<LongUnsigned Value=\"0001\" />")), SetResult("TypeUnmatched"));
  EXPECT_EQ(Ask(SetXml(3, "0100010800FF", 3,
                       "<Structure Qty=\"0002\" ><Integer Value=\"FD\" /><Enum Value=\"1B\" /></Structure>")),
            SetResult("Success"));
  EXPECT_EQ(Ask(GetXml(3, "0100010800FF", 3)),
            GetData("<Structure Qty=\"0002\" ><Integer Value=\"FD\" /><Enum Value=\"1B\" /></Structure>"));
  // Beyond the class's attributes.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 3)), GetError("ObjectUnavailable"));
  EXPECT_EQ(Ask(GetXml(15, "0000280001FF", 2)).substr(0, 60), GetData("").substr(0, 60));
}

TEST_F(Road, GetWithList) {
  Start();
  Associate();
  EXPECT_EQ(Ask(GetWithListXml({{1, "0000600100FF", 2}, {1, "0000600A01FF", 2}, {3, "0100010800FF", 2}})),
            "<GetResponse><GetResponseWithList><InvokeIdAndPriority Value=\"C1\" /><Result Qty=\"0003\" ><Data>"
            "<OctetString Value=\"\\12345678\" /></Data><DataAccessError Value=\"ObjectUnavailable\" /><Data>"
            "<DoubleLongUnsigned Value=\"0012D687\" /></Data></Result></GetResponseWithList></GetResponse>");
  // Without multiple references the list is refused as a whole.
  TAarqOptions o;
  o.Conformance = {"Get"};
  Client.RequestXml(RlrqXml());
  Associate(o);
  EXPECT_EQ(Ask(GetWithListXml({{1, "0000600100FF", 2}})), GetError("OtherReason"));
}

TEST_F(Road, LongAnswersAndSmallPduSizes) {
  Start();
  TAarqOptions o;
  o.MaxPduSize = 12;
  Associate(o);
  ASSERT_TRUE(Log().WaitForText("Max.Pdu size = 12"));
  // Nine octets of Data fit with the three of the response's head.
  EXPECT_EQ(Ask(GetXml(3, "0100010800FF", 2)), GetData("<DoubleLongUnsigned Value=\"0012D687\" />"));
  // A longer one goes in data blocks; at this size they hold one octet each.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)),
            "<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value=\"C1\" /><Result><LastBlock "
            "Value=\"00\" /><BlockNumber Value=\"00000001\" /><Result><RawData Value=\"09\" /></Result></Result>"
            "</GetResponseWithDataBlock></GetResponse>");
}

TEST_F(Road, UnconfirmedRequestsAreAnswered) {
  Start();
  Associate();
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2, 0x81)), GetData("<OctetString Value=\"\\12345678\" />", "81"));
}

// Services served later, and ciphered service APDUs.
TEST_F(Road, UnsupportedServices) {
  Start();
  const PduStr ciphered = HexStrToByteStr2("C8 05 01 02 03 04 05");
  EXPECT_EQ(Flat(Client.Request(ciphered)), kOperationNotPossible);
  Associate();
  EXPECT_EQ(Flat(Client.Request(ciphered)), kServiceNotSupported);
  // READ in a logical-name association.
  EXPECT_EQ(Flat(Client.Request(HexStrToByteStr2("05 01 02 FA 00"))), kOperationNotPossible);
  // An AARQ while associated, unless the setting accepts it.
  EXPECT_EQ(Ask(AarqXml({})), kOperationNotPossible);
  ASSERT_TRUE(Log().WaitForText("*** AARQ received in Associated state"));
  Server->SetSetting("CHKAcceptAARQ", "1");
  COSEMpduPtr again = Client.RequestXml(AarqXml({}));
  ASSERT_TRUE(again);
  EXPECT_EQ(Result(again), 0);
  EXPECT_TRUE(Log().WaitForText("*** Accept AARQ in Associated state"));
}

// Octets that do not decode.
TEST_F(Road, UndecodableRequests) {
  Start();
  Associate();
  struct Case {
    const char* octets;
    std::string answer;
  } cases[] = {
      {"C0 01 C5 00", GetError("OtherReason", "C5")},
      {"C1 01 C6", "<SetResponse><SetResponseNormal><InvokeIdAndPriority Value=\"C6\" /><Result Value=\"OtherReason\" />"
                   "</SetResponseNormal></SetResponse>"},
      {"05 02", "<ReadResponse Qty=\"0001\" ><DataAccessError Value=\"OtherReason\" /></ReadResponse>"},
      {"06 05", "<WriteResponse Qty=\"0001\" ><DataAccessError Value=\"OtherReason\" /></WriteResponse>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Flat(Client.Request(HexStrToByteStr2(c.octets))), c.answer) << c.octets;
  // Too short to carry an invoke id, or of no known kind: no answer.
  NoResponseGenerated = false;
  ASSERT_TRUE(Client.SendApdu(HexStrToByteStr2("C0 01")));
  ASSERT_TRUE(Log().WaitForCount("No response generated", 1));
  EXPECT_TRUE(NoResponseGenerated);
  ASSERT_TRUE(Client.SendApdu(HexStrToByteStr2("FE 01 02")));
  ASSERT_TRUE(Log().WaitForCount("No response generated", 2));
  // Nothing was sent for them: the next answer is the next request's.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<OctetString Value=\"\\12345678\" />"));
}

// A client that disconnects leaves no association behind.
TEST_F(Road, DisconnectEndsTheAssociation) {
  Start();
  Associate();
  Client.Close();
  ASSERT_TRUE(Log().WaitForText("*** Disconnected"));
  ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  Associate();
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<OctetString Value=\"\\12345678\" />"));
}

// Rejected associations: the AARE's result, diagnostic and user-information, and the log.
TEST_F(Road, RejectedAssociations) {
  Start();
  struct Case {
    const char* name;
    TAarqOptions options;
    int clientSAP;
    int diagnostic;
    bool provider;
    const char* serviceError;  // of the user-information; null: none
    const char* logLine;       // null: no "AA Rejected" line
  };
  TAarqOptions wrongSecret = Lls("87654321");
  TAarqOptions pdu11;
  pdu11.MaxPduSize = 11;
  TAarqOptions version5;
  version5.DlmsVersion = 5;
  TAarqOptions mechanismUnknown;
  mechanismUnknown.Mechanism = "LN";
  TAarqOptions contextUnknown;
  contextUnknown.Context = "UNKNOWN";
  TAarqOptions noBit;
  noBit.Mechanism = "LOW_SECURITY";
  noBit.AuthenticationValue = "12345678";
  TAarqOptions noValue = Lls("");
  TAarqOptions implementation;
  implementation.ImplementationInformation = true;
  TAarqOptions noCommonBit;
  noCommonBit.Conformance = {"Read", "Write"};
  TAarqOptions shortChallenge;
  shortChallenge.Mechanism = "HIGH_SECURITY_SHA256";
  shortChallenge.AuthenticationBit = true;
  shortChallenge.AuthenticationValue = "1234567";
  shortChallenge.CallingAPTitle = "ABCDEFGH";
  TAarqOptions noTitle = shortChallenge;
  noTitle.CallingAPTitle.clear();
  const Case cases[] = {
      {"wrong LLS secret", wrongSecret, 32, 13, false, nullptr, "*** Wrong LOW_SECURITY Secret \"12345678\""},
      {"PDU size 11", pdu11, 16, 1, false, "PduSizeTooShort", "*** AA Rejected: Proposed max receive pdu size too small"},
      {"DLMS version 5", version5, 16, 1, false, "DlmsVersionTooLow", nullptr},
      {"unknown mechanism", mechanismUnknown, 16, 11, false, nullptr, "*** AA Rejected: Mechanism name not supported"},
      {"unknown context", contextUnknown, 16, 2, false, nullptr, "*** AA Rejected: Application context name not supported"},
      {"unknown client", {}, 99, 1, false, nullptr, "*** AA Rejected: Association object not found"},
      {"mechanism of another association", Lls("12345678"), 16, 11, false, nullptr,
       "*** AA Rejected: Mechanism name doesn't match"},
      {"mechanism without ACSE", noBit, 32, 1, false, nullptr,
       "*** AA Rejected: Security association without mechanism name or ACSE"},
      {"ACSE without value", noValue, 32, 1, false, nullptr,
       "*** AA Rejected: ACSE requirement present but without Mechanism name and/or without authentication value"},
      {"implementation information", implementation, 16, 1, false, nullptr,
       "*** AA Rejected: ImplementationInformation present"},
      {"no common conformance", noCommonBit, 16, 1, false, "IncompatibleConformance",
       "*** AA Rejected: Negotiated conformance empty"},
      {"challenge of 7 octets", shortChallenge, 48, 13, false, nullptr,
       "*** AA Rejected: authentication failure, challenge not in range"},
      {"SHA-256 without title", noTitle, 48, 3, false, nullptr, "*** AA Rejected: Calling AP title not recognized"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client.ClientSAP = c.clientSAP;
    COSEMpduPtr aare = Client.RequestXml(AarqXml(c.options));
    ASSERT_TRUE(aare);
    EXPECT_EQ(Result(aare), 1) << Flat(aare);
    EXPECT_EQ(Diagnostic(aare), c.diagnostic);
    EXPECT_EQ(Aare(aare).ResultSourceDiagnostic()->IsServiceProvider(), c.provider);
    const TBERCOSEMpdu* ui = Aare(aare).UserInformation();
    if (c.serviceError) {
      ASSERT_NE(ui, nullptr);
      EXPECT_NE(Flat(ui->ToXMLString()).find(std::string("<Initiate Value=\"") + c.serviceError + "\" />"),
                std::string::npos)
          << Flat(aare);
    } else {
      EXPECT_EQ(ui, nullptr) << Flat(aare);
    }
    if (c.logLine) {
      EXPECT_TRUE(Log().WaitForText(c.logLine));
    }
    // Still not associated.
    EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  }
  // An AARQ without initiate request is not answered.
  Client.ClientSAP = 16;
  ASSERT_TRUE(Client.SendApdu(HexStrToByteStr2("60 0B A1 09 06 07 60 85 74 05 08 01 01")));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** Wrong assertion (1146)"));
  EXPECT_TRUE(Client.Silent(50));
  // A request for another server SAP is not answered at all.
  Client.ServerSAP = 2;
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(AarqXml({}))));
  ASSERT_TRUE(Log().WaitForText("*** APDU received for ServerSAP 2; expect ServerSAP 1"));
  ASSERT_TRUE(Log().WaitForText("No response generated"));
  Client.ServerSAP = 1;
  EXPECT_EQ(Result(Client.RequestXml(AarqXml({}))), 0);
  // The LLS secret in the association object wins.
  Client.RequestXml(RlrqXml());
  Associate(Lls("12345678"), 32);
}

TEST_F(Road, UserListNeedsTheCallingAEInvocationId) {
  std::string device = Meter();
  const std::string empty = "<UserList Qty=\"0000\" >\n      </UserList>";
  const size_t at = device.find(empty);
  ASSERT_NE(at, std::string::npos);
  device.replace(at, empty.size(),
                 "<UserList Qty=\"0001\" ><_UserListEntry><UserId Value=\"07\" /><UserName Value=\"\\Op\" />"
                 "</_UserListEntry></UserList>");
  Start(device);
  COSEMpduPtr aare = Client.RequestXml(AarqXml({}));
  EXPECT_EQ(Result(aare), 1);
  EXPECT_EQ(Diagnostic(aare), 6);
  // Rejected by the user check, the AARE still carries the negotiation.
  EXPECT_NE(Aare(aare).UserInformation(), nullptr);
  TAarqOptions o;
  o.CallingAEInvocationId = 7;
  Associate(o);
  EXPECT_EQ(Ask(GetXml(15, "0000280000FF", 11)),
            GetData("<Structure Qty=\"0002\" ><Unsigned Value=\"07\" /><VisibleString Value=\"\\Op\" /></Structure>"));
}

// High-level security: the passes 3 and 4 against digests computed with OpenSSL.
class HighSecurity : public Road, public ::testing::WithParamInterface<const char*> {};

TEST_P(HighSecurity, PassesThreeAndFour) {
  const std::string mechanism = GetParam();
  std::string device = Meter();
  const size_t at = device.find("HIGH_SECURITY_SHA256");
  ASSERT_NE(at, std::string::npos);
  device.replace(at, std::string("HIGH_SECURITY_SHA256").size(), mechanism);
  const PduStr serverTitle = HexStrToByteStr2("4D4D4D0000BC614E");
  const PduStr clientTitle = "ABCDEFGH";
  const PduStr secret = "0123456789ABCDEF";
  const PduStr ctos = "CtoS-challenge-16";
  Start(device, {{"EDITSystemTitle", "4D4D4D0000BC614E"}});

  for (bool right : {false, true}) {
    SCOPED_TRACE(right ? "right answer" : "wrong answer");
    TAarqOptions o;
    o.Mechanism = mechanism;
    o.AuthenticationBit = true;
    o.AuthenticationValue = ctos;
    o.CallingAPTitle = clientTitle;
    Client.ClientSAP = 48;
    COSEMpduPtr aare = Client.RequestXml(AarqXml(o));
    ASSERT_TRUE(aare);
    ASSERT_EQ(Result(aare), 0) << Flat(aare);
    EXPECT_EQ(Diagnostic(aare), 14);
    ASSERT_NE(Aare(aare).RespondingAuthenticationValue(), nullptr);
    const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;
    EXPECT_GE(stoc.size(), 8u);
    EXPECT_LE(stoc.size(), 16u);
    const bool sha256 = mechanism == "HIGH_SECURITY_SHA256";
    EXPECT_EQ(Aare(aare).RespondingAPTitle() != nullptr, sha256);
    const char* digest = sha256 ? "SHA256" : mechanism == "HIGH_SECURITY_MD5" ? "MD5" : "SHA1";
    PduStr f = sha256 ? Digest(digest, secret + clientTitle + serverTitle + stoc + ctos) : Digest(digest, stoc + secret);
    if (!right) f[0] = static_cast<char>(f[0] ^ 1);
    // Nothing but the reply to the challenge is served meanwhile.
    const std::string reply = ActionXml(15, "0000280000FF", 1, "<OctetString Value=\"" + ByteStrToHexStr(f) + "\" />");
    if (!right) {
      EXPECT_EQ(Ask(reply), kOperationNotPossible);
      EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
      continue;
    }
    const PduStr expected =
        sha256 ? Digest(digest, secret + serverTitle + clientTitle + ctos + stoc) : Digest(digest, ctos + secret);
    EXPECT_EQ(Ask(reply),
              "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"Success\" />"
              "<ReturnParameters><Data><OctetString Value=\"" +
                  ByteStrToHexStr(expected) + "\" /></Data></ReturnParameters></ActionResponseNormal></ActionResponse>");
    EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<OctetString Value=\"\\12345678\" />"));
  }
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, HighSecurity,
                         ::testing::Values("HIGH_SECURITY_MD5", "HIGH_SECURITY_SHA1", "HIGH_SECURITY_SHA256"));

// Mechanisms that need the keys of a security setup object fail their pass 3 without them,
// and plain HIGH_SECURITY never passes.
TEST_F(Road, PassThreeWithoutKeys) {
  std::string device = Meter();
  device.replace(device.find("HIGH_SECURITY_SHA256"), std::string("HIGH_SECURITY_SHA256").size(), "HIGH_SECURITY_GMAC");
  Start(device, {{"EDITSystemTitle", "4D4D4D0000BC614E"}});
  TAarqOptions o;
  o.Mechanism = "HIGH_SECURITY_GMAC";
  o.AuthenticationBit = true;
  o.AuthenticationValue = "12345678";
  o.CallingAPTitle = "ABCDEFGH";
  Client.ClientSAP = 48;
  ASSERT_EQ(Result(Client.RequestXml(AarqXml(o))), 0);
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(ActionXml(15, "0000280000FF", 1, "<OctetString Value=\"0102\" />"))));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** HIGH_SECURITY_GMAC needs the keys of a security setup object"));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
}

// A ciphered association needs a key store, which only a security setup object gives.
TEST_F(Road, CipheredContextWithoutKeyStore) {
  std::string device = Meter();
  const std::string ln = "<ApplicationContextName Value=\"LN\" />";
  device.replace(device.find(ln), ln.size(), "<ApplicationContextName Value=\"LN_WITH_CIPHERING\" />");
  Start(device);
  TAarqOptions o;
  o.Context = "LN_WITH_CIPHERING";
  COSEMpduPtr aare = Client.RequestXml(AarqXml(o));
  ASSERT_TRUE(aare);
  EXPECT_EQ(Diagnostic(aare), 3);
  // The user-information is not protected.
  o.CallingAPTitle = "ABCDEFGH";
  aare = Client.RequestXml(AarqXml(o));
  ASSERT_TRUE(aare);
  EXPECT_EQ(Result(aare), 1);
  EXPECT_EQ(Diagnostic(aare), 1);
  ASSERT_TRUE(Log().WaitForText("*** Ciphered Association does not referece a security setup object"));
  // A protected one cannot be unprotected without keys.
  std::string xml = AarqXml(o);
  const size_t from = xml.find("<InitiateRequest>");
  const size_t to = xml.find("</InitiateRequest>") + std::string("</InitiateRequest>").size();
  xml.replace(from, to - from, "<glo_InitiateRequest Value=\"300000000102030405\" />");
  aare = Client.RequestXml(xml);
  ASSERT_TRUE(aare);
  EXPECT_EQ(Result(aare), 1);
  EXPECT_EQ(Diagnostic(aare), 1);
  EXPECT_EQ(Aare(aare).ResponderACSERequirement(), nullptr);
  EXPECT_TRUE(Log().WaitForText("No key store for the ciphered association"));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
}

// The reply to the challenge by ACCESS: an access response that carries the pass-4 value.
TEST_F(Road, PassThreeByAccess) {
  std::string device = Meter();
  device.replace(device.find("HIGH_SECURITY_SHA256"), std::string("HIGH_SECURITY_SHA256").size(), "HIGH_SECURITY_MD5");
  Start(device);
  TAarqOptions o;
  o.Mechanism = "HIGH_SECURITY_MD5";
  o.AuthenticationBit = true;
  o.AuthenticationValue = "ClientToServer";
  Client.ClientSAP = 48;
  COSEMpduPtr aare = Client.RequestXml(AarqXml(o));
  ASSERT_EQ(Result(aare), 0);
  const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;
  const PduStr secret = "0123456789ABCDEF";
  auto access = [&](const PduStr& f) {
    return "<AccessRequest><LongInvokeIdAndPriority Value=\"50000001\" /><DateTime Value=\"\" /><AccessRequestBody>"
           "<AccessRequestSpecification Qty=\"AUTO\"><AccessRequestAction><MethodDescriptor><ClassId Value=\"000F\" />"
           "<InstanceId Value=\"0000280000FF\" /><MethodId Value=\"01\" /></MethodDescriptor></AccessRequestAction>"
           "</AccessRequestSpecification><AccessRequestListOfData Qty=\"AUTO\"><OctetString Value=\"" +
           ByteStrToHexStr(f) + "\" /></AccessRequestListOfData></AccessRequestBody></AccessRequest>";
  };
  EXPECT_EQ(Ask(access(Digest("MD5", stoc + secret))),
            "<AccessResponse><LongInvokeIdAndPriority Value=\"50000001\" /><DateTime Value=\"\" /><AccessResponseBody>"
            "<AccessRequestSpecification Qty=\"0001\" ><AccessRequestAction><MethodDescriptor><ClassId Value=\"000F\" />"
            "<InstanceId Value=\"0000280000FF\" /><MethodId Value=\"01\" /></MethodDescriptor></AccessRequestAction>"
            "</AccessRequestSpecification><AccessResponseListOfData Qty=\"0001\" ><OctetString Value=\"" +
                ByteStrToHexStr(Digest("MD5", PduStr("ClientToServer") + secret)) +
                "\" /></AccessResponseListOfData><AccessResponseSpecification Qty=\"0001\" ><AccessResponseAction>"
                "<Result Value=\"Success\" /></AccessResponseAction></AccessResponseSpecification></AccessResponseBody>"
                "</AccessResponse>");
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<OctetString Value=\"\\12345678\" />"));
}

// Short-name referencing: the SN association accepts with its own secret, the negotiated
// size 200, and the reply to the challenge by READ.
TEST_F(Road, ShortNameAssociationAndPassThreeByRead) {
  Start(ReadFile(ZV_FIXTURES_DIR "/core_classes.xml"));
  TAarqOptions o;
  o.Context = "SN";
  o.Mechanism = "HIGH_SECURITY_MD5";
  o.AuthenticationBit = true;
  o.AuthenticationValue = "ClientToServer";
  o.Conformance = {"Read", "Write", "Get"};
  COSEMpduPtr aare = Client.RequestXml(AarqXml(o));
  ASSERT_EQ(Result(aare), 0) << Flat(aare);
  EXPECT_NE(Flat(aare).find("<NegotiatedMaxPduSize Value=\"00C8\" /><VaaName Value=\"FA00\" />"), std::string::npos);
  const PduStr stoc = Aare(aare).RespondingAuthenticationValue()->Value;
  auto read = [&](const PduStr& f) {
    return "<ReadRequest Qty=\"0001\" ><ParameterisedAccess><VariableName Value=\"FA58\" /><Selector Value=\"00\" />"
           "<Parameter><OctetString Value=\"" +
           ByteStrToHexStr(f) + "\" /></Parameter></ParameterisedAccess></ReadRequest>";
  };
  EXPECT_EQ(Ask(read(Digest("MD5", stoc + "12345678"))),
            "<ReadResponse Qty=\"0001\" ><Data><OctetString Value=\"" +
                ByteStrToHexStr(Digest("MD5", PduStr("ClientToServer") + "12345678")) + "\" /></Data></ReadResponse>");
  ASSERT_TRUE(Log().WaitForText("Max.Pdu size = 200"));
  // A GET is no service of short-name referencing.
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), kOperationNotPossible);
  EXPECT_EQ(Ask(RlrqXml()), "<ReleaseResponse><Reason Value=\"Normal\" /></ReleaseResponse>");
  // A wrong reply by READ is a data-access error, and the association is gone.
  aare = Client.RequestXml(AarqXml(o));
  ASSERT_EQ(Result(aare), 0);
  EXPECT_EQ(Ask(read("wrong")), "<ReadResponse Qty=\"0001\" ><DataAccessError Value=\"OtherReason\" /></ReadResponse>");
  EXPECT_EQ(Ask(RlrqXml()), kOperationNotPossible);
}

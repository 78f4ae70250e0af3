#include <gtest/gtest.h>

#include <set>

#include "apdu/acse.h"
#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "apdu/cosem_pdu.h"
#include "apdu/initiate.h"
#include "apdu/test_util.h"

using namespace zv;
using namespace zv::test;
using namespace zv::TCOSEMPDUHelper;

namespace {

PduPtr Apdu(const PduStr& octets) { return MakeAnyFromPdu(xmlIgnore, T_COSEMpdu, octets); }
PduPtr ApduXml(const std::string& xml) { return MakeAnyFromXml(xmlIgnore, T_COSEMpdu, xml); }
TChoice& Ch(const PduPtr& p) { return p->As<TChoice>(); }

// An APDU from its tag and body; the length is put between them.
PduStr Tlv(const char* tag, const PduStr& body) {
  PduStr s = H(tag);
  EncodeVarLengthUnsignedInteger(s, static_cast<int64_t>(body.size()));
  return s + body;
}

// The conformance block 00 7E 1F (or 00 50 1F) as written at an indentation.
std::string Bits(const char* element, bool full, int indent) {
  std::string pad(static_cast<size_t>(indent) * 2, ' ');
  std::vector<const char*> names = {"Action", "EventNotification", "SelectiveAccess", "Set", "Get"};
  if (full) {
    for (const char* n : {"MultipleReferences", "BlockTransferWithAction", "BlockTransferWithSetOrWrite",
                          "BlockTransferWithGetOrRead", "Attribute0SupportedWithGet", "PriorityMgmtSupported"})
      names.push_back(n);
  } else {
    names.push_back("BlockTransferWithGetOrRead");
    names.push_back("PriorityMgmtSupported");
  }
  std::string s = pad + "<" + element + ">\r\n";
  for (const char* n : names) s += pad + "  <ConformanceBit Name=\"" + n + "\" />\r\n";
  return s + pad + "</" + element + ">\r\n";
}

// The AARQ of a common client for a logical-name association without security.
const char* const kAarq =
    "60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0";
const char* const kInitiateRequest = "01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0";
const char* const kInitiateResponse = "08 00 06 5F 1F 04 00 00 50 1F 01 F4 00 07";
const char* const kLN = "A1 09 06 07 60 85 74 05 08 01 01";

std::string InitiateRequestXml(int indent) {
  std::string pad(static_cast<size_t>(indent) * 2, ' ');
  return pad + "<InitiateRequest>\r\n" + pad + "  <ProposedDlmsVersionNumber Value=\"06\" />\r\n" +
         Bits("ProposedConformance", true, indent + 1) + pad + "  <ProposedMaxPduSize Value=\"04B0\" />\r\n" + pad +
         "</InitiateRequest>\r\n";
}

std::string InitiateResponseXml(int indent) {
  std::string pad(static_cast<size_t>(indent) * 2, ' ');
  return pad + "<InitiateResponse>\r\n" + pad + "  <NegotiatedDlmsVersionNumber Value=\"06\" />\r\n" +
         Bits("NegotiatedConformance", false, indent + 1) + pad + "  <NegotiatedMaxPduSize Value=\"01F4\" />\r\n" +
         pad + "  <VaaName Value=\"0007\" />\r\n" + pad + "</InitiateResponse>\r\n";
}

struct RoundTrip {
  PduStr octets;
  std::string xml;
};

// Octets -> object -> XML -> object -> octets, through the APDU choice.
void CheckRoundTrip(const RoundTrip& r) {
  SCOPED_TRACE(X(r.octets));
  PduPtr a = Apdu(r.octets);
  EXPECT_EQ(a->ToXMLString(), r.xml);
  EXPECT_EQ(X(a->Encode()), X(r.octets));
  PduPtr b = ApduXml(r.xml);
  EXPECT_EQ(X(b->Encode()), X(r.octets));
  PduPtr c = a->Clone();
  EXPECT_TRUE(c->IsEqual(*a));
  EXPECT_NE(Ch(c).Value.get(), Ch(a).Value.get());
}

}  // namespace

TEST(AssociationRequest, CommonClientRequest) {
  PduStr octets = H(kAarq);
  std::string xml = "<AssociationRequest>\r\n  <ApplicationContextName Value=\"LN\" />\r\n" + InitiateRequestXml(1) +
                    "</AssociationRequest>\r\n";
  CheckRoundTrip({octets, xml});

  PduPtr pdu = Apdu(octets);
  EXPECT_EQ(Ch(pdu).Tag, 96);
  const TAssociationRequest& aarq = AsAssociationRequest(Ch(pdu));
  ASSERT_NE(aarq.ApplicationContextName(), nullptr);
  EXPECT_EQ(aarq.ApplicationContextName()->Value, TObjectIdentifier::LN);
  EXPECT_EQ(aarq.MechanismName(), nullptr);
  EXPECT_EQ(aarq.CallingAPTitle(), nullptr);
  EXPECT_EQ(aarq.SenderACSERequirements(), nullptr);
  ASSERT_NE(aarq.UserInformation(), nullptr);
  EXPECT_EQ(aarq.UserInformation()->XMLId, xmlIgnore);
  EXPECT_EQ(aarq.UserInformation()->Tag, 1);
  const TCOSEMPduBase& initiate = *aarq.UserInformation()->Value;
  EXPECT_EQ(ProposedDlmsVersionNumberOf(initiate), 6);
  EXPECT_EQ(ProposedMaxPduSizeOf(initiate), 0x4B0);
  EXPECT_EQ(X(ProposedConformanceOf(initiate).Encode()), "5F1F0400007E1F");
  PduStr noLen;
  aarq.UserInformation()->EncodeToPduStrNoLen(noLen);
  EXPECT_EQ(X(noLen), X(H(kInitiateRequest)));

  // Fields arrive in any order; they are written in the order of the table.
  PduStr reordered = H("60 1D BE 10 04 0E") + H(kInitiateRequest) + H(kLN);
  PduPtr r = Apdu(reordered);
  EXPECT_EQ(X(r->Encode()), X(octets));
  EXPECT_EQ(r->ToXMLString(), xml);
  // A field that comes again replaces the first.
  PduStr twice = H("60 28") + H("A1 09 06 07 60 85 74 05 08 01 02") + H(kAarq).substr(2);
  EXPECT_EQ(AsAssociationRequest(Ch(Apdu(twice))).ApplicationContextName()->Value, TObjectIdentifier::LN);
}

TEST(AssociationRequest, SecurityFieldsAndEveryField) {
  // Low-level security: ACSE requirements, mechanism name, password.
  PduStr lls = Tlv("60", H(kLN) + H("8A 02 07 80 8B 07 60 85 74 05 08 02 01 AC 0A 80 08 31 32 33 34 35 36 37 38") +
                             H("BE 10 04 0E") + H(kInitiateRequest));
  EXPECT_EQ(X(lls.substr(0, 2)), "6036");
  CheckRoundTrip({lls, "<AssociationRequest>\r\n  <ApplicationContextName Value=\"LN\" />\r\n"
                       "  <SenderACSERequirements Value=\"1\" />\r\n  <MechanismName Value=\"LOW_SECURITY\" />\r\n"
                       "  <CallingAuthenticationValue Value=\"\\12345678\" />\r\n" +
                           InitiateRequestXml(1) + "</AssociationRequest>\r\n"});
  PduPtr llsPdu = Apdu(lls);
  const TAssociationRequest& a = AsAssociationRequest(Ch(llsPdu));
  EXPECT_EQ(a.SenderACSERequirements()->Value, "1");
  EXPECT_EQ(a.MechanismName()->Value, TObjectIdentifier::LOW_SECURITY);
  EXPECT_EQ(a.CallingAuthenticationValue()->Value, "12345678");

  PduStr all = Tlv("60", H("80 02 07 80 A1 09 06 07 60 85 74 05 08 01 03 A2 05 04 03 41 42 43 A3 04 04 02 01 02"
                           "A4 03 02 01 05 A5 03 02 01 06 A6 0A 04 08 4D 4D 4D 00 00 BC 61 4E A7 03 04 01 07"
                           "A8 03 02 01 08 A9 03 02 01 09 8A 02 07 80 8B 07 60 85 74 05 08 02 05"
                           "AC 0A 80 08 01 02 03 04 05 06 07 08 9D 03 41 42 43 BE 07 04 05 21 03 11 22 33"));
  CheckRoundTrip({all, Lines({"<AssociationRequest>", "  <ProtocolVersion Value=\"1\" />",
                              "  <ApplicationContextName Value=\"LN_WITH_CIPHERING\" />",
                              "  <CalledAPTitle Value=\"\\ABC\" />", "  <CalledAEQualifier Value=\"0102\" />",
                              "  <CalledAPInvocationId Value=\"05\" />", "  <CalledAEInvocationId Value=\"06\" />",
                              "  <CallingAPTitle Value=\"4D4D4D0000BC614E\" />", "  <CallingAEQualifier Value=\"07\" />",
                              "  <CallingAPInvocationId Value=\"08\" />", "  <CallingAEInvocationId Value=\"09\" />",
                              "  <SenderACSERequirements Value=\"1\" />",
                              "  <MechanismName Value=\"HIGH_SECURITY_GMAC\" />",
                              "  <CallingAuthenticationValue Value=\"0102030405060708\" />",
                              "  <ImplementationInformation Value=\"\\ABC\" />", "  <glo_InitiateRequest Value=\"112233\" />",
                              "</AssociationRequest>"})});
  PduPtr allPdu = Apdu(all);
  const TAssociationRequest& f = AsAssociationRequest(Ch(allPdu));
  EXPECT_EQ(f.ProtocolVersion()->Value, "1");
  EXPECT_EQ(X(f.CallingAPTitle()->Value), "4D4D4D0000BC614E");
  EXPECT_EQ(f.CallingAEInvocationId()->Value, 9);
  EXPECT_EQ(f.CalledAPInvocationId()->Value, 5);
  EXPECT_EQ(f.ImplementationInformation()->Value, "ABC");
  EXPECT_EQ(f.UserInformation()->Tag, 33);

  // A user-information above 127 octets takes the long length form twice.
  PduStr key(120, '\x5A');
  PduStr initiate = H("01 01 78") + key + H("00 00 06 5F 1F 04 00 00 7E 1F 04 B0");
  PduStr big = Tlv("60", H(kLN) + H("BE 81 8A 04 81 87") + initiate);
  PduPtr b = Apdu(big);
  EXPECT_EQ(X(b->Encode()), X(big));
  EXPECT_EQ(DedicatedKeyOf(*AsAssociationRequest(Ch(b)).UserInformation()->Value), key);
  EXPECT_EQ(X(ApduXml(b->ToXMLString())->Encode()), X(big));
}

TEST(AssociationRequest, DecodingErrors) {
  struct Row {
    PduStr octets;
    const char* error;
  };
  const Row rows[] = {
      {H("60 03 A0 01 00"), "Unexpected tag1 160"},
      {H("60 0B A1 09 04 07 60 85 74 05 08 01 01"), "Unexpected tag2 4"},
      {H(kAarq) + H("00"), "Unexpected tag1 0"},
      {H("60 06 A4 04 02 02 00 01"), "T_InvocationId: Illegal data size"},
      {H("60 04 BE 02 05 00"), "Unexpected tag2 5"},
      {H(kAarq).substr(0, 30), "Wrong encoding in pdu"},
      {H(kAarq).substr(0, 12), "Wrong encoding in pdu"},
      {H("60 04 80 02 07"), "Wrong encoding in pdu"},
      {H("60 02 80 00"), "BERBitString: illegal length 0"},
      {H("60 09 A1 07 06 05 60 85 74 05 08"), "Object identifier illegal length 5"},
      {H("60 80"), "Unsupported integer length."},
      {H("60"), "Wrong encoding in pdu"},
  };
  for (const auto& r : rows) EXPECT_EQ(ErrorOf([&] { Apdu(r.octets); }), r.error) << X(r.octets);
  // An APDU tag in the user-information that has no class.
  EXPECT_NE(ErrorOf([] { Apdu(H("60 05 BE 03 04 01 07")); }).find("illegal Tag 7"), std::string::npos);
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlAssociationRequest, T_AssociationRequest, H("60 00")); }),
            "T_AssociationRequest.CreateFromDataPduStr not implemented");

  // Without an application context name a request decodes, but can be neither written nor shown.
  for (const char* hex : {"60 00", "60 12 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0"}) {
    PduPtr p = Apdu(H(hex));
    EXPECT_EQ(AsAssociationRequest(Ch(p)).ApplicationContextName(), nullptr);
    EXPECT_EQ(ErrorOf([&] { p->Encode(); }), "Field ApplicationContextName missing");
    EXPECT_EQ(ErrorOf([&] { p->ToXMLString(); }), "Field ApplicationContextName missing");
  }
}

TEST(AssociationRequest, XmlOrderAndErrors) {
  const std::string head = "<AssociationRequest><ApplicationContextName Value=\"LN\"/>";
  struct Row {
    std::string xml;
    const char* error;
  };
  const Row rows[] = {
      {head + "<CallingAPTitle Value=\"01\"/><CalledAPTitle Value=\"01\"/></AssociationRequest>",
       "Stop tag \"AssociationRequest\" expected"},
      {"<AssociationRequest><CalledAPTitle Value=\"01\"/></AssociationRequest>",
       "Start tag \"ApplicationContextName\" expected"},
      {"<AssociationRequest><ProtocolVersion Value=\"1\"/></AssociationRequest>",
       "Start tag \"ApplicationContextName\" expected"},
      {head + "<UserInformation>" + InitiateRequestXml(0) + "</UserInformation></AssociationRequest>",
       "Stop tag \"AssociationRequest\" expected"},
      {head + InitiateResponseXml(0) + "</AssociationRequest>", "Stop tag \"AssociationRequest\" expected"},
      {head + "<CalledAPInvocationId Value=\"0001\"/></AssociationRequest>", "Illegal data size, expected 1, found 2"},
      {head + "<MechanismName Value=\"LOW\"/></AssociationRequest>", "Illegal value LOW"},
  };
  for (const auto& r : rows) EXPECT_EQ(ErrorOf([&] { ApduXml(r.xml); }), r.error) << r.xml;
  // Optional fields may be left out anywhere; the user-information is the APDU's own element.
  PduPtr p = ApduXml(head + "<SenderACSERequirements Value=\"1\"/><GeneralGloCiphering><SystemTitle Value=\"01\"/>"
                            "<CipheredService Value=\"02\"/></GeneralGloCiphering></AssociationRequest>");
  EXPECT_EQ(X(p->Encode()), X(Tlv("60", H(kLN) + H("8A 02 07 80 BE 07 04 05 DB 01 01 01 02"))));
}

TEST(AssociationRequest, CreateAndCopy) {
  PduPtr made = Create(T_AssociationRequest, xmlAssociationRequest);
  auto& a = made->As<TAssociationRequest>();
  for (size_t i = 0; i < TAssociationRequest::kFieldCount; ++i) EXPECT_NE(a.Fields[i], nullptr) << i;
  EXPECT_EQ(a.UserInformation()->XMLId, xmlUserInformation);
  EXPECT_EQ(a.ApplicationContextName()->Value, TObjectIdentifier::UNKNOWN);

  PduPtr decoded = Apdu(H(kAarq));
  PduPtr copy = decoded->Clone();
  auto& original = AsAssociationRequest(Ch(decoded));
  auto& clone = AsAssociationRequest(Ch(copy));
  EXPECT_NE(clone.ApplicationContextName(), original.ApplicationContextName());
  clone.ApplicationContextName()->Value = TObjectIdentifier::SN;
  EXPECT_EQ(original.ApplicationContextName()->Value, TObjectIdentifier::LN);
  EXPECT_EQ(clone.CallingAPTitle(), nullptr);

  // The user-information is replaced as a whole; SetField keeps the field's class.
  clone.SetUserInformation(MakeBERFromXml("<glo_InitiateRequest Value=\"AABB\"/>"));
  EXPECT_EQ(X(copy->Encode()), X(Tlv("60", H("A1 09 06 07 60 85 74 05 08 01 02 BE 06 04 04 21 02 AA BB"))));
  EXPECT_EQ(ErrorOf([&] { clone.SetField(TAssociationRequest::fCallingAPTitle, Create(T_InvocationId, xmlValue)); }),
            "Invalid class typecast");
  clone.SetField(TAssociationRequest::fUserInformation, nullptr);
  EXPECT_EQ(clone.UserInformation(), nullptr);
}

TEST(AssociationRequest, NestingFromAPeerIsBounded) {
  // A request carrying a request carrying a request ...: an error, not a stack overflow.
  PduStr apdu = H(kAarq);
  for (int i = 0; i < 300; ++i) {
    PduStr userInformation;
    EncodeVarLengthUnsignedInteger(userInformation, static_cast<int64_t>(apdu.size()));
    userInformation += apdu;
    apdu = Tlv("60", H(kLN) + Tlv("BE", H("04") + userInformation));
  }
  EXPECT_EQ(ErrorOf([&] { Apdu(apdu); }), "Wrong encoding in pdu");
}

TEST(AssociationResponse, AcceptingAndRejecting) {
  PduStr accept = H("61 29") + H(kLN) + H("A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E") + H(kInitiateResponse);
  std::string acceptXml = Lines({"<AssociationResponse>", "  <ApplicationContextName Value=\"LN\" />",
                                 "  <AssociationResult Value=\"00\" />", "  <ResultSourceDiagnostic>",
                                 "    <ACSEServiceUser Value=\"00\" />", "  </ResultSourceDiagnostic>"}) +
                          InitiateResponseXml(1) + "</AssociationResponse>\r\n";
  CheckRoundTrip({accept, acceptXml});

  PduStr reject = Tlv("61", H(kLN) + H("A2 03 02 01 01 A3 05 A1 03 02 01 0D 88 02 07 80 89 07 60 85 74 05 08 02 01"));
  CheckRoundTrip({reject, Lines({"<AssociationResponse>", "  <ApplicationContextName Value=\"LN\" />",
                                 "  <AssociationResult Value=\"01\" />", "  <ResultSourceDiagnostic>",
                                 "    <ACSEServiceUser Value=\"0D\" />", "  </ResultSourceDiagnostic>",
                                 "  <ResponderACSERequirement Value=\"1\" />",
                                 "  <MechanismName Value=\"LOW_SECURITY\" />", "</AssociationResponse>"})});

  PduStr provider = H("61 17") + H(kLN) + H("A2 03 02 01 01 A3 05 A2 03 02 01 02");
  CheckRoundTrip({provider, Lines({"<AssociationResponse>", "  <ApplicationContextName Value=\"LN\" />",
                                   "  <AssociationResult Value=\"01\" />", "  <ResultSourceDiagnostic>",
                                   "    <ACSEServiceProvider Value=\"02\" />", "  </ResultSourceDiagnostic>",
                                   "</AssociationResponse>"})});
  PduPtr providerPdu = Apdu(provider);
  const TAssociationResponse& p = AsAssociationResponse(Ch(providerPdu));
  EXPECT_EQ(p.AssociationResult()->Value, 1);
  EXPECT_TRUE(p.ResultSourceDiagnostic()->IsServiceProvider());
  EXPECT_EQ(p.ResultSourceDiagnostic()->Diagnostic(), 2);

  // High-level security: the server's title and challenge, and every other field.
  PduStr hls = Tlv("61", H("80 02 07 80 A1 09 06 07 60 85 74 05 08 01 03 A2 03 02 01 00 A3 05 A1 03 02 01 0E"
                           "A4 0A 04 08 53 52 56 00 00 00 00 01 A5 03 04 01 02 A6 03 02 01 03 A7 03 02 01 04"
                           "88 02 07 80 89 07 60 85 74 05 08 02 05 AA 0A 80 08 11 12 13 14 15 16 17 18"
                           "BE 06 04 04 28 02 01 02"));
  CheckRoundTrip({hls, Lines({"<AssociationResponse>", "  <ProtocolVersion Value=\"1\" />",
                              "  <ApplicationContextName Value=\"LN_WITH_CIPHERING\" />",
                              "  <AssociationResult Value=\"00\" />", "  <ResultSourceDiagnostic>",
                              "    <ACSEServiceUser Value=\"0E\" />", "  </ResultSourceDiagnostic>",
                              "  <RespondingAPTitle Value=\"5352560000000001\" />",
                              "  <RespondingAEQualifier Value=\"02\" />", "  <RespondingAPInvocationId Value=\"03\" />",
                              "  <RespondingAEInvocationId Value=\"04\" />", "  <ResponderACSERequirement Value=\"1\" />",
                              "  <MechanismName Value=\"HIGH_SECURITY_GMAC\" />",
                              "  <RespondingAuthenticationValue Value=\"1112131415161718\" />",
                              "  <glo_InitiateResponse Value=\"0102\" />", "</AssociationResponse>"})});
}

TEST(AssociationResponse, BuiltFromTheServersTemplates) {
  // The accepting response as the server writes it, with the mechanism named.
  std::string accept =
      "<AssociationResponse><ApplicationContextName Value=\"LN\" /><AssociationResult Value=\"00\" />"
      "<ResultSourceDiagnostic><ACSEServiceUser Value=\"00\" /></ResultSourceDiagnostic>"
      "<MechanismName Value=\"NO_SECURITY\" /><InitiateResponse><NegotiatedDlmsVersionNumber Value=\"06\" />" +
      Bits("NegotiatedConformance", false, 0) +
      "<NegotiatedMaxPduSize Value=\"01F4\" /><VaaName Value=\"0007\" /></InitiateResponse></AssociationResponse>";
  PduPtr a = ApduXml(accept);
  EXPECT_EQ(X(a->Encode()), X(Tlv("61", H(kLN) + H("A2 03 02 01 00 A3 05 A1 03 02 01 00 89 07 60 85 74 05 08 02 00"
                                                   "BE 10 04 0E") +
                                           H(kInitiateResponse))));

  // A rejection whose user-information becomes a confirmed service error.
  PduPtr r = ApduXml(
      "<AssociationResponse><ApplicationContextName Value=\"LN\" /><AssociationResult Value=\"01\" />"
      "<ResultSourceDiagnostic><ACSEServiceUser Value=\"01\" /></ResultSourceDiagnostic></AssociationResponse>");
  auto& aare = AsAssociationResponse(Ch(r));
  EXPECT_EQ(aare.UserInformation(), nullptr);
  aare.SetUserInformation(MakeBERFromXml(
      "<ConfirmedServiceError>  <Service Value = \"01\" />  <ServiceError>    <Initiate Value = "
      "\"IncompatibleConformance\" />  </ServiceError></ConfirmedServiceError>"));
  PduStr rejected = Tlv("61", H(kLN) + H("A2 03 02 01 01 A3 05 A1 03 02 01 01 BE 06 04 04 0E 01 06 02"));
  EXPECT_EQ(X(r->Encode()), X(rejected));
  EXPECT_EQ(X(ApduXml(r->ToXMLString())->Encode()), X(rejected));

  // The setters add or change the result and the diagnostic.
  aare.SetAssociationResult(0);
  aare.SetResultSourceDiagnostic(true, 2);
  EXPECT_EQ(aare.AssociationResult()->Value, 0);
  EXPECT_EQ(X(r->Encode().substr(13, 12)), "A203020100A305A203020102");
  PduPtr made = Create(T_AssociationResponse, xmlAssociationResponse);
  auto& m = made->As<TAssociationResponse>();
  m.SetField(TAssociationResponse::fAssociationResult, nullptr);
  m.SetAssociationResult(1);
  m.SetResultSourceDiagnostic(false, 13);
  m.ApplicationContextName()->Value = TObjectIdentifier::SN;
  m.SetField(TAssociationResponse::fProtocolVersion, nullptr);
  for (size_t i = TAssociationResponse::fRespondingAPTitle; i < TAssociationResponse::kFieldCount; ++i)
    m.SetField(i, nullptr);
  EXPECT_EQ(X(made->Encode()), X(H("17 A1 09 06 07 60 85 74 05 08 01 02 A2 03 02 01 01 A3 05 A1 03 02 01 0D")));
}

TEST(AssociationResponse, Errors) {
  struct Row {
    const char* octets;
    const char* error;
  };
  const Row rows[] = {
      {"61 07 A3 05 A3 03 02 01 00", "T_ResultSourceDiagnostic : illegal Tag 163"},
      {"61 07 A3 05 A1 03 03 01 00", "Byte[7]:, expected 0x02 found 0x03"},
      {"61 07 A3 05 A1 03 02 02 00", "T_ACSEServiceUser: Illegal data size"},
      {"61 07 A3 05 A2 03 02 00 00", "T_ACSEServiceProvider: Illegal data size"},
      {"61 05 A2 03 02 02 00", "T_AssociationResult: Illegal data size"},
      {"61 03 8A 01 00", "Unexpected tag1 138"},
      {"61 0B A2 09 06 07 60 85 74 05 08 01 01", "Unexpected tag2 6"},
  };
  for (const auto& r : rows) EXPECT_EQ(ErrorOf([&] { Apdu(H(r.octets)); }), r.error) << r.octets;

  // Missing mandatory fields, reported in the order of the table.
  struct Missing {
    PduStr octets;
    const char* error;
  };
  const Missing missing[] = {
      {H("61 0C A2 03 02 01 00 A3 05 A1 03 02 01 00"), "Field ApplicationContextName missing"},
      {H("61 07 A3 05 A1 03 02 01 00"), "Field ApplicationContextName missing"},
      {Tlv("61", H(kLN) + H("A3 05 A1 03 02 01 00")), "Field AssociationResult missing"},
      {Tlv("61", H(kLN) + H("A2 03 02 01 00")), "Field ResultSourceDiagnostic missing"},
  };
  for (const auto& m : missing) {
    PduPtr p = Apdu(m.octets);
    EXPECT_EQ(ErrorOf([&] { p->Encode(); }), m.error);
    EXPECT_EQ(ErrorOf([&] { p->ToXMLString(); }), m.error);
  }

  const std::string head = "<AssociationResponse><ApplicationContextName Value=\"LN\"/>";
  struct XmlRow {
    std::string xml;
    const char* error;
  };
  const XmlRow xmlRows[] = {
      {head + "<AssociationResult Value=\"00\"/><ResultSourceDiagnostic><AssociationResult Value=\"00\"/>",
       "T_ResultSourceDiagnostic : illegal choice"},
      {head + "<AssociationResult Value=\"0000\"/>", "Illegal data size, expected 1, found 2"},
      {head + "<ResultSourceDiagnostic><ACSEServiceUser Value=\"00\"/></ResultSourceDiagnostic>",
       "Start tag \"AssociationResult\" expected"},
      {head + "<AssociationResult Value=\"00\"/><ResultSourceDiagnostic><ACSEServiceUser Value=\"00\"/>"
              "<ACSEServiceUser Value=\"00\"/></ResultSourceDiagnostic>",
       "Stop tag \"ResultSourceDiagnostic\" expected"},
      {head + "<AssociationResult Value=\"00\"/><ResultSourceDiagnostic><ACSEServiceUser Value=\"00\"/>"
              "</ResultSourceDiagnostic>" +
           InitiateRequestXml(0) + "</AssociationResponse>",
       "Stop tag \"AssociationResponse\" expected"},
  };
  for (const auto& r : xmlRows) EXPECT_EQ(ErrorOf([&] { ApduXml(r.xml); }), r.error) << r.xml;

  PduPtr d = Create(T_ResultSourceDiagnostic, xmlResultSourceDiagnostic);
  EXPECT_EQ(ErrorOf([&] { d->Encode(); }), "T_ResultSourceDiagnostic : illegal Tag 0");
  d->As<TResultSourceDiagnostic>().Set(false, 1);
  EXPECT_EQ(X(d->Encode()), "05A103020101");
  // Without an element of its own the diagnostic is its alternative alone.
  PduPtr bare = MakeAnyFromXml(xmlIgnore, T_ResultSourceDiagnostic, "<ACSEServiceProvider Value=\"02\"/>");
  EXPECT_EQ(X(bare->Encode()), "05A203020102");
  EXPECT_EQ(bare->ToXMLString(), "<ACSEServiceProvider Value=\"02\" />\r\n");
}

TEST(Release, RequestsAndResponses) {
  const RoundTrip rows[] = {
      {H("62 03 80 01 00"), Lines({"<ReleaseRequest>", "  <Reason Value=\"Normal\" />", "</ReleaseRequest>"})},
      {H("62 03 80 01 01"), Lines({"<ReleaseRequest>", "  <Reason Value=\"Urgent\" />", "</ReleaseRequest>"})},
      {H("63 03 80 01 01"), Lines({"<ReleaseResponse>", "  <Reason Value=\"NotFinished\" />", "</ReleaseResponse>"})},
      {H("63 03 80 01 1E"), Lines({"<ReleaseResponse>", "  <Reason Value=\"UserDefined\" />", "</ReleaseResponse>"})},
      {H("62 00"), Lines({"<ReleaseRequest>", "</ReleaseRequest>"})},
      {H("62 15 80 01 00 BE 10 04 0E") + H(kInitiateRequest),
       "<ReleaseRequest>\r\n  <Reason Value=\"Normal\" />\r\n  <UserInformation>\r\n" + InitiateRequestXml(2) +
           "  </UserInformation>\r\n</ReleaseRequest>\r\n"},
      {H("63 15 80 01 00 BE 10 04 0E") + H(kInitiateResponse),
       "<ReleaseResponse>\r\n  <Reason Value=\"Normal\" />\r\n  <UserInformation>\r\n" + InitiateResponseXml(2) +
           "  </UserInformation>\r\n</ReleaseResponse>\r\n"},
      {H("63 07 BE 05 04 03 28 01 AA"),
       Lines({"<ReleaseResponse>", "  <UserInformation>", "    <glo_InitiateResponse Value=\"AA\" />",
              "  </UserInformation>", "</ReleaseResponse>"})},
      // A reason without a name decodes, is shown by its number and read back.
      {H("62 03 80 01 05"), Lines({"<ReleaseRequest>", "  <Reason Value=\"05\" />", "</ReleaseRequest>"})},
  };
  for (const auto& r : rows) CheckRoundTrip(r);

  // The server's release response with an initiate response.
  PduPtr rlre = ApduXml("<ReleaseResponse><Reason Value=\"Normal\" /><UserInformation><InitiateResponse>"
                        "<NegotiatedDlmsVersionNumber Value=\"06\" />" +
                        Bits("NegotiatedConformance", false, 0) +
                        "<NegotiatedMaxPduSize Value=\"01F4\" /><VaaName Value=\"0007\" /></InitiateResponse>"
                        "</UserInformation></ReleaseResponse>");
  EXPECT_EQ(X(rlre->Encode()), X(H("63 15 80 01 00 BE 10 04 0E") + H(kInitiateResponse)));
  const TReleaseResponse& view = AsReleaseResponse(Ch(rlre));
  EXPECT_EQ(view.Reason()->Value, 0);
  EXPECT_EQ(view.UserInformation()->XMLId, xmlUserInformation);
  EXPECT_EQ(NegotiatedMaxPduSizeOf(*view.UserInformation()->Value), 500);

  // A user-information set from outside is written inside its UserInformation element.
  PduPtr rlrq = Apdu(H("62 03 80 01 00"));
  auto& req = Ch(rlrq).Value->As<TReleaseRequest>();
  req.SetUserInformation(MakeBERFromXml("<glo_InitiateRequest Value=\"01\"/>"));
  EXPECT_NE(rlrq->ToXMLString().find("  <UserInformation>\r\n    <glo_InitiateRequest"), std::string::npos);
  EXPECT_EQ(X(ApduXml(rlrq->ToXMLString())->Encode()), "620A800100BE0504032101" "01");
}

TEST(Release, Errors) {
  struct Row {
    const char* octets;
    const char* error;
  };
  const Row rows[] = {
      {"62 03 80 02 00", "Byte[4]:, expected 0x01 found 0x02"},
      {"62 02 81 00", "Unexpected tag1 129"},
      {"63 04 BE 02 05 00", "Unexpected tag2 5"},
      {"62 03 80 01", "Wrong encoding in pdu"},
  };
  for (const auto& r : rows) EXPECT_EQ(ErrorOf([&] { Apdu(H(r.octets)); }), r.error) << r.octets;

  struct XmlRow {
    std::string xml;
    const char* error;
  };
  const XmlRow xmlRows[] = {
      {"<ReleaseResponse><Reason Value=\"Urgent\"/></ReleaseResponse>", "T_ReleaseResponseReason: illegal element Urgent"},
      {"<ReleaseRequest><Reason Value=\"normal\"/></ReleaseRequest>", "T_ReleaseRequestReason: illegal element normal"},
      {"<ReleaseRequest>" + InitiateRequestXml(0) + "</ReleaseRequest>", "Stop tag \"ReleaseRequest\" expected"},
      {"<ReleaseRequest><UserInformation></UserInformation></ReleaseRequest>",
       "T_BERCOSEMpdu.CreateFromXml : illegal choice"},
  };
  for (const auto& r : xmlRows) EXPECT_EQ(ErrorOf([&] { ApduXml(r.xml); }), r.error) << r.xml;
  EXPECT_EQ(X(ApduXml("<ReleaseRequest><Reason Value=\"Urgent\"/></ReleaseRequest>")->Encode()), "6203800101");

  PduPtr made = Create(T_ReleaseResponse, xmlReleaseResponse);
  EXPECT_EQ(made->As<TReleaseResponse>().Reason()->Value, 0);
  made->As<TReleaseResponse>().SetField(TReleaseApdu::fUserInformation, nullptr);
  EXPECT_EQ(X(made->Encode()), "03800100");
}

TEST(AcseTypes, DescriptorTable) {
  const TypeTable& t = ApduAcseTypes();
  std::set<std::string> names;
  for (size_t i = 0; i < t.count; ++i) {
    const TypeInfo& type = *t.types[i];
    SCOPED_TRACE(type.name);
    EXPECT_TRUE(names.insert(type.name).second);
    EXPECT_TRUE(type.InheritsFrom(TCOSEMPduBase_Type));
    PduPtr p = Create(type, type.ownId);
    // Each class's own element is "_" and its name.
    EXPECT_EQ(std::string(XMLIdNames[type.ownId]), "_" + p->FriendlyName());
    PduPtr c = p->Clone();
    EXPECT_EQ(c->ClassName(), p->ClassName());
    EXPECT_TRUE(c->EqualType(*p));
  }
  EXPECT_EQ(names.count("T_Conformance"), 1u);
  EXPECT_EQ(names.count("T_BERCOSEMpdu"), 1u);
}

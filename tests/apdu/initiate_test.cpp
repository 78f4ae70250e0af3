#include <gtest/gtest.h>

#include "apdu/initiate.h"
#include "apdu/test_util.h"

using namespace zv;
using namespace zv::test;

namespace {

const std::string kProposed0x007E1F = Lines({
    "  <ProposedConformance>",
    "    <ConformanceBit Name=\"Action\" />",
    "    <ConformanceBit Name=\"EventNotification\" />",
    "    <ConformanceBit Name=\"SelectiveAccess\" />",
    "    <ConformanceBit Name=\"Set\" />",
    "    <ConformanceBit Name=\"Get\" />",
    "    <ConformanceBit Name=\"MultipleReferences\" />",
    "    <ConformanceBit Name=\"BlockTransferWithAction\" />",
    "    <ConformanceBit Name=\"BlockTransferWithSetOrWrite\" />",
    "    <ConformanceBit Name=\"BlockTransferWithGetOrRead\" />",
    "    <ConformanceBit Name=\"Attribute0SupportedWithGet\" />",
    "    <ConformanceBit Name=\"PriorityMgmtSupported\" />",
    "  </ProposedConformance>",
});

}  // namespace

TEST(Initiate, RoundTrips) {
  struct Row {
    const TypeInfo* type;
    TXMLId id;
    const char* plain;
    std::string xml;
  };
  const Row rows[] = {
      {&T_InitiateRequest, xmlInitiateRequest, "00 00 00 06 5F 1F 04 00 00 7E 1F FF FF",
       "<InitiateRequest>\r\n  <ProposedDlmsVersionNumber Value=\"06\" />\r\n" + kProposed0x007E1F +
           "  <ProposedMaxPduSize Value=\"FFFF\" />\r\n</InitiateRequest>\r\n"},
      {&T_InitiateRequest, xmlInitiateRequest,
       "01 10 000102030405060708090A0B0C0D0E0F 01 00 01 FF 06 5F 1F 04 00 00 7E 1F 04 B0",
       "<InitiateRequest>\r\n  <DedicatedKey Value=\"000102030405060708090A0B0C0D0E0F\" />\r\n"
       "  <ResponseAllowed Value=\"00\" />\r\n  <ProposedQualityOfService Value=\"FF\" />\r\n"
       "  <ProposedDlmsVersionNumber Value=\"06\" />\r\n" +
           kProposed0x007E1F + "  <ProposedMaxPduSize Value=\"04B0\" />\r\n</InitiateRequest>\r\n"},
      {&T_InitiateResponse, xmlInitiateResponse, "00 06 5F 1F 04 00 00 50 1F 01 F4 00 07",
       Lines({"<InitiateResponse>", "  <NegotiatedDlmsVersionNumber Value=\"06\" />", "  <NegotiatedConformance>",
              "    <ConformanceBit Name=\"Action\" />", "    <ConformanceBit Name=\"EventNotification\" />",
              "    <ConformanceBit Name=\"SelectiveAccess\" />", "    <ConformanceBit Name=\"Set\" />",
              "    <ConformanceBit Name=\"Get\" />", "    <ConformanceBit Name=\"BlockTransferWithGetOrRead\" />",
              "    <ConformanceBit Name=\"PriorityMgmtSupported\" />", "  </NegotiatedConformance>",
              "  <NegotiatedMaxPduSize Value=\"01F4\" />", "  <VaaName Value=\"0007\" />", "</InitiateResponse>"})},
      {&T_InitiateResponse, xmlInitiateResponse, "01 02 06 5F 1F 04 00 00 00 00 00 C8 FA 00",
       Lines({"<InitiateResponse>", "  <NegotiatedQualityOfService Value=\"02\" />",
              "  <NegotiatedDlmsVersionNumber Value=\"06\" />", "  <NegotiatedConformance>",
              "  </NegotiatedConformance>", "  <NegotiatedMaxPduSize Value=\"00C8\" />", "  <VaaName Value=\"FA00\" />",
              "</InitiateResponse>"})},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    PduPtr a = MakeAnyFromPdu(r.id, *r.type, H(r.plain));
    EXPECT_EQ(a->ToXMLString(), r.xml);
    EXPECT_EQ(X(a->Encode()), X(H(r.plain)));
    EXPECT_EQ(X(MakeAnyFromXml(r.id, *r.type, r.xml)->Encode()), X(H(r.plain)));
    EXPECT_TRUE(a->Clone()->IsEqual(*a));
  }
}

TEST(Initiate, TypedReads) {
  PduPtr plain = MakeAnyFromPdu(xmlInitiateRequest, T_InitiateRequest, H("00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0"));
  EXPECT_EQ(DedicatedKeyOf(*plain), "");
  EXPECT_EQ(ProposedDlmsVersionNumberOf(*plain), 6);
  EXPECT_EQ(ProposedMaxPduSizeOf(*plain), 0x4B0);
  EXPECT_TRUE(ProposedConformanceOf(*plain).IsSet(cbMultipleReferences));
  EXPECT_FALSE(ProposedConformanceOf(*plain).IsSet(cbGeneralBlockTransfer));

  PduPtr keyed = MakeAnyFromPdu(xmlInitiateRequest, T_InitiateRequest,
                                H("01 04 11223344 00 00 05 5F 1F 04 00 00 00 1D 00 0C"));
  EXPECT_EQ(X(DedicatedKeyOf(*keyed)), "11223344");
  EXPECT_EQ(ProposedDlmsVersionNumberOf(*keyed), 5);

  PduPtr response =
      MakeAnyFromPdu(xmlInitiateResponse, T_InitiateResponse, H("00 06 5F 1F 04 00 00 50 1F 01 F4 00 07"));
  EXPECT_EQ(NegotiatedMaxPduSizeOf(*response), 500);
  EXPECT_TRUE(NegotiatedConformanceOf(*response).IsSet(cbBlockTransferWithGetOrRead));
  EXPECT_EQ(ErrorOf([&] { ProposedMaxPduSizeOf(*response); }), "Invalid class typecast");
  EXPECT_EQ(ErrorOf([&] { NegotiatedConformanceOf(*plain); }), "Invalid class typecast");
}

TEST(Initiate, ReadingVariants) {
  // The conformance without its second identifier octet is accepted and written back with it.
  PduPtr a = MakeAnyFromPdu(xmlInitiateRequest, T_InitiateRequest, H("00 00 00 06 5F 04 00 00 7E 1F FF FF"));
  EXPECT_EQ(X(a->Encode()), "000000065F1F0400007E1FFFFF");

  // The server's template form: optional members left out, the conformance under any name.
  PduPtr r = MakeAnyFromXml(xmlInitiateResponse, T_InitiateResponse,
                            "<InitiateResponse><NegotiatedDlmsVersionNumber Value=\"06\" />"
                            "<Conformance><ConformanceBit Name=\"Get\" /></Conformance>"
                            "<NegotiatedMaxPduSize Value=\"01F4\" /><VaaName Value=\"0007\" /></InitiateResponse>");
  EXPECT_EQ(X(r->Encode()), "00065F1F0400000010" "01F40007");

  struct Row {
    const char* xml;
    const char* error;
  };
  const Row rows[] = {
      {"<InitiateRequest><ProposedConformance></ProposedConformance><ProposedMaxPduSize Value=\"FFFF\"/>"
       "</InitiateRequest>",
       "Start tag \"ProposedDlmsVersionNumber\" expected"},
      {"<InitiateRequest><ProposedDlmsVersionNumber Value=\"06\"/><ProposedMaxPduSize Value=\"FFFF\"/>"
       "</InitiateRequest>",
       "Stop tag \"ProposedMaxPduSize\" expected"},
      {"<InitiateRequest><ProposedDlmsVersionNumber Value=\"0006\"/>", "Illegal data size, expected 1, found 2"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ErrorOf([&] { MakeAnyFromXml(xmlInitiateRequest, T_InitiateRequest, row.xml); }), row.error);
  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlInitiateRequest, T_InitiateRequest, H("00 00 00 06 5F 1F 04 00 00")); }),
            "Wrong encoding in pdu");
}

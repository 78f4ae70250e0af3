// Making APDUs from octets and from XML, and logging an APDU through the log sink.
#include <gtest/gtest.h>

#include "security/protection_pdu_helper.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

TEST(ProtectionPduHelper, MakeCOSEMPdu) {
  const PduStr get = H("C0 01 C1 00 08 00 00 01 00 00 FF 02 00");
  EXPECT_EQ(TProtectionPduHelper::MakeCOSEMPduFromPdu(get)->Encode(), get);
  EXPECT_EQ(ErrorOf([&] { TProtectionPduHelper::MakeCOSEMPduFromPdu(get + "\x01"); }), "Unexpected pdu trailing data");
  EXPECT_THROW(TProtectionPduHelper::MakeCOSEMPduFromPdu(get + "\x01"), EProtection);
  // Decoder errors pass as they are, not as undecodable-APDU errors.
  try {
    TProtectionPduHelper::MakeCOSEMPduFromPdu(H("C0 07"));
    ADD_FAILURE();
  } catch (const EMakeCOSEMPdu&) {
    ADD_FAILURE() << "wrapped";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("illegal Tag 7"), std::string::npos) << e.Message();
  }
  COSEMpduPtr fromXml = TProtectionPduHelper::MakeCOSEMPduFromXml("<glo_GetRequest Value = \"0A0B\" />");
  EXPECT_EQ(X(fromXml->Encode()), "C8020A0B");
  EXPECT_THROW(TProtectionPduHelper::MakeCOSEMPduFromXml("<glo_GetRequest Value = \"0A0\" />"), Exception);
  EXPECT_EQ(X(TProtectionPduHelper::GetAlgorithmOID(aiAES_GCM_256)), "60857405080301");
}

TEST(ProtectionPduHelper, LogCOSEMPdu) {
  COSEMpduPtr pdu = TProtectionPduHelper::MakeCOSEMPduFromXml("<glo_GetRequest Value = \"0A0B\" />");
  // Only the string procedure: the title, then each XML line on its own.
  std::vector<std::string> strings;
  TLoggingContext c;
  c.SetLogStringProc([&](const std::string& s) { strings.push_back(s); });
  c.LogCOSEMPdu("Title:", *pdu, 4);
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_EQ(strings[0], "Title:");
  EXPECT_EQ(strings[1], "    <glo_GetRequest Value=\"0A0B\" />");
  // With a list procedure the lines go as one list.
  std::vector<std::vector<std::string>> lists;
  c.SetLogStringListProc([&](const std::vector<std::string>& l) { lists.push_back(l); });
  strings.clear();
  c.LogCOSEMPdu("Title:", *pdu, 0);
  EXPECT_EQ(strings, std::vector<std::string>{"Title:"});
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0], std::vector<std::string>{"<glo_GetRequest Value=\"0A0B\" />"});
}

// The ACCESS service over loopback: GET, SET and ACTION items in one request, break on
// error, self-descriptive answers, attribute 0 and unconfirmed requests.
#include <gtest/gtest.h>

#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

constexpr uint32_t kConfirmed = 0x40000000, kBreakOnError = 0x20000000, kSelfDescriptive = 0x10000000;

std::string Descriptor(const char* Kind, int ClassId, const char* InstanceHex, int Id) {
  return std::string("<") + Kind + "><ClassId Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) +
         "\" /><InstanceId Value=\"" + InstanceHex + "\" /><" + (std::string(Kind) == "MethodDescriptor" ? "MethodId" : "AttributeId") +
         " Value=\"" + IntToHex(static_cast<uint64_t>(Id), 2) + "\" /></" + Kind + ">";
}

std::string Get(int ClassId, const char* InstanceHex, int AttributeId) {
  return "<AccessRequestGet>" + Descriptor("AttributeDescriptor", ClassId, InstanceHex, AttributeId) +
         "</AccessRequestGet>";
}
std::string Set(int ClassId, const char* InstanceHex, int AttributeId) {
  return "<AccessRequestSet>" + Descriptor("AttributeDescriptor", ClassId, InstanceHex, AttributeId) +
         "</AccessRequestSet>";
}
std::string Action(int ClassId, const char* InstanceHex, int MethodId) {
  return "<AccessRequestAction>" + Descriptor("MethodDescriptor", ClassId, InstanceHex, MethodId) +
         "</AccessRequestAction>";
}

std::string AccessXml(uint32_t Invoke, const std::vector<std::string>& Items, const std::vector<std::string>& Data,
                      const std::string& DateTime = "") {
  std::string x = "<AccessRequest><LongInvokeIdAndPriority Value=\"" + IntToHex(Invoke, 8) +
                  "\" /><DateTime Value=\"" + DateTime +
                  "\" /><AccessRequestBody><AccessRequestSpecification Qty=\"AUTO\">";
  for (const auto& i : Items) x += i;
  x += "</AccessRequestSpecification><AccessRequestListOfData Qty=\"AUTO\">";
  for (const auto& d : Data) x += d;
  return x + "</AccessRequestListOfData></AccessRequestBody></AccessRequest>";
}

const char* const kNull = "<NullData />";

std::string Result(const char* Kind, const char* Name) {
  return std::string("<") + Kind + "><Result Value=\"" + Name + "\" /></" + Kind + ">";
}

std::string List(const char* Element, const std::vector<std::string>& Items) {
  std::string x = std::string("<") + Element + " Qty=\"" + IntToHex(Items.size(), 4) + "\" >";
  for (const auto& i : Items) x += i;
  return x + "</" + Element + ">";
}

std::string AccessAnswer(uint32_t Invoke, const std::vector<std::string>& Copy, const std::vector<std::string>& Data,
                         const std::vector<std::string>& Results) {
  return "<AccessResponse><LongInvokeIdAndPriority Value=\"" + IntToHex(Invoke, 8) +
         "\" /><DateTime Value=\"\" /><AccessResponseBody>" +
         (Copy.empty() ? "" : List("AccessRequestSpecification", Copy)) + List("AccessResponseListOfData", Data) +
         List("AccessResponseSpecification", Results) + "</AccessResponseBody></AccessResponse>";
}

const std::string kValue5 = "<LongUnsigned Value=\"0005\" />";
const std::string kSerial = "<OctetString Value=\"\\12345678\" />";

}  // namespace

// Each item is served in order; a failing one gives null data and its result.
TEST_F(Services, AccessServesEveryItem) {
  Start();
  Associate();
  const uint32_t invoke = kConfirmed | 0x17;
  EXPECT_EQ(Ask(AccessXml(invoke,
                          {Get(1, "0000600100FF", 2), Set(1, "0000600A01FF", 2), Get(1, "0000600AFFFF", 2),
                           Action(9, "00000A0064FF", 1), Get(1, "0000600A01FF", 2), Action(9, "00000A0064FF", 3)},
                          {kNull, "<LongUnsigned Value=\"0077\" />", kNull, "<LongUnsigned Value=\"0001\" />", kNull,
                           kNull})),
            AccessAnswer(invoke, {},
                         {kSerial, kNull, kNull, kNull, "<LongUnsigned Value=\"4321\" />", kNull},
                         {Result("AccessResponseGet", "Success"), Result("AccessResponseSet", "Success"),
                          Result("AccessResponseGet", "ObjectUnavailable"), Result("AccessResponseAction", "Success"),
                          Result("AccessResponseGet", "Success"), Result("AccessResponseAction", "ObjectUnavailable")}));
}

// After the first failure every further item repeats its result unserved; the answer
// carries a copy of the request's items.
TEST_F(Services, AccessBreaksOnError) {
  Start();
  Associate();
  const uint32_t invoke = kConfirmed | kBreakOnError | kSelfDescriptive | 0x01;
  const std::vector<std::string> items = {Get(1, "0000600100FF", 2), Set(1, "0000600AFFFF", 2),
                                          Set(1, "0000600A01FF", 2), Get(1, "0000600A01FF", 2)};
  EXPECT_EQ(Ask(AccessXml(invoke, items,
                          {kNull, "<LongUnsigned Value=\"0001\" />", "<LongUnsigned Value=\"0002\" />", kNull})),
            AccessAnswer(invoke, items, {kSerial, kNull, kNull, kNull},
                         {Result("AccessResponseGet", "Success"), Result("AccessResponseSet", "ObjectUnavailable"),
                          Result("AccessResponseSet", "ObjectUnavailable"),
                          Result("AccessResponseSet", "ObjectUnavailable")}));
  // The items after the failure were not served.
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData(kValue5));
  // Without break on error they are.
  EXPECT_EQ(Ask(AccessXml(kConfirmed, items,
                          {kNull, "<LongUnsigned Value=\"0001\" />", "<LongUnsigned Value=\"0002\" />", kNull})),
            AccessAnswer(kConfirmed, {}, {kSerial, kNull, kNull, "<LongUnsigned Value=\"0002\" />"},
                         {Result("AccessResponseGet", "Success"), Result("AccessResponseSet", "ObjectUnavailable"),
                          Result("AccessResponseSet", "Success"), Result("AccessResponseGet", "Success")}));
}

// Attribute 0 reads every attribute of the object into one structure.
TEST_F(Services, AccessGetOfAttributeZero) {
  Start();
  Associate();
  EXPECT_EQ(Ask(AccessXml(kConfirmed, {Get(3, "0100010800FF", 0), Get(1, "0000600A02FF", 0)}, {kNull, kNull})),
            AccessAnswer(kConfirmed, {},
                         {"<Structure Qty=\"0003\" ><OctetString Value=\"0100010800FF\" /><DoubleLongUnsigned "
                          "Value=\"0012D687\" /><Structure Qty=\"0002\" ><Integer Value=\"00\" /><Enum Value=\"1E\" />"
                          "</Structure></Structure>",
                          "<Structure Qty=\"0002\" ><OctetString Value=\"0000600A02FF\" /><NullData /></Structure>"},
                         {Result("AccessResponseGet", "Success"), Result("AccessResponseGet", "ReadWriteDenied")}));
  // An object the device lacks, and a set with selection, fail the request as a whole.
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(AccessXml(kConfirmed, {Get(1, "0000600AFFFF", 0)}, {kNull}))));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** Instance: \"0000600AFFFF\", Class: 1 not found"));
  const std::string setWithSelection =
      "<AccessRequestSetWithSelection>" + std::string(Descriptor("AttributeDescriptor", 7, "0100630100FF", 2)) +
      "<AccessSelection><AccessSelector Value=\"02\" /><AccessParameters>" + EntryParameters(1, 1, 1, 1) +
      "</AccessParameters></AccessSelection></AccessRequestSetWithSelection>";
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(AccessXml(kConfirmed, {setWithSelection}, {kNull}))));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** T_AccessRequestSetWithSelection not supported"));
  EXPECT_TRUE(Client.Silent(50));
  // A get with selection reads part of the profile.
  const std::string getWithSelection =
      "<AccessRequestGetWithSelection>" + std::string(Descriptor("AttributeDescriptor", 7, "0100630100FF", 2)) +
      "<AccessSelection><AccessSelector Value=\"02\" /><AccessParameters>" + EntryParameters(3, 4, 2, 3) +
      "</AccessParameters></AccessSelection></AccessRequestGetWithSelection>";
  EXPECT_EQ(Ask(AccessXml(kConfirmed, {getWithSelection}, {kNull})),
            AccessAnswer(kConfirmed, {},
                         {"<Array Qty=\"0002\" ><Structure Qty=\"0002\" ><DoubleLongUnsigned Value=\"000F4255\" />"
                          "<LongUnsigned Value=\"0003\" /></Structure><Structure Qty=\"0002\" ><DoubleLongUnsigned "
                          "Value=\"000F425C\" /><LongUnsigned Value=\"0004\" /></Structure></Array>"},
                         {Result("AccessResponseGet", "Success")}));
}

TEST_F(Services, AccessCountsAndTime) {
  Start();
  Associate();
  // The lists must be of the same, non-zero length.
  EXPECT_EQ(Ask(AccessXml(kConfirmed, {Get(1, "0000600100FF", 2)}, {kNull, kNull})), kOperationNotPossible);
  EXPECT_EQ(Ask(AccessXml(kConfirmed, {}, {})), kOperationNotPossible);
  // A request with a date-time is answered with the server's time.
  const std::string answer =
      Ask(AccessXml(kConfirmed, {Get(1, "0000600100FF", 2)}, {kNull}, "07E8060F06100000FF800000"));
  const size_t at = answer.find("<DateTime Value=\"");
  ASSERT_NE(at, std::string::npos) << answer;
  const std::string time = answer.substr(at + 17, answer.find('"', at + 17) - at - 17);
  EXPECT_EQ(time.size(), 24u) << answer;
  // No hundredths, deviation not specified, status 0xFF.
  EXPECT_EQ(time.substr(16), "008000FF") << answer;
}

// An unconfirmed request is served but answered only when the settings say so, also when
// it is refused.
TEST_F(Services, UnconfirmedAccess) {
  Start();
  Associate();
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(AccessXml(0x01, {Set(1, "0000600A01FF", 2)}, {"<LongUnsigned Value=\"0033\" />"}))));
  ASSERT_TRUE(Log().WaitForCount("No response generated", 1));
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(AccessXml(0x01, {}, {}))));
  ASSERT_TRUE(Log().WaitForCount("No response generated", 2));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0033\" />"));
  Server->SetSetting("CHKIgnoreUnconfirmed", "1");
  EXPECT_EQ(Ask(AccessXml(0x01, {Get(1, "0000600A01FF", 2)}, {kNull})),
            AccessAnswer(0x01, {}, {"<LongUnsigned Value=\"0033\" />"}, {Result("AccessResponseGet", "Success")}));
  EXPECT_EQ(Ask(AccessXml(0x01, {}, {})), kOperationNotPossible);
}

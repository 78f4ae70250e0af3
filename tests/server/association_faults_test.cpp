// Faults of association control that were mended: what one association attempt leaves
// behind must not change how the next one on the same connection is served.
#include <gtest/gtest.h>

#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

const char* const kEmptyUserList = "<UserList Qty=\"0\"></UserList>";
const char* const kUserSeven =
    "<UserList Qty=\"0001\"><_UserListEntry><UserId Value=\"07\"/><UserName Value=\"\\Op\"/></_UserListEntry>"
    "</UserList>";

// Device() with user 7 alone admitted by the LN (first) or the SN (second) association.
std::string DeviceWithUserList(bool LN) {
  std::string d = Device();
  size_t at = d.find(kEmptyUserList);
  if (!LN) at = d.find(kEmptyUserList, at + 1);
  EXPECT_NE(at, std::string::npos);
  return d.replace(at, std::string(kEmptyUserList).size(), kUserSeven);
}

const std::string kReadSerial = "<ReadRequest Qty=\"0001\" ><VariableName Value=\"F908\" /></ReadRequest>";
const std::string kSerialRead = "<ReadResponse Qty=\"0001\" ><Data><OctetString Value=\"\\12345678\" /></Data></ReadResponse>";

class AssociationFaults : public Services {};

}  // namespace

// An attempt of one referencing kind refused by the user check, then an accepted
// association of the other kind: the accepted one is served.
TEST_F(AssociationFaults, RefusedAttemptOfTheOtherKindLeavesNothingBehind) {
  struct TRow {
    bool RefusedLN;  // the refused attempt is LN, the accepted one SN; or the other way round
    std::string Request, Answer;
  };
  const TRow rows[] = {{true, kReadSerial, kSerialRead},
                       {false, GetXml(1, "0000600100FF", 2), GetData("<OctetString Value=\"\\12345678\" />")}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.RefusedLN ? "LN refused, SN accepted" : "SN refused, LN accepted");
    Client.Close();
    Server.reset();
    Start(DeviceWithUserList(row.RefusedLN));
    COSEMpduPtr refused = Client.RequestXml(AarqXml(row.RefusedLN ? LN() : SN()));
    ASSERT_TRUE(refused);
    EXPECT_NE(Flat(refused).find("<AssociationResult Value=\"01\" />"), std::string::npos) << Flat(refused);
    Associate(row.RefusedLN ? SN() : LN());
    EXPECT_EQ(Ask(row.Request), row.Answer);
  }
}

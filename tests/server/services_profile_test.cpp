// Range and entry reads of a 10,000-entry load profile with selected columns, by GET and by
// READ, answered whole or in data blocks, over loopback.
#include <gtest/gtest.h>

#include "apdu/ln_services.h"
#include "foundation/axdr_types.h"
#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

constexpr int kEntries = 10000;

const std::string& ProfileDevice() {
  static const std::string device = Device(kEntries);
  return device;
}

// The Data forms of the profile's columns (1 clock time, 2 register value, 3 data value).
PduStr Column(int N, int C) {
  PduStr s;
  switch (C) {
    case 1:
      s = HexStrToByteStr2("09 0C") + EntryTime(N);
      break;
    case 2:
      s = "\x06";
      AppendBE(s, EntryValue(N), 4);
      break;
    default:
      s = "\x12";
      AppendBE(s, EntryCount(N), 2);
  }
  return s;
}

// The Data form of the selection: entries First..Last, the given columns.
PduStr Selection(int First, int Last, const std::vector<int>& Columns) {
  PduStr s = "\x01";
  EncodeVarLengthUnsignedInteger(s, Last >= First ? Last - First + 1 : 0);
  for (int n = First; n <= Last; ++n) {
    s += "\x02";
    EncodeVarLengthUnsignedInteger(s, static_cast<int64_t>(Columns.size()));
    for (int c : Columns) s += Column(n, c);
  }
  return s;
}

std::string CaptureObject(int ClassId, const char* Ln) {
  return "<Structure Qty=\"0004\" ><LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) +
         "\" /><OctetString Value=\"" + Ln + "\" /><Integer Value=\"02\" /><LongUnsigned Value=\"0000\" /></Structure>";
}
const std::string kClockColumn = CaptureObject(8, "0000010000FF");
const std::string kRegisterColumn = CaptureObject(3, "0100010800FF");
const std::string kDataColumn = CaptureObject(1, "0000600A01FF");

std::string RangeParameters(const std::string& Restricting, const std::string& From, const std::string& To,
                            const std::vector<std::string>& Selected) {
  std::string x = "<Structure Qty=\"0004\" >" + Restricting + From + To + "<Array Qty=\"" +
                  IntToHex(Selected.size(), 4) + "\" >";
  for (const auto& s : Selected) x += s;
  return x + "</Array></Structure>";
}

std::string Time(int N) { return "<OctetString Value=\"" + ByteStrToHexStr(EntryTime(N)) + "\" />"; }
std::string Value(uint32_t V) { return "<DoubleLongUnsigned Value=\"" + IntToHex(V, 8) + "\" />"; }

std::string EntryGet(uint32_t FromEntry, uint32_t ToEntry, uint16_t FromColumn, uint16_t ToColumn) {
  return SelectiveGetXml(7, "0100630100FF", 2, 2, EntryParameters(FromEntry, ToEntry, FromColumn, ToColumn));
}

std::string RangeGet(const std::string& Parameters) { return SelectiveGetXml(7, "0100630100FF", 2, 1, Parameters); }

// The value of a GET answered whole, as octets; empty when the answer is something else.
PduStr WholeValue(TTestClient& Client, const std::string& Xml) {
  COSEMpduPtr r = Client.RequestXml(Xml);
  if (!r) return {};
  const TCOSEMPduBase* g = r->Value->IsA(T_GetResponse) ? r->Value->As<TChoice>().Value.get() : nullptr;
  if (!g || !g->IsA(T_GetResponseNormal)) return {};
  const TChoice& result = g->As<TSequence>().Get<TChoice>(1);
  return result.Value && result.Value->IsA(T_Data) ? result.Value->Encode() : PduStr();
}

class Profile : public Services {
 protected:
  void SetUp() override {
    Start(ProfileDevice());
    Associate();
  }
};

}  // namespace

TEST_F(Profile, EntryReadsWithSelectedColumns) {
  // 100 entries of two columns fit into one answer.
  EXPECT_TRUE(WholeValue(Client, EntryGet(101, 200, 2, 3)) == Selection(101, 200, {2, 3}));
  // 2000 entries go in blocks.
  TJoined joined = GetInBlocks(Client, EntryGet(1001, 3000, 1, 2));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_GT(joined.Blocks, 1);
  EXPECT_TRUE(joined.RawData == Selection(1001, 3000, {1, 2}));
  // To entry 0 is the last entry; to column 0 the last column.
  joined = GetInBlocks(Client, EntryGet(9001, 0, 2, 0));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == Selection(9001, kEntries, {2, 3}));
}

// Positions past the end are cut to the buffer; positions that name nothing are refused
// with a data-access result.
TEST_F(Profile, EntryRangesOutsideTheBuffer) {
  EXPECT_TRUE(WholeValue(Client, EntryGet(9999, 20000, 3, 9)) == Selection(9999, kEntries, {3}));
  EXPECT_TRUE(WholeValue(Client, EntryGet(10001, 10005, 1, 3)) == Selection(1, 0, {}));
  EXPECT_TRUE(WholeValue(Client, EntryGet(20, 10, 1, 3)) == Selection(1, 0, {}));
  EXPECT_EQ(Ask(EntryGet(0, 5, 1, 3)), GetError("ScopeOfAccessViolated"));
  EXPECT_EQ(Ask(EntryGet(1, 5, 0, 3)), GetError("ScopeOfAccessViolated"));
  // Another selector than the list grants, and selective access on another attribute.
  EXPECT_EQ(Ask(SelectiveGetXml(7, "0100630100FF", 2, 3, EntryParameters(1, 1, 1, 1))),
            GetError("ScopeOfAccessViolated"));
  EXPECT_EQ(Ask(SelectiveGetXml(1, "0000600A01FF", 2, 2, EntryParameters(1, 1, 1, 1))),
            GetError("ScopeOfAccessViolated"));
}

TEST_F(Profile, RangeReadsWithSelectedColumns) {
  // A hundred quarter hours by the clock column, two of the three columns.
  EXPECT_TRUE(WholeValue(Client, RangeGet(RangeParameters(kClockColumn, Time(5000), Time(5099),
                                                          {kDataColumn, kRegisterColumn}))) ==
              Selection(5000, 5099, {2, 3}));
  // By the register column to beyond its greatest value, every column.
  EXPECT_TRUE(WholeValue(Client, RangeGet(RangeParameters(kRegisterColumn, Value(EntryValue(9990)), Value(4000000000u),
                                                          {}))) == Selection(9990, kEntries, {1, 2, 3}));
  // A long range in blocks.
  const TJoined joined =
      GetInBlocks(Client, RangeGet(RangeParameters(kClockColumn, Time(1), Time(4000), {kClockColumn})));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == Selection(1, 4000, {1}));
  // Nothing in range.
  EXPECT_TRUE(WholeValue(Client, RangeGet(RangeParameters(kClockColumn, Time(20), Time(10), {}))) ==
              Selection(1, 0, {}));
}

// The same selections by READ in short-name referencing (the profile's base name 0xED00).
TEST_F(Services, ProfileReadWithParameters) {
  Start(ProfileDevice());
  Associate(SN());
  const auto read = [](int Selector, const std::string& Parameters) {
    return "<ReadRequest Qty=\"0001\" ><ParameterisedAccess><VariableName Value=\"ED08\" /><Selector Value=\"" +
           IntToHex(static_cast<uint64_t>(Selector), 2) + "\" /><Parameter>" + Parameters +
           "</Parameter></ParameterisedAccess></ReadRequest>";
  };
  TJoined joined = ReadInBlocks(Client, read(2, EntryParameters(2001, 2300, 2, 3)));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == HexStrToByteStr2("01 00") + Selection(2001, 2300, {2, 3}));
  joined = ReadInBlocks(Client, read(1, RangeParameters(kClockColumn, Time(7001), Time(7500), {kDataColumn})));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == HexStrToByteStr2("01 00") + Selection(7001, 7500, {3}));
  EXPECT_EQ(Ask(read(2, EntryParameters(0, 1, 1, 1))),
            "<ReadResponse Qty=\"0001\" ><DataAccessError Value=\"ScopeOfAccessViolated\" /></ReadResponse>");
}

// Short-name referencing over loopback: the completed SN object list and its base names,
// READ and WRITE by base name, long READ answers and WRITE requests in data blocks.
#include <gtest/gtest.h>

#include "foundation/data_helper.h"
#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

// Base names that completion gives the objects of Device(), in device order (the SN
// association keeps 0xFA00; four numbers below 0xFF00 are left to special objects).
constexpr int kSerial = 0xF900, kValue = 0xF700, kWriteOnly = 0xF500, kLong = 0xF300, kRegister = 0xF100,
              kClock = 0xEF00, kProfile = 0xED00, kScripts = 0xEB00;

// The short name of attribute N of the object with base name B.
int Attribute(int B, int N) { return B + 8 * (N - 1); }

std::string Name(int BaseName) { return "<VariableName Value=\"" + IntToHex(static_cast<uint64_t>(BaseName), 4) + "\" />"; }

std::string ReadXml(const std::vector<int>& Names) {
  std::string x = "<ReadRequest Qty=\"AUTO\" >";
  for (int n : Names) x += Name(n);
  return x + "</ReadRequest>";
}

std::string WriteXml(const std::vector<std::pair<int, std::string>>& Items) {
  std::string names, data;
  for (const auto& [n, value] : Items) {
    names += Name(n);
    data += value;
  }
  return "<WriteRequest><ListOfVariableAccessSpecification Qty=\"AUTO\" >" + names +
         "</ListOfVariableAccessSpecification><ListOfData Qty=\"AUTO\" >" + data + "</ListOfData></WriteRequest>";
}

std::string WriteBlockXml(bool Last, int Number, const PduStr& Raw) {
  return std::string("<WriteRequest><ListOfVariableAccessSpecification Qty=\"0001\" ><WriteDataBlockAccess><LastBlock "
                     "Value=\"") +
         (Last ? "01" : "00") + "\" /><BlockNumber Value=\"" + IntToHex(static_cast<uint64_t>(Number), 4) +
         "\" /></WriteDataBlockAccess></ListOfVariableAccessSpecification><ListOfData Qty=\"0001\" ><OctetString "
         "Value=\"" +
         ByteStrToHexStr(Raw) + "\" /></ListOfData></WriteRequest>";
}

std::string ReadNextXml(int Number) {
  return "<ReadRequest Qty=\"0001\" ><BlockNumberAccess><BlockNumber Value=\"" +
         IntToHex(static_cast<uint64_t>(Number), 4) + "\" /></BlockNumberAccess></ReadRequest>";
}

std::string ReadAnswer(const std::vector<std::string>& Results) {
  std::string x = "<ReadResponse Qty=\"" + IntToHex(Results.size(), 4) + "\" >";
  for (const auto& r : Results) x += r;
  return x + "</ReadResponse>";
}
std::string Data(const std::string& Xml) { return "<Data>" + Xml + "</Data>"; }
std::string Error(const char* Name) { return std::string("<DataAccessError Value=\"") + Name + "\" />"; }

std::string WriteAnswer(const std::vector<std::string>& Results) {
  std::string x = "<WriteResponse Qty=\"" + IntToHex(Results.size(), 4) + "\" >";
  for (const auto& r : Results) x += r;
  return x + "</WriteResponse>";
}
const char* const kSuccess = "<Success />";

PduStr OctetStringData(const PduStr& Octets) {
  return TDataHelper::Make(xmlOctetString, MakeOctets(T_OctetString, Octets, xmlOctetString))->Encode();
}

class ShortNames : public Services {
 protected:
  void SetUp() override {
    Start();
    Associate(SN());
  }
};

}  // namespace

// The completed list: the association at 0xFA00, the other objects from 0xFF00 down.
TEST_F(ShortNames, CompletedListAndItsBaseNames) {
  const std::string list = Ask(ReadXml({Attribute(0xFA00, 2)}));
  // In base-name order.
  std::string expected;
  const auto item = [&](int BaseName, int ClassId, int Version, const char* Ln) {
    expected += "<Structure Qty=\"0004\" ><Long Value=\"" + IntToHex(static_cast<uint64_t>(BaseName), 4) +
                "\" /><LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) + "\" /><Unsigned Value=\"" +
                IntToHex(static_cast<uint64_t>(Version), 2) + "\" /><OctetString Value=\"" + Ln + "\" /></Structure>";
  };
  item(kScripts, 9, 0, "00000A0064FF");
  item(kProfile, 7, 1, "0100630100FF");
  item(kClock, 8, 0, "0000010000FF");
  item(kRegister, 3, 0, "0100010800FF");
  item(kLong, 1, 0, "0000600A03FF");
  item(kWriteOnly, 1, 0, "0000600A02FF");
  item(kValue, 1, 0, "0000600A01FF");
  item(kSerial, 1, 0, "0000600100FF");
  item(0xFA00, 12, 4, "0000280000FF");
  item(0xFF00, 15, 3, "0000280001FF");
  EXPECT_EQ(list, ReadAnswer({Data("<Array Qty=\"000A\" >" + expected + "</Array>")}));
  // Attribute 1 of every object is its logical name.
  EXPECT_EQ(Ask(ReadXml({kRegister, kClock, Attribute(kRegister, 2), kRegister + 13})),
            ReadAnswer({Data("<OctetString Value=\"0100010800FF\" />"), Data("<OctetString Value=\"0000010000FF\" />"),
                        Data("<DoubleLongUnsigned Value=\"0012D687\" />"),
                        Data("<DoubleLongUnsigned Value=\"0012D687\" />")}));
}

TEST_F(ShortNames, ReadAndWriteByBaseName) {
  EXPECT_EQ(Ask(ReadXml({Attribute(kSerial, 2), Attribute(kValue, 2)})),
            ReadAnswer({Data("<OctetString Value=\"\\12345678\" />"), Data("<LongUnsigned Value=\"0005\" />")}));
  EXPECT_EQ(Ask(WriteXml({{Attribute(kValue, 2), "<LongUnsigned Value=\"0099\" />"},
                          {Attribute(kWriteOnly, 2), "<Unsigned Value=\"01\" />"},
                          {Attribute(kClock, 2), "<LongUnsigned Value=\"0001\" />"},
                          {Attribute(kValue, 3), "<LongUnsigned Value=\"0001\" />"}})),
            WriteAnswer({kSuccess, kSuccess, Error("TypeUnmatched"), Error("ReadWriteDenied")}));
  EXPECT_EQ(Ask(ReadXml({Attribute(kValue, 2), Attribute(kWriteOnly, 2)})),
            ReadAnswer({Data("<LongUnsigned Value=\"0099\" />"), Data("<Unsigned Value=\"01\" />")}));
  // Counts that differ.
  EXPECT_EQ(Ask("<WriteRequest><ListOfVariableAccessSpecification Qty=\"AUTO\" >" + Name(kValue + 8) +
                "</ListOfVariableAccessSpecification><ListOfData Qty=\"0000\" ></ListOfData></WriteRequest>"),
            kOperationNotPossible);
}

// A base name below the lowest of the list names no object: a data-access result, not silence.
TEST_F(ShortNames, BaseNameBelowTheList) {
  EXPECT_EQ(Ask(ReadXml({0x0100, 0x0000, Attribute(kSerial, 2)})),
            ReadAnswer({Error("ReadWriteDenied"), Error("ReadWriteDenied"), Data("<OctetString Value=\"\\12345678\" />")}));
  EXPECT_EQ(Ask(WriteXml({{0x0108, "<LongUnsigned Value=\"0001\" />"}})), WriteAnswer({Error("ReadWriteDenied")}));
  // The highest base names still resolve to the object at or below them.
  EXPECT_EQ(Ask(ReadXml({0xFFFF})), ReadAnswer({Error("ReadWriteDenied")}));
}

// 3004 octets answered in blocks of 188 octets (PDU size 200): the raw data is the read
// response without its tag.
TEST_F(ShortNames, LongReadInBlocks) {
  const TJoined joined = ReadInBlocks(Client, ReadXml({Attribute(kLong, 2)}));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  const PduStr expected = "\x01" + PduStr(1, '\0') + OctetStringData(LongOctets());
  EXPECT_EQ(ByteStrToHexStr(joined.RawData), ByteStrToHexStr(expected));
  EXPECT_EQ(joined.Blocks, static_cast<int>((expected.size() + 187) / 188));
  // Past the last block, and out of sequence.
  EXPECT_EQ(Ask(ReadNextXml(joined.Blocks)), kOperationNotPossible);
  EXPECT_EQ(Flat(Client.RequestXml(ReadXml({Attribute(kLong, 2)}))).substr(0, 60),
            ReadAnswer({"<DataBlockResult><LastBlock Value=\"00\" />"}).substr(0, 60));
  EXPECT_EQ(Ask(ReadNextXml(2)), kOperationNotPossible);
  EXPECT_NE(Ask(ReadNextXml(1)).find("<BlockNumber Value=\"0002\" />"), std::string::npos);
}

// Read blocks are numbered in 16 bits: at PDU size 12 (one octet per block) an answer of
// more than 65535 octets is refused at once instead of being sent under numbers that wrap.
TEST_F(ShortNames, ReadBlocksBeyondTheirNumbersAreRefused) {
  Client.RequestXml(RlrqXml());
  TAarqOptions o = SN();
  o.MaxPduSize = 12;
  Associate(o);
  // 22 times the long octet string: 66199 octets of raw data.
  EXPECT_EQ(Ask(ReadXml(std::vector<int>(22, Attribute(kLong, 2)))), kOperationNotPossible);
  EXPECT_EQ(Ask(ReadNextXml(1)), kOperationNotPossible);
  // 21 times: 63190 octets still go in blocks.
  EXPECT_EQ(Ask(ReadXml(std::vector<int>(21, Attribute(kLong, 2)))),
            ReadAnswer({"<DataBlockResult><LastBlock Value=\"00\" /><BlockNumber Value=\"0001\" /><RawData "
                        "Value=\"15\" /></DataBlockResult>"}));
}

// A write request sent in blocks is joined and served; the last block ends the transfer.
TEST_F(ShortNames, LongWriteInBlocks) {
  PduStr octets;
  for (int i = 0; i < 2000; ++i) octets.push_back(static_cast<char>(i % 251));
  const PduStr body = HexStrToByteStr2("01 02") + PduStr("\xF3\x08", 2) + "\x01" + OctetStringData(octets);
  EXPECT_EQ(Ask(WriteBlockXml(false, 1, body.substr(0, 150))), WriteAnswer({"<BlockNumber Value=\"0001\" />"}));
  EXPECT_EQ(Ask(WriteBlockXml(false, 2, body.substr(150, 1000))), WriteAnswer({"<BlockNumber Value=\"0002\" />"}));
  EXPECT_EQ(Ask(WriteBlockXml(true, 3, body.substr(1150))), WriteAnswer({kSuccess}));
  const TJoined joined = ReadInBlocks(Client, ReadXml({Attribute(kLong, 2)}));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == "\x01" + PduStr(1, '\0') + OctetStringData(octets));
  // Joined octets that do not decode: the write is answered as undecodable.
  EXPECT_EQ(Ask(WriteBlockXml(true, 1, HexStrToByteStr2("01 02"))), WriteAnswer({Error("OtherReason")}));
}

// Joined data naming blocks of its own is refused, not served recursively, however deep.
TEST_F(ShortNames, JoinedWriteDoesNotNest) {
  PduStr inner = HexStrToByteStr2("01 02") + PduStr("\xF7\x08", 2) + HexStrToByteStr2("01 12 00 01");
  for (int depth = 0; depth < 200; ++depth) {
    PduStr wrapped = HexStrToByteStr2("01 07 01 00 01 01") + OctetStringData(inner);
    inner = wrapped;
  }
  EXPECT_EQ(Ask(WriteBlockXml(true, 1, inner)), kOperationNotPossible);
  EXPECT_EQ(Ask(ReadXml({Attribute(kValue, 2)})), ReadAnswer({Data("<LongUnsigned Value=\"0005\" />")}));
  // The transfer has ended.
  const PduStr plain = HexStrToByteStr2("01 02") + PduStr("\xF7\x08", 2) + HexStrToByteStr2("01 12 00 01");
  EXPECT_EQ(Ask(WriteBlockXml(true, 2, plain)), WriteAnswer({kSuccess}));
  EXPECT_EQ(Ask(ReadXml({Attribute(kValue, 2)})), ReadAnswer({Data("<LongUnsigned Value=\"0001\" />")}));
}

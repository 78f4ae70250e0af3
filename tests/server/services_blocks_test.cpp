// Long GET answers in data blocks, SET requests in data blocks, GET with list, and the
// kinds of request the server refuses as unsupported, over loopback.
#include <gtest/gtest.h>

#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "server/object_services.h"
#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

// The Data form of an attribute of the device as described.
PduStr AttributeData(const std::string& DeviceXml, int ClassId, const char* InstanceHex, int AttributeId) {
  auto device = MakeLogicalDevice(DeviceXml);
  return TLogicalDeviceHelper::GetAttributeData(*device, HexStrToByteStr2(InstanceHex), ClassId, AttributeId)->Encode();
}

std::string BlockError(const char* Name, uint32_t BlockNumber) {
  return "<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value=\"C1\" /><Result><LastBlock Value=\"01\" />"
         "<BlockNumber Value=\"" +
         IntToHex(BlockNumber, 8) + "\" /><Result><DataAccessResult Value=\"" + Name +
         "\" /></Result></Result></GetResponseWithDataBlock></GetResponse>";
}

std::string Block(bool Last, uint32_t BlockNumber, const PduStr& Raw) {
  return std::string("<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value=\"C1\" /><Result><LastBlock "
                     "Value=\"") +
         (Last ? "01" : "00") + "\" /><BlockNumber Value=\"" + IntToHex(BlockNumber, 8) +
         "\" /><Result><RawData Value=\"" + ByteStrToHexStr(Raw) + "\" /></Result></Result></GetResponseWithDataBlock>"
         "</GetResponse>";
}

std::string DataBlock(bool Last, uint32_t Number, const PduStr& Raw) {
  return std::string("<DataBlock><LastBlock Value=\"") + (Last ? "01" : "00") + "\" /><BlockNumber Value=\"" +
         IntToHex(Number, 8) + "\" /><RawData Value=\"" + ByteStrToHexStr(Raw) + "\" /></DataBlock>";
}

std::string SetFirstBlockXml(int ClassId, const char* InstanceHex, int AttributeId, bool Last, uint32_t Number,
                             const PduStr& Raw) {
  return "<SetRequest><SetRequestWithFirstDataBlock><InvokeIdAndPriority Value=\"C1\" /><AttributeDescriptor>"
         "<ClassId Value=\"" +
         IntToHex(static_cast<uint64_t>(ClassId), 4) + "\" /><InstanceId Value=\"" + InstanceHex +
         "\" /><AttributeId Value=\"" + IntToHex(static_cast<uint64_t>(AttributeId), 2) + "\" /></AttributeDescriptor>" +
         DataBlock(Last, Number, Raw) + "</SetRequestWithFirstDataBlock></SetRequest>";
}

std::string SetBlockXml(bool Last, uint32_t Number, const PduStr& Raw) {
  return "<SetRequest><SetRequestWithDataBlock><InvokeIdAndPriority Value=\"C1\" />" + DataBlock(Last, Number, Raw) +
         "</SetRequestWithDataBlock></SetRequest>";
}

std::string SetBlockAnswer(uint32_t Number) {
  return "<SetResponse><SetResponseForDataBlock><InvokeIdAndPriority Value=\"C1\" /><BlockNumber Value=\"" +
         IntToHex(Number, 8) + "\" /></SetResponseForDataBlock></SetResponse>";
}

std::string SetLastBlockAnswer(const char* Result, uint32_t Number) {
  return std::string("<SetResponse><SetResponseForLastDataBlock><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"") +
         Result + "\" /><BlockNumber Value=\"" + IntToHex(Number, 8) +
         "\" /></SetResponseForLastDataBlock></SetResponse>";
}

// The Data form of an octet string.
PduStr OctetStringData(const PduStr& Octets) {
  return TDataHelper::Make(xmlOctetString, MakeOctets(T_OctetString, Octets, xmlOctetString))->Encode();
}

}  // namespace

// The whole buffer of a 10,000-entry load profile at PDU size 1024: 1012 octets of raw data
// per block, joined exactly to the buffer's Data form.
TEST_F(Services, LongGetArrivesInDataBlocks) {
  const std::string device = Device(10000);
  Start(device);
  Associate();
  const TJoined joined = GetInBlocks(Client, GetXml(7, "0100630100FF", 2));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  const PduStr expected = AttributeData(device, 7, "0100630100FF", 2);
  EXPECT_EQ(joined.RawData.size(), expected.size());
  EXPECT_TRUE(joined.RawData == expected);
  EXPECT_EQ(joined.Blocks, static_cast<int>((expected.size() + 1011) / 1012));
  // Past the last block no transfer is running.
  EXPECT_EQ(Ask(GetNextXml(static_cast<uint32_t>(joined.Blocks))),
            BlockError("NoLongGetOrReadInProgress", static_cast<uint32_t>(joined.Blocks)));
  // The session goes on with short answers.
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
}

// A request for another block than the one after the last sent is refused and leaves the
// transfer where it was.
TEST_F(Services, WrongBlockNumbersKeepTheTransfer) {
  Start();
  Associate();
  EXPECT_EQ(Ask(GetNextXml(1)), BlockError("NoLongGetOrReadInProgress", 1));
  const PduStr value = OctetStringData(LongOctets());
  ASSERT_EQ(value.size(), 3004u);
  EXPECT_EQ(Ask(GetXml(1, "0000600A03FF", 2)), Block(false, 1, value.substr(0, 1012)));
  EXPECT_EQ(Ask(GetNextXml(5)), BlockError("LongGetOrReadAborted", 5));
  EXPECT_EQ(Ask(GetNextXml(0)), BlockError("LongGetOrReadAborted", 0));
  EXPECT_EQ(Ask(GetNextXml(1)), Block(false, 2, value.substr(1012, 1012)));
  // Asking again for an older block.
  EXPECT_EQ(Ask(GetNextXml(1)), BlockError("LongGetOrReadAborted", 1));
  EXPECT_EQ(Ask(GetNextXml(2)), Block(true, 3, value.substr(2024)));
  EXPECT_EQ(Ask(GetNextXml(3)), BlockError("NoLongGetOrReadInProgress", 3));
}

// Four octets of response head (tag, choice, invoke id, result choice): a value of PDU
// size - 4 octets fits, so that the answer is exactly the PDU size; one more goes in
// blocks, or is refused without block transfer.
TEST_F(Services, ValuesAtTheNegotiatedPduSize) {
  Start();
  TAarqOptions o = LN();
  o.MaxPduSize = 64;
  Associate(o);
  const auto octets = [](size_t n) { return "<OctetString Value=\"" + ByteStrToHexStr(PduStr(n, '\x01')) + "\" />"; };
  ASSERT_NE(Ask(SetXml(1, "0000600A01FF", 2, octets(58))).find("Success"), std::string::npos);
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(GetXml(1, "0000600A01FF", 2))));
  const PduStr whole = Client.ReceiveApdu();
  EXPECT_EQ(whole.size(), 64u);
  EXPECT_EQ(Flat(XmlOf(*TCOSEMPDUHelper::MakeFromPdu(whole))), GetData(Flat(octets(58))));
  ASSERT_NE(Ask(SetXml(1, "0000600A01FF", 2, octets(59))).find("Success"), std::string::npos);
  const TJoined joined = GetInBlocks(Client, GetXml(1, "0000600A01FF", 2));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_EQ(joined.Blocks, 2);
  EXPECT_TRUE(joined.RawData == OctetStringData(PduStr(59, '\x01')));

  Client.RequestXml(RlrqXml());
  o.Conformance = {"Get", "Set"};
  Associate(o);
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetError("OtherReason"));
}

// A long value written in three blocks; afterwards no SET transfer is in progress.
TEST_F(Services, SetOfALongValueInBlocks) {
  Start();
  Associate();
  PduStr octets;
  for (int i = 0; i < 3000; ++i) octets.push_back(static_cast<char>(255 - (i & 0xFF)));
  const PduStr raw = OctetStringData(octets);
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600A03FF", 2, false, 1, raw.substr(0, 1000))), SetBlockAnswer(1));
  EXPECT_EQ(Ask(SetBlockXml(false, 2, raw.substr(1000, 1000))), SetBlockAnswer(2));
  // Out of sequence: refused, the transfer goes on.
  EXPECT_EQ(Ask(SetBlockXml(false, 4, raw.substr(2000))), kOperationNotPossible);
  EXPECT_EQ(Ask(SetBlockXml(true, 3, raw.substr(2000))), SetLastBlockAnswer("Success", 3));
  const TJoined joined = GetInBlocks(Client, GetXml(1, "0000600A03FF", 2));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_TRUE(joined.RawData == raw);
  // The last block ended the transfer.
  EXPECT_EQ(Ask(SetBlockXml(true, 4, raw.substr(0, 10))), kOperationNotPossible);
  EXPECT_EQ(Ask(SetBlockXml(true, 3, raw.substr(0, 10))), kOperationNotPossible);
}

TEST_F(Services, SetBlocksThatFail) {
  Start();
  Associate();
  // A first block must be block 1.
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600A01FF", 2, false, 2, HexStrToByteStr2("12"))), kOperationNotPossible);
  // A first block marked last is still answered as a first block.
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600A01FF", 2, true, 1, HexStrToByteStr2("12 00"))), SetBlockAnswer(1));
  EXPECT_EQ(Ask(SetBlockXml(true, 2, HexStrToByteStr2("2A"))), SetLastBlockAnswer("Success", 2));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"002A\" />"));
  // Joined octets that are no Data value, and a value of the wrong type.
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600A01FF", 2, false, 1, HexStrToByteStr2("12"))), SetBlockAnswer(1));
  EXPECT_EQ(Ask(SetBlockXml(true, 2, HexStrToByteStr2(""))), SetLastBlockAnswer("TypeUnmatched", 2));
  EXPECT_EQ(Ask(SetFirstBlockXml(8, "0000010000FF", 2, false, 1, HexStrToByteStr2("12"))), SetBlockAnswer(1));
  EXPECT_EQ(Ask(SetBlockXml(true, 2, HexStrToByteStr2("00 01"))), SetLastBlockAnswer("TypeUnmatched", 2));
  // Rights are checked when the value is complete.
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600AFFFF", 2, false, 1, HexStrToByteStr2("12"))), SetBlockAnswer(1));
  EXPECT_EQ(Ask(SetBlockXml(true, 2, HexStrToByteStr2("00 01"))), SetLastBlockAnswer("ObjectUnavailable", 2));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"002A\" />"));
}

// Readable, write-only, missing and unlisted attributes in one list; a long list goes in
// blocks whose raw data is the list of results.
TEST_F(Services, GetWithListMixesResults) {
  const std::string device = Device(10);
  Start(device);
  Associate();
  EXPECT_EQ(Ask(GetWithListXml({{1, "0000600100FF", 2},
                                {1, "0000600A02FF", 2},
                                {1, "0000600AFFFF", 2},
                                {3, "0100010800FF", 2},
                                {3, "0100010800FF", 4}})),
            "<GetResponse><GetResponseWithList><InvokeIdAndPriority Value=\"C1\" /><Result Qty=\"0005\" ><Data>"
            "<OctetString Value=\"\\12345678\" /></Data><DataAccessError Value=\"ReadWriteDenied\" />"
            "<DataAccessError Value=\"ObjectUnavailable\" /><Data><DoubleLongUnsigned Value=\"0012D687\" /></Data>"
            "<DataAccessError Value=\"ObjectUnavailable\" /></Result></GetResponseWithList></GetResponse>");
  const TJoined joined = GetInBlocks(Client, GetWithListXml({{1, "0000600A02FF", 2}, {1, "0000600A03FF", 2}}));
  ASSERT_TRUE(joined.Ok) << joined.Failure;
  EXPECT_EQ(ByteStrToHexStr(joined.RawData), "02" "0103" "00" + ByteStrToHexStr(OctetStringData(LongOctets())));
}

// ACTION in blocks and SET with a list are no services of this server.
TEST_F(Services, UnsupportedKindsOfRequest) {
  Start();
  Associate();
  EXPECT_EQ(Ask("<ActionRequest><ActionRequestWithFirstPBlock><InvokeIdAndPriority Value=\"C1\" /><MethodDescriptor>"
                "<ClassId Value=\"0009\" /><InstanceId Value=\"00000A0064FF\" /><MethodId Value=\"01\" />"
                "</MethodDescriptor><PBlock><LastBlock Value=\"01\" /><BlockNumber Value=\"00000001\" /><RawData "
                "Value=\"120001\" /></PBlock></ActionRequestWithFirstPBlock></ActionRequest>"),
            kServiceNotSupported);
  EXPECT_EQ(Ask("<SetRequest><SetRequestWithList><InvokeIdAndPriority Value=\"C1\" /><AttributeDescriptorList "
                "Qty=\"0001\"><_AttributeDescriptorWithSelection><AttributeDescriptor><ClassId Value=\"0001\" />"
                "<InstanceId Value=\"0000600A01FF\" /><AttributeId Value=\"02\" /></AttributeDescriptor>"
                "</_AttributeDescriptorWithSelection></AttributeDescriptorList><ValueList Qty=\"0001\">"
                "<LongUnsigned Value=\"0001\" /></ValueList></SetRequestWithList></SetRequest>"),
            kServiceNotSupported);
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
}

// A client cannot make the server join or assemble without bound: a SET growing beyond
// 1 MiB is refused and ended, a list answer beyond 4 MiB refused.
TEST_F(Services, JoinedAndAssembledDataAreBounded) {
  Start();
  Associate();
  const PduStr chunk(60000, '\x55');
  EXPECT_EQ(Ask(SetFirstBlockXml(1, "0000600A01FF", 2, false, 1, HexStrToByteStr2("09 83 10 00 00") + chunk)),
            SetBlockAnswer(1));
  uint32_t number = 2;
  for (size_t joined = 60005; joined + chunk.size() <= (size_t{1} << 20); joined += chunk.size(), ++number)
    ASSERT_EQ(Ask(SetBlockXml(false, number, chunk)), SetBlockAnswer(number));
  EXPECT_EQ(Ask(SetBlockXml(false, number, chunk)), kOperationNotPossible);
  EXPECT_EQ(Ask(SetBlockXml(true, number + 1, chunk)), kOperationNotPossible);
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));

  // Megabytes are read for these answers: under the sanitizers on a busy machine that takes
  // longer than the client's usual wait.
  auto askLong = [&](const std::string& Xml) {
    if (!Client.SendApdu(ApduFromXml(Xml))) return std::string("<not sent>");
    const PduStr answer = Client.ReceiveApdu(120000);
    return answer.empty() ? std::string("<no answer>") : Flat(TCOSEMPDUHelper::MakeFromPdu(answer));
  };
  // 1400 times the long octet string: over 4 MiB.
  std::vector<TAttributeRef> refs(1400, TAttributeRef{1, "0000600A03FF", 2});
  EXPECT_EQ(askLong(GetWithListXml(refs)), GetError("OtherReason"));
  // Below it the list goes in blocks as usual.
  refs.resize(1300);
  EXPECT_EQ(askLong(GetWithListXml(refs)).substr(0, 120), Block(false, 1, "").substr(0, 120));
}

// General block transfer over loopback: long answers as blocks, requests as blocks, lost
// blocks, aborts, a new request in the middle of an answer and the last acknowledgement,
// against a session whose receive time-out is a minute, so that every block the client
// waits for must come without waiting for a time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "foundation/globals.h"
#include "support/gbt_client.h"
#include "support/test_client.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

constexpr int kMaxPdu = 256;        // what the client proposes, and so what is agreed
constexpr int kBlockData = kMaxPdu - 13;
constexpr size_t kLongSize = 1500;  // the long value: its answer takes 7 blocks

PduStr LongValue() {
  PduStr v;
  for (size_t i = 0; i < kLongSize; ++i) v.push_back(static_cast<char>((i * 7) % 251));
  return v;
}

std::string Attr(int nr, int mode) {
  return "<_AttributeAccessItem><AttributeNr Value=\"" + IntToHex(static_cast<uint64_t>(nr), 2) +
         "\"/><AccessMode Value=\"" + IntToHex(static_cast<uint64_t>(mode), 2) +
         "\"/><AccessSelectors><NullData/></AccessSelectors></_AttributeAccessItem>";
}

std::string Item(const char* ln, int classId, int version, const std::string& attributes) {
  return std::string("<_ObjectListItemLN><ClassId Value=\"") + IntToHex(static_cast<uint64_t>(classId), 4) +
         "\"/><Version Value=\"" + IntToHex(static_cast<uint64_t>(version), 2) + "\"/><LogicalName Value=\"" + ln +
         "\"/><AccessRights><AttributeAccessList Qty=\"AUTO\">" + attributes +
         "</AttributeAccessList><MethodAccessList Qty=\"AUTO\"></MethodAccessList></AccessRights></_ObjectListItemLN>";
}

// One public association that may agree general block transfer, a long and a short value.
std::string Device() {
  const std::string list = Item("0000280000FF", 15, 3, Attr(1, 1) + Attr(2, 1)) +
                           Item("0000600100FF", 1, 0, Attr(1, 1) + Attr(2, 3)) +
                           Item("0000600101FF", 1, 0, Attr(1, 1) + Attr(2, 3));
  return "<LogicalDevice><Name Value=\"\\ZVG0000000000001\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">"
         "<LNAssociationObject_3><Name Value=\"0000280001FF\"/><ObjectList Qty=\"AUTO\">" +
         list +
         "</ObjectList><AssociatedPartnersId><ClientSAP Value=\"10\"/><ServerSAP Value=\"0001\"/></AssociatedPartnersId>"
         "<ApplicationContextName Value=\"LN\"/><xDLMSContextInfo><Conformance><ConformanceBit Name=\"Get\"/>"
         "<ConformanceBit Name=\"Set\"/><ConformanceBit Name=\"MultipleReferences\"/>"
         "<ConformanceBit Name=\"BlockTransferWithGetOrRead\"/><ConformanceBit Name=\"GeneralBlockTransfer\"/>"
         "</Conformance><MaxRecPduSize Value=\"0400\"/><MaxSendPduSize Value=\"0400\"/><DLMSVersionNr Value=\"06\"/>"
         "<QualityOfService Value=\"00\"/><CypheringInfo Value=\"\"/></xDLMSContextInfo>"
         "<AuthenticationMechanismName Value=\"NO_SECURITY\"/><Secret Value=\"\"/>"
         "<AssociationStatus Value=\"NonAssociated\"/><SecuritySetupReference Value=\"\"/><UserList Qty=\"0\"></UserList>"
         "<CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser></LNAssociationObject_3>"
         "<DataObject><Name Value=\"0000600100FF\"/><DataValue><OctetString Value=\"" +
         ByteStrToHexStr(LongValue()) +
         "\"/></DataValue></DataObject>"
         "<DataObject><Name Value=\"0000600101FF\"/><DataValue><LongUnsigned Value=\"0005\"/></DataValue></DataObject>"
         "</COSEMObjectList></LogicalDevice>";
}

const char* const kLong = "0000600100FF";
const char* const kShort = "0000600101FF";

PduStr Get(const char* Instance, int InvokeId = 0xC1) { return ApduFromXml(GetXml(1, Instance, 2, InvokeId)); }

PduStr GetAnswer(const std::string& DataXml, int InvokeId = 0xC1) {
  return ApduFromXml("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"" +
                     IntToHex(static_cast<uint64_t>(InvokeId), 2) + "\" /><Result><Data>" + DataXml +
                     "</Data></Result></GetResponseNormal></GetResponse>");
}
PduStr LongAnswer(const PduStr& Value = LongValue()) {
  return GetAnswer("<OctetString Value=\"" + ByteStrToHexStr(Value) + "\" />");
}
PduStr ShortAnswer(int InvokeId = 0xC1) { return GetAnswer("<LongUnsigned Value=\"0005\" />", InvokeId); }

// The blocks of the server, each number once (a block sent again is the same block).
std::vector<TGBT> Distinct(const std::vector<TGBT>& Blocks) {
  std::vector<TGBT> out;
  for (const TGBT& g : Blocks)
    if (out.empty() || g.BN > out.back().BN) out.push_back(g);
  return out;
}

class GBTSession : public ::testing::Test {
 protected:
  void Start(const TSettings& Settings = {}) {
    TSettings s = {{"EDITReceiveTimeout", "60000"}};
    for (const auto& [k, v] : Settings) s[k] = v;
    Server = std::make_unique<TTestServer>(Device(), s);
    ASSERT_TRUE(Server->Start());
    ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
    TAarqOptions o;
    o.MaxPduSize = kMaxPdu;
    o.Conformance = {"Get", "Set", "MultipleReferences", "BlockTransferWithGetOrRead", "GeneralBlockTransfer"};
    COSEMpduPtr aare = Client.RequestXml(AarqXml(o));
    ASSERT_TRUE(aare);
    ASSERT_NE(XmlOf(*aare).find("<ConformanceBit Name=\"GeneralBlockTransfer\" />"), std::string::npos);
  }
  // The next APDU is the plain answer to a plain request.
  void ExpectPlainAnswer(const PduStr& Request, const PduStr& Answer) {
    ASSERT_TRUE(Client.SendApdu(Request));
    EXPECT_EQ(ByteStrToHexStr(Client.ReceiveApdu(5000)), ByteStrToHexStr(Answer));
  }
  TLogPump& Log() { return Server->Log(); }
  void ExpectCleanLog() {
    EXPECT_EQ(Log().CountOf("*** EXCEPTION"), 0);
    EXPECT_EQ(Log().CountOf("New service started by peer"), 0);
  }

  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
};

}  // namespace

// A GET whose answer exceeds the agreed size arrives as blocks of (agreed size - 13)
// octets and reassembles to the answer octet for octet; with a client window of 3 the
// streams after the first hold 3 blocks; a block lost on the way is asked for again. After
// the last acknowledgement the next request is answered plainly.
TEST_F(GBTSession, LongAnswerArrivesAsBlocks) {
  Start();
  struct Row {
    const char* Name;
    int Window;
    bool LoseOne;
    const char* Streams;  // STR of the blocks received, '-' for a block lost
  } rows[] = {
      {"window 1", 1, false, "......."},
      {"window 3", 3, false, ".SS.SS."},
      {"window 3, block 3 lost", 3, true, ".S-..SS."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TGBTClient gbt(Client, r.Window);
    gbt.TimeoutMs = 5000;
    if (r.LoseOne) gbt.Lose = [](int Count, const TGBT&) { return Count == 3; };
    bool byBlocks = false;
    const PduStr answer = gbt.Request(Get(kLong), &byBlocks);
    EXPECT_TRUE(byBlocks);
    EXPECT_EQ(ByteStrToHexStr(answer), ByteStrToHexStr(LongAnswer()));

    const std::vector<TGBT> blocks = Distinct(gbt.Received);
    ASSERT_EQ(blocks.size(), 7u);
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].BN, static_cast<int>(i) + 1);
      EXPECT_EQ(blocks[i].LB, i == 6);
      if (i < 6) {
        EXPECT_EQ(blocks[i].BD.size(), static_cast<size_t>(kBlockData)) << "block " << i + 1;
      }
    }
    std::string streams;
    for (size_t i = 0; i < gbt.Received.size(); ++i)
      streams += r.LoseOne && i == 2 ? '-' : gbt.Received[i].STR ? 'S' : '.';
    EXPECT_EQ(streams, r.Streams);

    ASSERT_TRUE(gbt.AcknowledgeLast());
    ExpectPlainAnswer(Get(kShort), ShortAnswer());
  }
  ExpectCleanLog();
}

// A request that arrives as blocks is answered as blocks, a short answer as one last
// block; a SET longer than the agreed size gets through that way too.
TEST_F(GBTSession, RequestByBlocksIsAnsweredByBlocks) {
  Start();
  TGBTClient gbt(Client);
  gbt.TimeoutMs = 5000;

  const size_t before = gbt.Received.size();
  EXPECT_EQ(ByteStrToHexStr(gbt.Exchange(Get(kShort), 4)), ByteStrToHexStr(ShortAnswer()));
  ASSERT_EQ(gbt.Received.size(), before + 4);  // three acknowledgements, then the answer
  EXPECT_TRUE(gbt.Received.back().LB);
  EXPECT_EQ(gbt.Received.back().BD, ShortAnswer());
  ASSERT_TRUE(gbt.AcknowledgeLast());

  PduStr value = LongValue();
  std::reverse(value.begin(), value.end());
  const PduStr set = ApduFromXml(SetXml(1, kLong, 2, "<OctetString Value=\"" + ByteStrToHexStr(value) + "\" />"));
  ASSERT_GT(set.size(), static_cast<size_t>(kMaxPdu));
  EXPECT_EQ(ByteStrToHexStr(gbt.Exchange(set, kBlockData)),
            ByteStrToHexStr(ApduFromXml("<SetResponse><SetResponseNormal><InvokeIdAndPriority Value=\"C1\" />"
                                        "<Result Value=\"Success\" /></SetResponseNormal></SetResponse>")));
  ASSERT_TRUE(gbt.AcknowledgeLast());

  EXPECT_EQ(ByteStrToHexStr(gbt.Exchange(Get(kLong), 6)), ByteStrToHexStr(LongAnswer(value)));
  ASSERT_TRUE(gbt.AcknowledgeLast());
  ExpectPlainAnswer(Get(kShort), ShortAnswer());
  ExpectCleanLog();
}

// The client's acknowledgement of the last block belongs to the answer: sent back to back
// with the next request, it is taken by the answer's exchange and the request is served
// once, as the request it is.
TEST_F(GBTSession, LastAcknowledgementIsNotTakenForARequest) {
  Start();
  for (int round = 0; round < 3; ++round) {
    TGBTClient gbt(Client, 2);
    gbt.TimeoutMs = 5000;
    EXPECT_EQ(gbt.Request(Get(kLong)), LongAnswer());
    ASSERT_TRUE(gbt.AcknowledgeLast());
    ExpectPlainAnswer(Get(kShort, 0xC2), ShortAnswer(0xC2));
  }
  // The association request and two requests a round, each received and answered once.
  ASSERT_TRUE(Log().WaitForCount("SENT:", 7));
  EXPECT_EQ(Log().CountOf("RECEIVED:"), 7);
  ExpectCleanLog();
}

// An abort block of the client is answered with an abort block unless the setting says
// no, both while a request comes in and while an answer goes out; the next request is
// served as usual.
TEST_F(GBTSession, AbortIsAnsweredWithAbort) {
  for (bool answer : {true, false}) {
    SCOPED_TRACE(answer ? "answered" : "not answered");
    Start({{"CHKGBTAbortToAbort", answer ? "1" : "0"}});
    TGBTClient gbt(Client);
    gbt.TimeoutMs = 5000;
    TGBT block;
    const TGBT abortBlock = TGBTClient::MakeBlock(true, false, 0, 0, 0);

    // While a request comes in: the first of its blocks is acknowledged, then aborted.
    ASSERT_TRUE(gbt.SendBlock(TGBTClient::MakeBlock(false, false, 1, 1, 0, Get(kLong).substr(0, 6))));
    ASSERT_TRUE(gbt.ReceiveBlock(block));
    EXPECT_EQ(block.BNA, 1);
    ASSERT_TRUE(gbt.SendBlock(abortBlock));
    if (answer) {
      ASSERT_TRUE(gbt.ReceiveBlock(block));
      EXPECT_TRUE(block.IsAbort()) << block.ToString();
    }
    ExpectPlainAnswer(Get(kShort), ShortAnswer());

    // While an answer goes out: aborted after its first block.
    ASSERT_TRUE(Client.SendApdu(Get(kLong)));
    ASSERT_TRUE(gbt.ReceiveBlock(block));
    EXPECT_FALSE(block.LB);
    ASSERT_TRUE(gbt.SendBlock(abortBlock));
    if (answer) {
      ASSERT_TRUE(gbt.ReceiveBlock(block));
      EXPECT_TRUE(block.IsAbort()) << block.ToString();
    }
    ExpectPlainAnswer(Get(kShort), ShortAnswer());
    ExpectCleanLog();
    Server.reset();
    Client.Close();
  }
}

// A request that the client sends in the middle of a long answer ends the answer and is
// served at once.
TEST_F(GBTSession, NewRequestInTheMiddleOfAnAnswerIsServed) {
  Start();
  TGBTClient gbt(Client);
  gbt.TimeoutMs = 5000;
  TGBT block;
  ASSERT_TRUE(Client.SendApdu(Get(kLong)));
  ASSERT_TRUE(gbt.ReceiveBlock(block));
  EXPECT_EQ(block.BN, 1);
  ExpectPlainAnswer(Get(kShort, 0xC2), ShortAnswer(0xC2));
  EXPECT_TRUE(Log().WaitForText("*** New service started by peer"));
  // The abandoned answer sends nothing more.
  ExpectPlainAnswer(Get(kShort, 0xC3), ShortAnswer(0xC3));
}

// An unconfirmed block from the client is an error the session logs; it goes on serving.
TEST_F(GBTSession, UnconfirmedBlockIsLogged) {
  Start();
  TGBTClient gbt(Client);
  ASSERT_TRUE(gbt.SendBlock(TGBTClient::MakeBlock(true, false, 0, 1, 0, Get(kShort))));
  EXPECT_TRUE(Log().WaitForText("*** EXCEPTION *** UnconfirmedGBTReceived"));
  ExpectPlainAnswer(Get(kShort), ShortAnswer());
}

// Abort ends a session that waits for the client's acknowledgement.
TEST_F(GBTSession, AbortEndsTheWaitForAnAcknowledgement) {
  Start();
  TGBTClient gbt(Client);
  TGBT block;
  ASSERT_TRUE(Client.SendApdu(Get(kLong)));
  ASSERT_TRUE(gbt.ReceiveBlock(block));
  EXPECT_TRUE(Server->Stop());
  EXPECT_TRUE(Log().WaitForText("USER ABORT"));
}

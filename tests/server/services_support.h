// What the tests of the xDLMS services share: a device with data objects, a long octet
// string, a load profile of any length, a script table and both kinds of association; a
// fixture that starts a session on it; and a client side that reassembles data blocks.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_client.h"
#include "support/test_server.h"

namespace zv::test::services {

// The load profile 0100630100FF: entry n (from 1) holds the clock time of the first entry
// plus (n - 1) quarter hours, the register value 1000000 + 7n and the data value n mod 65536.
constexpr int kQuarterHour = 900;
PduStr EntryTime(int N);
uint32_t EntryValue(int N);
uint16_t EntryCount(int N);

// The long octet string held by 0000600A03FF.
PduStr LongOctets();

// The device: LN association 0000280001FF (client SAP 16, no security, PDU size 1024,
// conformance as the AARQ proposes, data object 0000600A02FF write-only, the script table's
// methods 1 and 2 granted) and SN association 0000280000FF, both listing nothing else (the
// session completes their lists); data objects 0000600100FF (octet string), 0000600A01FF
// (long-unsigned 5), 0000600A02FF and 0000600A03FF (LongOctets()); register 0100010800FF;
// clock 0000010000FF; the load profile with ProfileEntries entries; script table
// 00000A0064FF (scripts below, see services_scripts_test.cpp).
std::string Device(int ProfileEntries = 10);

// The XML form on one line, without indentation.
std::string Flat(const std::string& Xml);
std::string Flat(const COSEMpduPtr& Pdu);

extern const char* const kOperationNotPossible;
extern const char* const kServiceNotSupported;

std::string GetData(const std::string& DataXml, const char* Invoke = "C1");
std::string GetError(const std::string& Name, const char* Invoke = "C1");
// A get-request-normal with an access selection (AccessParametersXml: the Data alternative).
std::string SelectiveGetXml(int ClassId, const std::string& InstanceHex, int AttributeId, int Selector,
                            const std::string& AccessParametersXml);
// Entry descriptor parameters: from entry, to entry, from column, to column.
std::string EntryParameters(uint32_t FromEntry, uint32_t ToEntry, uint16_t FromColumn, uint16_t ToColumn);
// A GET for the next data block.
std::string GetNextXml(uint32_t BlockNumber, int InvokeId = 0xC1);

// What a GET or READ answered in data blocks joins to.
struct TJoined {
  bool Ok = false;        // every block came in order and the last one was marked
  int Blocks = 0;
  PduStr RawData;
  std::string Failure;  // what went wrong otherwise
};
// Sends the GET and asks for every further block until the last.
TJoined GetInBlocks(TTestClient& Client, const std::string& GetRequestXml);
// Sends the READ and asks for every further block until the last.
TJoined ReadInBlocks(TTestClient& Client, const std::string& ReadRequestXml);

class Services : public ::testing::Test {
 protected:
  // Completion of association lists is on unless Settings say otherwise.
  void Start(const std::string& DeviceXml = Device(), const TSettings& Settings = {});
  // An accepted association of the public client; Context "LN" or "SN".
  void Associate(const TAarqOptions& Options = LN());
  std::string Ask(const std::string& Xml) { return Flat(Client.RequestXml(Xml)); }
  TLogPump& Log() { return Server->Log(); }

  static TAarqOptions LN();
  static TAarqOptions SN();

  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
};

}  // namespace zv::test::services

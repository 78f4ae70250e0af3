// Pushes over loopback: a client invokes method 1 in a server session, the device tick
// (driven by hand) sends the data notification to a TCP listener or a UDP socket, and a
// request of the client waits for one connection attempt at most.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "apdu/acse.h"
#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "cosem/association_classes.h"
#include "cosem/logical_device.h"
#include "push_test_support.h"
#include "support/test_client.h"

using namespace zv;
using namespace zv::test;

namespace {

const char* const kSuccess =
    "<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"Success\" />"
    "</ActionResponseNormal></ActionResponse>";

std::string Flat(const std::string& Xml) {
  std::string out;
  bool lineStart = true;
  for (char c : Xml) {
    if (c == '\r' || c == '\n') {
      lineStart = true;
      continue;
    }
    if (lineStart && c == ' ') continue;
    lineStart = false;
    out += c;
  }
  return out;
}

struct Wpdu {
  int Version = -1, Source = -1, Destination = -1, Length = -1;
  PduStr Apdu;
};
Wpdu Split(const PduStr& s) {
  Wpdu w;
  if (s.size() < 8) return w;
  auto field = [&](size_t i) { return static_cast<uint8_t>(s[i]) << 8 | static_cast<uint8_t>(s[i + 1]); };
  w.Version = field(0);
  w.Source = field(2);
  w.Destination = field(4);
  w.Length = field(6);
  w.Apdu = s.substr(8);
  return w;
}
// The WPDU of the one connection a listener has taken, and whether the pusher closed it.
Wpdu TakeTcp(const Peer& Listener, bool& Closed) {
  Peer c = Listener.Accept();
  Wpdu w = Split(c.Read(8));
  if (w.Length >= 0) w.Apdu = c.Read(static_cast<size_t>(w.Length));
  Closed = c.SeesClose();
  return w;
}
uint32_t InvokeIdOf(const PduStr& Apdu) {
  uint32_t v = 0;
  for (size_t i = 1; i < 5 && i < Apdu.size(); ++i) v = v << 8 | static_cast<uint8_t>(Apdu[i]);
  return v;
}
// The notification of the push device: the clock's time (no hundredths, deviation not
// specified, status FF, Saturday recomputed), then the serial number and the register.
std::string NotificationHex(uint32_t InvokeId) {
  return Format("0F%08X", InvokeId) + "0C07E8060F0610000000" "8000FF" "0202" "0908" "3132333435363738" "060012D687";
}

class PushSend : public ::testing::Test {
 protected:
  void SetUp() override {
    Server = std::make_unique<TTestServer>(PushDevice());
    ASSERT_TRUE(Server->Start());
    ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
    COSEMpduPtr aare = Client.RequestXml(AarqXml({}));
    ASSERT_TRUE(aare);
    ASSERT_EQ(TCOSEMPDUHelper::AsAssociationResponse(*aare).AssociationResult()->Value, 0);
    Tick = std::make_unique<HandTick>(Server->Holder());
  }
  void TearDown() override { TPushSetupObjectHelper::ConnectTimeoutMs = TPushSetupObjectHelper::kConnectTimeoutMs; }

  TCOSEMInstance& Push(const char* Name = kPushName) { return PushSetup(Server->Holder(), Name); }
  // Changes a push setup while no request or tick runs.
  template <class F>
  void Change(const char* Name, F f) {
    TDeviceLock lock(Server->Holder());
    f(Push(Name));
  }
  std::string ActionPush(const char* Name = kPushName) {
    COSEMpduPtr r = Client.RequestXml(ActionXml(40, Name, 1, "<Integer Value=\"00\" />"));
    return r ? Flat(XmlOf(*r)) : "<no answer>";
  }
  TLogPump& Log() { return Server->Log(); }

  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
  std::unique_ptr<HandTick> Tick;
};

}  // namespace

// ACTION push, then one tick: the TCP listener gets one WPDU from the association's server
// SAP to its client SAP, holding the notification; then the same over UDP, with the next
// invoke id.
TEST_F(PushSend, ActionThenTickSendsOverTcpAndUdp) {
  Peer listener = Peer::ListenTcp("127.0.0.1");
  Peer udp = Peer::BindUdp("127.0.0.1");
  const std::string tcpDestination = Format("127.0.0.1:%d", listener.LocalPort());
  Change(kPushName, [&](TCOSEMInstance& p) { SetDestination(p, tsTCP, tcpDestination); });
  EXPECT_EQ(ActionPush(), kSuccess);
  EXPECT_FALSE(listener.Readable(0));  // nothing before the tick
  Tick->Pass();
  bool closed = false;
  Wpdu w = TakeTcp(listener, closed);
  EXPECT_TRUE(closed);
  EXPECT_EQ(w.Version, 1);
  EXPECT_EQ(w.Source, 1);
  EXPECT_EQ(w.Destination, 0x10);
  EXPECT_EQ(w.Length, static_cast<int>(w.Apdu.size()));
  const uint32_t id = InvokeIdOf(w.Apdu);
  EXPECT_EQ(ByteStrToHexStr(w.Apdu), NotificationHex(id));
  EXPECT_EQ(Flat(XmlOf(*TCOSEMPDUHelper::MakeFromPdu(w.Apdu))),
            Format("<DataNotification><LongInvokeIdAndPriority Value=\"%08X\" />", id) +
                "<DateTime Value=\"07E8060F06100000008000FF\" /><NotificationBody><DataValue><Structure Qty=\"0002\" >"
                "<OctetString Value=\"\\12345678\" /><DoubleLongUnsigned Value=\"0012D687\" /></Structure></DataValue>"
                "</NotificationBody></DataNotification>");
  EXPECT_FALSE(listener.Readable(0));  // exactly one connection
  ASSERT_TRUE(Log().WaitForText("DATA NOTIFICATION: Push done in the security context of AA 0000280001FF"));
  EXPECT_TRUE(Log().Contains("DATA NOTIFICATION: Message type AXDR"));
  EXPECT_TRUE(Log().Contains("DATA NOTIFICATION: Destination " + tcpDestination));
  EXPECT_TRUE(Log().Contains("DATA NOTIFICATION: Transport service TCP"));
  EXPECT_TRUE(Log().WaitForText("<DataNotification>"));

  Change(kPushName, [&](TCOSEMInstance& p) { SetDestination(p, tsUDP, Format("127.0.0.1:%d", udp.LocalPort())); });
  EXPECT_EQ(ActionPush(), kSuccess);
  Tick->Pass();
  Wpdu u = Split(udp.ReadDatagram());
  EXPECT_EQ(u.Version, 1);
  EXPECT_EQ(u.Source, 1);
  EXPECT_EQ(u.Destination, 0x10);
  EXPECT_EQ(ByteStrToHexStr(u.Apdu), NotificationHex(id + 1));
  EXPECT_FALSE(udp.Readable(0));
  ASSERT_TRUE(Log().WaitForText("DATA NOTIFICATION: Transport service UDP"));

  // The tick goes on without sending more.
  Tick->Tick();
  EXPECT_FALSE(udp.Readable(0));
  EXPECT_FALSE(listener.Readable(0));
}

// Two push setups pushed in the same tick: consecutive invoke ids in list order. The
// second pushes in a ciphered association's context: its security setup is named in the
// log and its client SAP is the destination wPort; the notification goes unprotected.
TEST_F(PushSend, TwoPushesTwoConsecutiveIds) {
  Peer first = Peer::BindUdp("127.0.0.1");
  Peer second = Peer::BindUdp("127.0.0.1");
  Change(kPushName, [&](TCOSEMInstance& p) { SetDestination(p, tsUDP, Format("127.0.0.1:%d", first.LocalPort())); });
  Change(kPushWithoutAA, [&](TCOSEMInstance& p) {
    SetDestination(p, tsUDP, Format("127.0.0.1:%d", second.LocalPort()));
    p.ReplaceAttribute(PushSetupAttr::AAReference,
                       MakeOctets(T_LogicalName, HexStrToByteStr("0000280003FF"), xmlAAReference));
  });
  EXPECT_EQ(ActionPush(kPushWithoutAA), kSuccess);
  EXPECT_EQ(ActionPush(kPushName), kSuccess);
  Tick->Pass();
  Wpdu a = Split(first.ReadDatagram());
  Wpdu b = Split(second.ReadDatagram());
  EXPECT_EQ(InvokeIdOf(b.Apdu), InvokeIdOf(a.Apdu) + 1);
  EXPECT_EQ(ByteStrToHexStr(b.Apdu), NotificationHex(InvokeIdOf(b.Apdu)));
  EXPECT_EQ(a.Destination, 0x10);
  EXPECT_EQ(b.Destination, 0x30);
  EXPECT_EQ(b.Source, 1);
  ASSERT_TRUE(Log().WaitForText("DATA NOTIFICATION: Push security setup 00002B0000FF"));
  EXPECT_TRUE(Log().Contains("DATA NOTIFICATION: Push in ciphered context"));
  EXPECT_TRUE(Log().Contains("DATA NOTIFICATION: Push done in the security context of AA 0000280003FF"));
}

// A destination that takes no connection: the attempt holds the device lock until its
// connect time-out, and a request of the connected client is answered as soon as that one
// attempt has ended, not after the retries.
TEST_F(PushSend, RequestWaitsForOneAttemptOnly) {
  // A listener whose queue is full drops further connection requests unanswered.
  Peer blackhole(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_storage address{};
  socklen_t length = Peer::Address("127.0.0.1", 0, address);
  ASSERT_EQ(::bind(blackhole.Fd(), reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(blackhole.Fd(), 0), 0);
  Peer filler = Peer::ConnectTcp("127.0.0.1", blackhole.LocalPort());
  ASSERT_TRUE(filler.Valid());

  TPushSetupObjectHelper::ConnectTimeoutMs = 300;
  const std::string destination = Format("127.0.0.1:%d", blackhole.LocalPort());
  Change(kPushName, [&](TCOSEMInstance& p) {
    SetDestination(p, tsTCP, destination);
    SetNumber(p, PushSetupAttr::NumberOfRetries, 3);
  });
  EXPECT_EQ(ActionPush(), kSuccess);
  std::thread tick([&] { Tick->Pass(); });
  ASSERT_TRUE(Log().WaitForText("DATA NOTIFICATION: Transport service TCP"));
  const auto start = std::chrono::steady_clock::now();
  COSEMpduPtr answer = Client.RequestXml(GetXml(1, "0000600100FF", 2));
  const auto waited = std::chrono::steady_clock::now() - start;
  tick.join();
  ASSERT_TRUE(answer);
  EXPECT_EQ(Flat(XmlOf(*answer)),
            "<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result><Data><OctetString "
            "Value=\"\\12345678\" /></Data></Result></GetResponseNormal></GetResponse>");
  EXPECT_LT(waited, std::chrono::seconds(5));
  ASSERT_TRUE(Log().WaitForText("when pushing to"));
  EXPECT_EQ(Log().CountOf(Format("Exception \"Connection timed out\" when pushing to \"%s\"", destination.c_str())), 1);
  EXPECT_EQ(State(Push()).State, psWaitEndOfRepetitionDelay);
}

// A notification longer than the association's receive size, with general block transfer
// in its conformance, leaves as blocks back to back on one connection, numbered from 1 and
// each as long as the size allows; joined they are the notification.
TEST_F(PushSend, LongNotificationLeavesAsBlocks) {
  Peer listener = Peer::ListenTcp("127.0.0.1");
  Change(kPushName, [&](TCOSEMInstance& p) { SetDestination(p, tsTCP, Format("127.0.0.1:%d", listener.LocalPort())); });
  {
    TDeviceLock lock(Server->Holder());
    TCOSEMInstance& aa = Object(Server->Holder(), "0000280001FF", 15);
    TLNAssociation::Conformance(aa).Value[cbGeneralBlockTransfer] = '1';
    TLNAssociation::ContextInfo(aa).Get<TNumber>(xDLMSContextInfo::MaxRecPduSize).SetInt64(30);
  }
  EXPECT_EQ(ActionPush(), kSuccess);
  Tick->Pass();
  Peer c = listener.Accept();
  PduStr joined;
  int blocks = 0;
  for (bool last = false; !last;) {
    Wpdu w = Split(c.Read(8));
    ASSERT_GT(w.Length, 7);
    w.Apdu = c.Read(static_cast<size_t>(w.Length));
    ASSERT_EQ(w.Apdu.size(), static_cast<size_t>(w.Length));
    EXPECT_EQ(static_cast<uint8_t>(w.Apdu[0]), 0xE0);
    last = (static_cast<uint8_t>(w.Apdu[1]) & 0x80) != 0;
    const int number = static_cast<uint8_t>(w.Apdu[2]) << 8 | static_cast<uint8_t>(w.Apdu[3]);
    EXPECT_EQ(number, ++blocks);
    const size_t length = static_cast<uint8_t>(w.Apdu[6]);
    ASSERT_EQ(w.Apdu.size(), 7 + length);
    if (!last) {
      EXPECT_EQ(length, 30u - 13u);
    }
    joined += w.Apdu.substr(7);
  }
  EXPECT_TRUE(c.SeesClose());
  EXPECT_EQ(blocks, 3);
  EXPECT_EQ(ByteStrToHexStr(joined), NotificationHex(InvokeIdOf(joined)));
}

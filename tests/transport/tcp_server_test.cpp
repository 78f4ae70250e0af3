#include "transport/tcp_server_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "foundation/globals.h"
#include "support/transport_test_support.h"
#include "transport/wrapper_layer.h"

using namespace zv;
using zv::test::EventCounter;
using zv::test::FakeClock;
using zv::test::Hex;
using zv::test::LogCapture;
using zv::test::Peer;

namespace {

// A long receive time-out: a receive that should return ends by its frame, its client or
// the abort flag; the time-out is driven by a FakeClock where a test wants it.
constexpr int kLongTimeout = 60000;

class TcpServerTest : public ::testing::TestWithParam<const char*> {
 protected:
  TcpServerTest() {
    AbortRequested = false;
    Server.Name = "TCPServer";
    Server.BindAddress = Host();
    Server.SetReceiveTimeout(kLongTimeout);
    Server.OnConnectedProc = [this](TProtocolLayerAbstract* Sender) {
      EXPECT_EQ(Sender, &Server);
      ConnectedIPs.push_back(Server.IP());
      Connects.Add();
    };
    Server.OnDisconnectedProc = [this](TProtocolLayerAbstract* Sender) {
      EXPECT_EQ(Sender, &Server);
      EXPECT_TRUE(Server.IsConnected());  // still counts as connected while it is told
      Disconnects.Add();
    };
    Wrapper.Name = "Wrapper";
    Wrapper.SetSupportingLayer(&Server);
  }
  ~TcpServerTest() override {
    Server.StopListening();
    AbortRequested = false;
  }

  std::string Host() const { return GetParam(); }

  void SetUp() override {
    if (Host() == std::string("::1") && !test::HaveIPv6Loopback()) GTEST_SKIP() << "no IPv6 loopback";
    Server.StartListening();
    ASSERT_GT(Server.ListeningPort(), 0);
  }

  Peer Connect() { return Peer::ConnectTcp(Host(), Server.ListeningPort()); }
  // A client that the server has taken on.
  Peer ConnectServed() {
    int before = Connects.Count();
    Peer p = Connect();
    EXPECT_TRUE(p.Valid());
    EXPECT_TRUE(Connects.WaitFor(before + 1));
    return p;
  }
  bool WaitDisconnects(int Count) {
    return Disconnects.WaitFor(Count);
  }

  // Declared first, so that they outlive the layers that use them.
  LogCapture Log;
  FakeClock Fake;
  TProtocolLayerTCPServer Server;
  TProtocolLayerWrapper Wrapper;
  TLinkAddresses Context;
  EventCounter Connects;
  EventCounter Disconnects;
  std::vector<std::string> ConnectedIPs;
};

INSTANTIATE_TEST_SUITE_P(Loopback, TcpServerTest, ::testing::Values("127.0.0.1", "::1"));

TEST_P(TcpServerTest, WPdusBothWaysWithTheWPortsSwapped) {
  Peer client = ConnectServed();
  EXPECT_EQ(Server.IP(), Host());
  EXPECT_EQ(ConnectedIPs, std::vector<std::string>{Host()});
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0005 C001C10001")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("C001C10001"));
  EXPECT_EQ(Context.ClientId, 16);
  EXPECT_EQ(Context.ServerId, 1);
  Wrapper.Send(&Context, Hex("C401C100 0900"));
  EXPECT_EQ(client.Read(14), Hex("0001 0001 0010 0006 C401C1000900"));
  // And again on the same connection.
  ASSERT_TRUE(client.Write(Hex("0001 0011 0002 0001 E6")));
  EXPECT_EQ(Wrapper.SendRec(&Context, ""), Hex("E6"));
  EXPECT_EQ(Context.ClientId, 17);
  EXPECT_EQ(Context.ServerId, 2);
}

TEST_P(TcpServerTest, TwoWPdusInOneSegmentAreTwoApdus) {
  Peer client = ConnectServed();
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0002 C001 0001 0010 0001 0003 C00102")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("C001"));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("C00102"));
}

TEST_P(TcpServerTest, AWPduArrivingByteByByteComesOutWhole) {
  Peer client = ConnectServed();
  const PduStr wpdu = Hex("0001 0010 0001 000B C001C1000100002A0000FF");
  std::thread writer([&] {
    for (char c : wpdu) client.Write(PduStr(1, c));
  });
  EXPECT_EQ(Wrapper.Rec(&Context), wpdu.substr(8));
  writer.join();
}

// The session thread may take waiting octets itself while the connection thread reads too:
// what arrives in many small pieces must reach the FIFO whole and in order.
TEST_P(TcpServerTest, TwoReadersKeepTheOrderOfTheOctets) {
  Peer client = ConnectServed();
  PduStr sent;
  for (int i = 0; i < 20000; ++i) sent += static_cast<char>(i * 7 + i / 251);
  std::thread writer([&] {
    for (size_t at = 0; at < sent.size(); at += 13) client.Write(sent.substr(at, 13));
  });
  PduStr got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (got.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
    if (Server.ReceiveWaiting()) got += Server.InputBuffer().ReadAll();
  }
  writer.join();
  EXPECT_TRUE(got == sent);
  EXPECT_FALSE(Server.ReceiveWaiting());
}

TEST_P(TcpServerTest, NothingReceivedInTimeIsNoResponse) {
  Peer client = ConnectServed();
  Server.SetClock(Fake);
  Server.SetReceiveTimeout(5000);
  EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse);
  EXPECT_GE(Fake.Waited.load(), 5000);
  // Without a frame-complete test a receive gives whatever came before the time-out.
  Server.CheckFrameCompleteCallBack = nullptr;
  EXPECT_EQ(Server.Rec(&Context), "");
}

TEST_P(TcpServerTest, AWPduSplitAcrossTheTimeOutIsKeptForTheNextReceive) {
  Peer client = ConnectServed();
  // One segment: a whole WPDU and the first octets of the next one.
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0001 E6 0001 0010")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  Server.SetClock(Fake);
  EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse);
  EXPECT_EQ(Server.InputBuffer().ByteQty(), 4);
  Server.SetClock(DefaultClock());
  ASSERT_TRUE(client.Write(Hex("0001 0002 C001")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("C001"));
  EXPECT_EQ(Context.ClientId, 16);
}

TEST_P(TcpServerTest, ASecondClientIsServedOnlyAfterTheFirstLeaves) {
  Peer first = ConnectServed();
  Peer second = Connect();
  ASSERT_TRUE(second.Valid());
  ASSERT_TRUE(second.Write(Hex("0001 0020 0001 0001 E7")));
  ASSERT_TRUE(first.Write(Hex("0001 0010 0001 0001 E6")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  EXPECT_EQ(Context.ClientId, 16);
  Wrapper.Send(&Context, Hex("E8"));
  EXPECT_EQ(first.Read(9), Hex("0001 0001 0010 0001 E8"));
  // The second client waits: nothing of it has come up.
  Server.SetClock(Fake);
  EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse);
  Server.SetClock(DefaultClock());
  EXPECT_EQ(Connects.Count(), 1);
  first.Close();
  ASSERT_TRUE(Connects.WaitFor(2));
  EXPECT_EQ(Disconnects.Count(), 1);
  // Now it is served, with what it sent while it waited.
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E7"));
  EXPECT_EQ(Context.ClientId, 0x20);
  Wrapper.Send(&Context, Hex("E9"));
  EXPECT_EQ(second.Read(9), Hex("0001 0001 0020 0001 E9"));
}

TEST_P(TcpServerTest, TheDisconnectCallbackFiresOnEveryDisconnect) {
  Server.SetShowTraffic(false);
  Log.Sync();
  const size_t shown = Log.Traffic.size();
  // The client leaves.
  Peer a = ConnectServed();
  LastDisconnectTick = 0;
  a.Close();
  ASSERT_TRUE(WaitDisconnects(1));
  EXPECT_NE(LastDisconnectTick.load(), 0u);
  Server.Disconnect();  // waits until the layer no longer counts as connected
  EXPECT_FALSE(Server.IsConnected());
  EXPECT_EQ(Server.IP(), "");
  // The server sends its client away.
  Peer b = ConnectServed();
  Server.Disconnect();
  EXPECT_EQ(Disconnects.Count(), 2);
  EXPECT_FALSE(Server.IsConnected());
  EXPECT_TRUE(b.SeesClose());
  // Listening stops while a client is there.
  Peer c = ConnectServed();
  Server.StopListening();
  EXPECT_EQ(Disconnects.Count(), 3);
  EXPECT_TRUE(c.SeesClose());
  EXPECT_EQ(Connects.Count(), 3);
  // Without a client, Disconnect returns at once and nothing is told.
  Server.Disconnect();
  EXPECT_EQ(Disconnects.Count(), 3);
  Log.Sync();
  EXPECT_EQ(Log.Traffic.size(), shown);  // nothing shown without ShowTraffic
}

TEST_P(TcpServerTest, ANewClientStartsWithEmptyFifos) {
  Peer a = ConnectServed();
  // A's octets arrive but are never taken: it leaves in the middle of a WPDU.
  ASSERT_TRUE(a.Write(Hex("0001 0010 0001 0009 C001")));
  ASSERT_TRUE(Server.InputBuffer().WaitForData(30000, nullptr));
  a.Close();
  ASSERT_TRUE(WaitDisconnects(1));
  Peer b = ConnectServed();
  ASSERT_TRUE(b.Write(Hex("0001 0020 0001 0001 E6")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  EXPECT_EQ(Context.ClientId, 0x20);
}

TEST_P(TcpServerTest, AnAnswerToAClientThatLeftReachesNoOtherClient) {
  Peer a = ConnectServed();
  ASSERT_TRUE(a.Write(Hex("0001 0010 0001 0001 E6")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  // A leaves while its request is served, and B comes before the answer is ready.
  a.Close();
  ASSERT_TRUE(WaitDisconnects(1));
  Peer b = ConnectServed();
  EXPECT_THROW(Wrapper.Send(&Context, Hex("E8")), EProtocolLayer);
  // B's own exchange is untouched.
  ASSERT_TRUE(b.Write(Hex("0001 0020 0001 0001 E7")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E7"));
  Wrapper.Send(&Context, Hex("E9"));
  EXPECT_EQ(b.Read(9), Hex("0001 0001 0020 0001 E9"));
}

TEST_P(TcpServerTest, AClientThatReadsNothingHoldsUpTheAnswersInsteadOfPilingThemUp) {
  Server.SetShowTraffic(false);
  Peer client = ConnectServed();
  constexpr int kChunks = 64;  // 64 MiB in all
  auto chunk = [](int i) { return PduStr(1 << 20, static_cast<char>(i)); };
  std::atomic<int> given{0};
  auto sender = std::async(std::launch::async, [&] {
    for (int i = 0; i < kChunks; ++i, ++given) Server.Send(&Context, chunk(i));
  });
  // Long before everything is given, Send waits for the client.
  EXPECT_EQ(sender.wait_for(std::chrono::seconds(1)), std::future_status::timeout);
  EXPECT_LT(given.load(), kChunks);
  // Once it reads, all of it arrives, in order.
  for (int i = 0; i < kChunks; ++i) {
    const PduStr s = client.Read(1 << 20);
    if (s != chunk(i)) {
      ADD_FAILURE() << "chunk " << i << " differs";
      AbortRequested = true;
      break;
    }
  }
  ASSERT_EQ(sender.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  sender.get();
}

TEST_P(TcpServerTest, ReceivingOrSendingWithoutAClient) {
  for (int i = 0; i < 2; ++i) {
    try {
      if (i == 0) Wrapper.Rec(&Context);
      else Wrapper.Send(&Context, "x");
      FAIL();
    } catch (const EProtocolLayer& e) {
      EXPECT_EQ(e.Message(), "TCPServer:\"TCPServer\" is not connected");
    }
  }
}

TEST_P(TcpServerTest, AClientLeavingInTheMiddleOfAWPdu) {
  Peer client = ConnectServed();
  // Part of a WPDU whose length is larger than what follows, then the client goes.
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0100 C001")));
  client.Close();
  EXPECT_THROW(Wrapper.Rec(&Context), EProtocolLayer);
  EXPECT_EQ(Server.InputBuffer().ByteQty(), 0);
  EXPECT_TRUE(WaitDisconnects(1));
}

TEST_P(TcpServerTest, GarbageIsReportedAndServingGoesOn) {
  Peer client = ConnectServed();
  Server.SetClock(Fake);
  ASSERT_TRUE(client.Write("hello world"));
  ASSERT_TRUE(Log.WaitFor([&] { return Log.Octets(toIncoming).size() == 11; }));
  try {
    Wrapper.Rec(&Context);
    FAIL();
  } catch (const EProtocolLayerWrapper& e) {
    EXPECT_EQ(e.Message(), "Illegal version 26725 in response WPDU");
  }
  Server.SetClock(DefaultClock());
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0001 E6")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
}

TEST_P(TcpServerTest, AbortEndsAWaitingReceive) {
  Peer client = ConnectServed();
  std::thread aborter([] { AbortRequested = true; });
  EXPECT_THROW(Wrapper.Rec(&Context), ENoResponse);
  aborter.join();
}

TEST_P(TcpServerTest, TrafficAndConnectionEvents) {
  const std::string ip = Host();
  const int port = Server.ListeningPort();
  Peer client = ConnectServed();
  ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0001 E6")));
  EXPECT_EQ(Wrapper.Rec(&Context), Hex("E6"));
  Server.Send(&Context, "");  // nothing, and no error
  Wrapper.Send(&Context, Hex("E7"));
  EXPECT_EQ(client.Read(9), Hex("0001 0001 0010 0001 E7"));
  client.Close();
  ASSERT_TRUE(WaitDisconnects(1));
  Server.StopListening();
  Log.Sync();
  EXPECT_TRUE(Log.HasInfo("Start Listening on port " + std::to_string(port)));
  EXPECT_TRUE(Log.HasInfo("Connected to " + ip));
  EXPECT_TRUE(Log.HasInfo("Disconnected from " + ip));
  EXPECT_TRUE(Log.HasInfo("Stop Listening"));
  EXPECT_EQ(Log.Octets(toIncoming), Hex("0001 0010 0001 0001 E6"));
  EXPECT_EQ(Log.Octets(toOutgoing), Hex("0001 0001 0010 0001 E7"));
  for (const auto& e : Log.Traffic) {
    EXPECT_EQ(e.Sender, &Server);
    EXPECT_TRUE(e.Options.Contains(toName) && e.Options.Contains(toTimeStamps));
  }
}

TEST_P(TcpServerTest, ThePortCannotChangeUnderAClient) {
  Peer client = ConnectServed();
  EXPECT_NO_THROW(Server.SetPort(Server.Port()));
  try {
    Server.SetPort(Server.Port() + 1);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "\"TCPServer\" is connected, cannot change parameter");
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

TEST(TcpServer, ListensOnEveryLocalAddress) {
  LogCapture log;
  EventCounter connects, disconnects;
  TProtocolLayerTCPServer server;
  server.Name = "TCPServer";
  server.OnConnectedProc = [&](TProtocolLayerAbstract*) { connects.Add(); };
  server.OnDisconnectedProc = [&](TProtocolLayerAbstract*) { disconnects.Add(); };
  server.SetReceiveTimeout(kLongTimeout);
  TProtocolLayerWrapper wrapper;
  wrapper.SetSupportingLayer(&server);
  TLinkAddresses context;
  server.StartListening();
  EXPECT_TRUE(server.IsListening());
  const int port = server.ListeningPort();
  log.Sync();
  EXPECT_TRUE(log.HasInfo("Start Listening on port " + std::to_string(port)));
  std::vector<std::string> hosts{"127.0.0.1"};
  if (test::HaveIPv6Loopback()) hosts.push_back("::1");
  for (size_t i = 0; i < hosts.size(); ++i) {
    const std::string& host = hosts[i];
    Peer client = Peer::ConnectTcp(host, port);
    ASSERT_TRUE(client.Valid()) << host;
    ASSERT_TRUE(connects.WaitFor(static_cast<int>(i) + 1));
    ASSERT_TRUE(client.Write(Hex("0001 0010 0001 0001 E6")));
    EXPECT_EQ(wrapper.Rec(&context), Hex("E6")) << host;
    EXPECT_EQ(server.IP(), host);
    client.Close();
    EXPECT_TRUE(disconnects.WaitFor(static_cast<int>(i) + 1));
  }
  server.StopListening();
  EXPECT_FALSE(server.IsListening());
  EXPECT_EQ(server.ListeningPort(), -1);
}

TEST(TcpServer, APortInUseIsAnError) {
  Peer taken = Peer::ListenTcp("127.0.0.1");
  TProtocolLayerTCPServer server;
  server.Name = "TCPServer";
  server.BindAddress = "127.0.0.1";
  server.SetPort(taken.LocalPort());
  server.SetShowTraffic(false);
  try {
    server.StartListening();
    FAIL();
  } catch (const EProtocolLayer& e) {
    EXPECT_EQ(e.Message().rfind("TCPServer:", 0), 0u) << e.Message();
  }
  EXPECT_FALSE(server.IsListening());
}

}  // namespace

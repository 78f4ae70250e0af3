#include "transport/client_layers.h"

#include <gtest/gtest.h>

#include "foundation/globals.h"
#include "support/transport_test_support.h"
#include "transport/wrapper_layer.h"

using namespace zv;
using zv::test::FakeClock;
using zv::test::Hex;
using zv::test::LogCapture;
using zv::test::Peer;

namespace {

// A push: a wrapper over a client layer, sending as server 1 to client 16.
template <typename Client>
class PushStack {
 public:
  PushStack(const std::string& Host, int Port) {
    Layer.SetIP(Host);
    Layer.SetPort(Port);
    Layer.SetIPVersion(Host.find(':') != std::string::npos ? TIPVersion::IPv6 : TIPVersion::IPv4);
    Wrapper.SetSupportingLayer(&Layer);
    Context.ServerId = 1;
    Context.ClientId = 16;
  }
  Client Layer;
  TProtocolLayerWrapper Wrapper;
  TLinkAddresses Context;
};

std::vector<std::string> Hosts() {
  std::vector<std::string> hosts{"127.0.0.1"};
  if (test::HaveIPv6Loopback()) hosts.push_back("::1");
  return hosts;
}

class ClientLayersTest : public ::testing::Test {
 protected:
  ClientLayersTest() { AbortRequested = false; }
  ~ClientLayersTest() override { AbortRequested = false; }
  LogCapture Log;
};

TEST_F(ClientLayersTest, TcpPushDeliversAWPdu) {
  for (const std::string& host : Hosts()) {
    Peer listener = Peer::ListenTcp(host);
    PushStack<TProtocolLayerTCPClient> push(host, listener.LocalPort());
    LastDisconnectTick = 0;
    push.Layer.Connect();
    EXPECT_TRUE(push.Layer.IsConnected());
    Peer receiver = listener.Accept();
    ASSERT_TRUE(receiver.Valid());
    push.Wrapper.Send(&push.Context, Hex("0F00000001 00 0200"));
    push.Layer.Disconnect();
    EXPECT_FALSE(push.Layer.IsConnected());
    EXPECT_NE(LastDisconnectTick.load(), 0u);
    EXPECT_EQ(receiver.Read(100), Hex("0001 0001 0010 0008 0F00000001000200"));
    Log.Sync();
    const std::string where = host.find(':') != std::string::npos
                                  ? "[" + host + "]:" + std::to_string(listener.LocalPort())
                                  : host + ":" + std::to_string(listener.LocalPort());
    for (const char* text : {"Connecting", "Disconnecting", "Disconnected"}) EXPECT_TRUE(Log.HasInfo(text)) << text;
    EXPECT_TRUE(Log.HasInfo("Connected to " + where)) << where;
    EXPECT_EQ(Log.Octets(toOutgoing), Hex("0001 0001 0010 0008 0F00000001000200"));
    Log.Traffic.clear();
  }
}

TEST_F(ClientLayersTest, UdpPushDeliversAWPdu) {
  for (const std::string& host : Hosts()) {
    Peer receiver = Peer::BindUdp(host);
    ASSERT_TRUE(receiver.Valid());
    PushStack<TProtocolLayerUDPClient> push(host, receiver.LocalPort());
    push.Layer.Connect();
    EXPECT_TRUE(push.Layer.IsConnected());
    push.Wrapper.Send(&push.Context, Hex("0F00000001 00 0200"));
    EXPECT_EQ(receiver.ReadDatagram(), Hex("0001 0001 0010 0008 0F00000001000200"));
    push.Layer.Disconnect();
    EXPECT_FALSE(push.Layer.IsConnected());
    Log.Sync();
    for (const auto& e : Log.Traffic) {
      EXPECT_TRUE(e.Options.Contains(toName) && e.Options.Contains(toTimeStampsDelta) &&
                  e.Options.Contains(toTimeStampsSession));
    }
    Log.Traffic.clear();
  }
}

TEST_F(ClientLayersTest, ARefusedConnectionFailsAndTheNextAttemptCanSucceed) {
  // A port that nobody listens on.
  int port;
  {
    Peer probe = Peer::ListenTcp("127.0.0.1");
    port = probe.LocalPort();
  }
  PushStack<TProtocolLayerTCPClient> push("127.0.0.1", port);
  const uint32_t tick = LastDisconnectTick = 12345;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      push.Layer.Connect();
      FAIL();
    } catch (const EProtocolLayerTCPClient& e) {
      EXPECT_EQ(e.Message(), "Connection refused");
    }
    EXPECT_FALSE(push.Layer.IsConnected());
    EXPECT_THROW(push.Wrapper.Send(&push.Context, "x"), EProtocolLayerTCPClient);
    push.Layer.Disconnect();  // not connected: nothing changes
    EXPECT_EQ(LastDisconnectTick.load(), tick);
  }
  // The destination comes up: the same layer connects.
  Peer listener = Peer::ListenTcp("127.0.0.1", port);
  ASSERT_TRUE(listener.Valid());
  push.Layer.Connect();
  EXPECT_TRUE(push.Layer.IsConnected());
}

TEST_F(ClientLayersTest, TheConnectDelayCountsFromTheLastDisconnect) {
  Peer listener = Peer::ListenTcp("127.0.0.1");
  Peer receiver = Peer::BindUdp("127.0.0.1");
  struct Row { int Delay; int64_t SinceDisconnect; int64_t Wait; };
  const Row rows[] = {{0, 0, 0}, {5000, 2000, 3000}, {5000, 6000, 0}, {5000, 5000, 0}, {-1, 0, 0}};
  for (const Row& r : rows) {
    for (bool tcp : {true, false}) {
      FakeClock clock;
      LastDisconnectTick = static_cast<uint32_t>(clock.Ms - r.SinceDisconnect);
      std::unique_ptr<TProtocolLayerAbstract> layer;
      if (tcp) {
        auto c = std::make_unique<TProtocolLayerTCPClient>();
        c->SetIP("127.0.0.1");
        c->SetPort(listener.LocalPort());
        c->SetDisconnectToConnectDelay(r.Delay);
        layer = std::move(c);
      } else {
        auto c = std::make_unique<TProtocolLayerUDPClient>();
        c->SetIP("127.0.0.1");
        c->SetPort(receiver.LocalPort());
        c->SetDisconnectToConnectDelay(r.Delay);
        layer = std::move(c);
      }
      layer->SetClock(clock);
      Log.Traffic.clear();
      Log.Lines.clear();
      layer->Connect();
      EXPECT_TRUE(layer->IsConnected());
      EXPECT_EQ(clock.Waited.load(), r.Wait) << r.Delay << " " << r.SinceDisconnect;
      Log.Sync();
      EXPECT_EQ(Log.HasInfo("Waiting " + std::to_string(r.Wait)), r.Wait > 0);
      // Only the TCP client writes its wait to the log.
      EXPECT_EQ(Log.HasLineEndingWith("Waiting 3.000 s (TCP disconnect to connect delay)"), tcp && r.Wait > 0);
      layer->Disconnect();
      EXPECT_EQ(LastDisconnectTick.load(), static_cast<uint32_t>(clock.Ms.load()));
      if (tcp) Peer accepted = listener.Accept();
    }
  }
}

TEST_F(ClientLayersTest, AbortEndsTheConnectDelay) {
  for (bool tcp : {true, false}) {
    AbortRequested = true;
    LastDisconnectTick = static_cast<uint32_t>(DefaultClock().NowMs());
    TProtocolLayerTCPClient t;
    TProtocolLayerUDPClient u;
    TProtocolLayerAbstract& layer = tcp ? static_cast<TProtocolLayerAbstract&>(t) : u;
    t.SetDisconnectToConnectDelay(600000);
    u.SetDisconnectToConnectDelay(600000);
    try {
      layer.Connect();
      FAIL();
    } catch (const EAbort& e) {
      EXPECT_EQ(e.Message(), "USER ABORT");
    }
    EXPECT_FALSE(layer.IsConnected());
    AbortRequested = false;
  }
}

TEST_F(ClientLayersTest, TcpReceiveTakesOneWPduAndLeavesTheRest) {
  Peer listener = Peer::ListenTcp("127.0.0.1");
  PushStack<TProtocolLayerTCPClient> push("127.0.0.1", listener.LocalPort());
  push.Layer.Connect();
  Peer peer = listener.Accept();
  ASSERT_TRUE(peer.Write(Hex("0001 0010 0001 0002 C001 0001 0011")));
  EXPECT_EQ(push.Wrapper.Rec(&push.Context), Hex("C001"));
  EXPECT_EQ(push.Context.ClientId, 16);
  // The second WPDU is cut by the time-out: it waits for its rest.
  FakeClock clock;
  push.Layer.SetClock(clock);
  EXPECT_THROW(push.Wrapper.Rec(&push.Context), ENoResponse);
  EXPECT_GE(clock.Waited.load(), 3000);
  push.Layer.SetClock(DefaultClock());
  ASSERT_TRUE(peer.Write(Hex("0001 0001 E6")));
  EXPECT_EQ(push.Wrapper.Rec(&push.Context), Hex("E6"));
  EXPECT_EQ(push.Context.ClientId, 17);
  // Nothing at all in time: no response.
  push.Layer.SetClock(clock);
  EXPECT_THROW(push.Wrapper.Rec(&push.Context), ENoResponse);
}

TEST_F(ClientLayersTest, TcpPeerClosingInTheMiddleOfAWPdu) {
  Peer listener = Peer::ListenTcp("127.0.0.1");
  PushStack<TProtocolLayerTCPClient> push("127.0.0.1", listener.LocalPort());
  push.Layer.Connect();
  Peer peer = listener.Accept();
  ASSERT_TRUE(peer.Write(Hex("0001 0010 0001 0100 C001")));
  peer.Close();
  try {
    push.Wrapper.Rec(&push.Context);
    FAIL();
  } catch (const EProtocolLayerTCPClient& e) {
    EXPECT_EQ(e.Message(), "Connection closed by the peer");
  }
  EXPECT_FALSE(push.Layer.IsConnected());
}

TEST_F(ClientLayersTest, UdpReceiveOfAWholeAHalfAndNoDatagram) {
  Peer peer = Peer::BindUdp("127.0.0.1");
  PushStack<TProtocolLayerUDPClient> push("127.0.0.1", peer.LocalPort());
  push.Layer.Connect();
  push.Wrapper.Send(&push.Context, Hex("C0"));
  ASSERT_TRUE(peer.Readable());
  char buffer[100];
  sockaddr_storage from{};
  socklen_t length = sizeof from;
  ASSERT_EQ(::recvfrom(peer.Fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length), 9);
  auto answer = [&](const PduStr& s) {
    ::sendto(peer.Fd(), s.data(), s.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
  };
  answer(Hex("0001 0011 0001 0002 C401"));
  EXPECT_EQ(push.Wrapper.Rec(&push.Context), Hex("C401"));
  EXPECT_EQ(push.Context.ClientId, 17);
  answer(Hex("0001 0011 0001 0004 C401"));
  try {
    push.Wrapper.Rec(&push.Context);
    FAIL();
  } catch (const EProtocolLayerUDPClient& e) {
    EXPECT_EQ(e.Message(), "\"\" received an incomplete APDU");
  }
  FakeClock clock;
  push.Layer.SetClock(clock);
  EXPECT_THROW(push.Wrapper.Rec(&push.Context), ENoResponse);
  EXPECT_GE(clock.Waited.load(), 3000);
  // SendRec of the layer sends even an empty string, then receives.
  push.Layer.CheckFrameCompleteCallBack = nullptr;
  EXPECT_EQ(push.Layer.SendRec(nullptr, ""), "");
  Log.Sync();
  EXPECT_EQ(Log.Octets(toIncoming), Hex("0001 0011 0001 0002 C401"));  // the refused one is not shown
}

TEST_F(ClientLayersTest, ParametersOfAnOpenLayer) {
  Peer receiver = Peer::BindUdp("127.0.0.1");
  Peer listener = Peer::ListenTcp("127.0.0.1");
  TProtocolLayerTCPClient tcp;
  TProtocolLayerUDPClient udp;
  EXPECT_EQ(tcp.ConnectTimeout(), 10000);
  EXPECT_EQ(tcp.ResponseTimeout(), 3000);
  EXPECT_EQ(udp.ResponseTimeout(), 3000);
  EXPECT_EQ(tcp.DisconnectToConnectDelay(), 0);
  EXPECT_TRUE(tcp.ShowTraffic());
  EXPECT_EQ(tcp.IPVersion(), TIPVersion::IPv4);
  tcp.SetIP("127.0.0.1");
  tcp.SetPort(listener.LocalPort());
  udp.SetIP("127.0.0.1");
  udp.SetPort(receiver.LocalPort());
  tcp.Connect();
  udp.Connect();
  EXPECT_NO_THROW(tcp.SetPort(listener.LocalPort()));
  EXPECT_NO_THROW(udp.SetIP("127.0.0.1"));
  EXPECT_NO_THROW(tcp.SetResponseTimeout(10));
  const std::vector<std::function<void()>> tcpChanges{
      [&] { tcp.SetPort(1); }, [&] { tcp.SetIP("127.0.0.2"); }, [&] { tcp.SetIPVersion(TIPVersion::IPv6); },
      [&] { tcp.SetConnectTimeout(1); }};
  for (const auto& change : tcpChanges) {
    try {
      change();
      ADD_FAILURE();
    } catch (const EProtocolLayerTCPClient& e) {
      EXPECT_EQ(e.Message(), "\"\" is open, cannot change parameter");
    }
  }
  const std::vector<std::function<void()>> udpChanges{
      [&] { udp.SetPort(1); }, [&] { udp.SetIP("127.0.0.2"); }, [&] { udp.SetIPVersion(TIPVersion::IPv6); }};
  for (const auto& change : udpChanges) {
    try {
      change();
      ADD_FAILURE();
    } catch (const EProtocolLayerUDPClient& e) {
      EXPECT_EQ(e.Message(), "\"\" is open, cannot change parameter");
    }
  }
  tcp.Disconnect();
  udp.Disconnect();
  EXPECT_NO_THROW(tcp.SetPort(1));
  EXPECT_NO_THROW(udp.SetPort(1));
  // Not connected.
  tcp.Name = "Push";
  try {
    tcp.Rec(nullptr);
    FAIL();
  } catch (const EProtocolLayerTCPClient& e) {
    EXPECT_EQ(e.Message(), "\"Push\" is not connected");
  }
  try {
    udp.Send(nullptr, "x");
    FAIL();
  } catch (const EProtocolLayerUDPClient& e) {
    EXPECT_EQ(e.Message(), "\"\" is not connected");
  }
}

}  // namespace

// A client that vanishes without closing its connection: the server's keep-alive probes go
// unanswered, the connection is dropped and the next client served; a client that is only
// idle keeps its connection. The loopback of a private network namespace is taken down to
// make the peer stop answering at the TCP level; the keep-alive figures are shortened.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "foundation/globals.h"
#include "support/private_network.h"
#include "support/transport_test_support.h"
#include "transport/tcp_server_layer.h"
#include "transport/wrapper_layer.h"

using namespace zv;
using zv::test::EventCounter;
using zv::test::Hex;
using zv::test::Peer;

TEST(TcpServerKeepAlive, AClientThatStopsAnsweringIsDroppedAndTheNextServed) {
  test::TPrivateNetwork network;
  if (!network.Valid()) GTEST_SKIP() << network.Error;
  AbortRequested = false;
  EventCounter connects, disconnects;
  TProtocolLayerTCPServer server;
  server.BindAddress = "127.0.0.1";
  server.SetShowTraffic(false);
  server.SetReceiveTimeout(30000);
  // Dropped after 1 s of silence and two unanswered probes 1 s apart.
  server.KeepAlive = {1, 1, 2};
  server.OnConnectedProc = [&](TProtocolLayerAbstract*) { connects.Add(); };
  server.OnDisconnectedProc = [&](TProtocolLayerAbstract*) { disconnects.Add(); };
  TProtocolLayerWrapper wrapper;
  wrapper.SetSupportingLayer(&server);
  TLinkAddresses context;
  server.StartListening();
  const PduStr request = Hex("0001 0010 0001 0002 C001");

  Peer vanishing = Peer::ConnectTcp("127.0.0.1", server.ListeningPort());
  ASSERT_TRUE(connects.WaitFor(1));
  ASSERT_TRUE(vanishing.Write(request));
  EXPECT_EQ(wrapper.Rec(&context), Hex("C001"));
  // Idle for longer than the probes take: its kernel answers them, so it stays.
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EXPECT_EQ(disconnects.Count(), 0);
  ASSERT_TRUE(vanishing.Write(request));
  EXPECT_EQ(wrapper.Rec(&context), Hex("C001"));

  // Now nothing it would answer arrives any more; it never closes its socket.
  ASSERT_TRUE(network.SetLoopbackUp(false));
  EXPECT_TRUE(disconnects.WaitFor(1));
  ASSERT_TRUE(network.SetLoopbackUp(true));

  Peer next = Peer::ConnectTcp("127.0.0.1", server.ListeningPort());
  ASSERT_TRUE(connects.WaitFor(2));
  ASSERT_TRUE(next.Write(Hex("0001 0011 0001 0002 C002")));
  EXPECT_EQ(wrapper.Rec(&context), Hex("C002"));
  EXPECT_EQ(context.ClientId, 17);
  server.StopListening();
}

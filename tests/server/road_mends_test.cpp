// Faults of the session that were mended: a device replaced under a live association,
// logging under the device lock, and waits that ignored abort or paced the requests.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "foundation/globals.h"
#include "server/transfer_context.h"
#include "support/test_client.h"
#include "support/test_server.h"
#include "transport/tcp_server_layer.h"

using namespace zv;
using namespace zv::test;

namespace {

const std::string& Meter() {
  static const std::string text = ReadFile(ZV_EXAMPLES_DIR "/meter.txt");
  return text;
}

std::string SerialOf(TTestClient& Client) {
  COSEMpduPtr r = Client.RequestXml(GetXml(1, "0000600100FF", 2));
  return r ? r->ToXMLString() : std::string("<no answer>");
}

bool IsException(const COSEMpduPtr& Pdu) {
  return Pdu && Pdu->ToXMLString().find("OperationNotPossible") != std::string::npos;
}

using Clock = std::chrono::steady_clock;
int64_t MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

}  // namespace

// A new device while a client is associated: the association ends with the old device, and
// the next request is served on the new one as the first of a connection.
TEST(Mends, ReplacingTheDeviceEndsTheAssociation) {
  TTestServer server(Meter());
  ASSERT_TRUE(server.Start());
  TTestClient c;
  ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  EXPECT_NE(SerialOf(c).find("\\12345678"), std::string::npos);

  std::string replaced = Meter();
  replaced.replace(replaced.find("\\12345678\" />\n      </DataValue>"), 9, "\\87654321");
  server.ReplaceDevice(replaced);
  EXPECT_TRUE(IsException(c.RequestXml(GetXml(1, "0000600100FF", 2))));
  EXPECT_TRUE(server.Log().WaitForText("*** Device replaced, association ended"));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  EXPECT_NE(SerialOf(c).find("\\87654321"), std::string::npos);

  // Replaced between the AARQ and the reply to the challenge as well.
  ASSERT_TRUE(c.RequestXml(RlrqXml()));
  TAarqOptions o;
  o.Mechanism = "HIGH_SECURITY_SHA256";
  o.AuthenticationBit = true;
  o.AuthenticationValue = "0123456789";
  o.CallingAPTitle = "ABCDEFGH";
  c.ClientSAP = 48;
  ASSERT_TRUE(c.RequestXml(AarqXml(o)));
  server.ReplaceDevice(Meter());
  EXPECT_TRUE(IsException(c.RequestXml(ActionXml(15, "0000280000FF", 1, "<OctetString Value=\"00\" />"))));
}

// Run is ignored while a session runs; the session goes on.
TEST(Mends, RunWhileRunningIsIgnored) {
  TTestServer server(Meter());
  ASSERT_TRUE(server.Start());
  const int port = server.Port();
  server.Process().Run(TApplicationProcessJob{});
  EXPECT_EQ(server.Process().State(), isRunning);
  TTestClient c;
  ASSERT_TRUE(c.Connect("127.0.0.1", port));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  ASSERT_TRUE(server.Log().WaitForText("SENT:"));
  EXPECT_EQ(server.Log().CountOf("STARTED "), 1);
}

// The log's GUI side may wait for the device lock (as Run does) while the session logs with
// the lock held: the session never waits for the GUI.
TEST(Mends, LoggingUnderTheDeviceLockDoesNotWaitForTheGui) {
  std::atomic<TLogicalDeviceWrapper*> holder{nullptr};
  std::atomic<int> locked{0};
  TTestServer server(Meter(), {}, [&](const std::vector<std::string>&) {
    if (TLogicalDeviceWrapper* h = holder.load()) {
      TDeviceLock lock(*h);
      ++locked;
    }
  });
  holder = &server.Holder();
  ASSERT_TRUE(server.Start());
  TTestClient c;
  ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  for (int i = 0; i < 20; ++i) EXPECT_NE(SerialOf(c).find("\\12345678"), std::string::npos);
  EXPECT_GT(locked.load(), 0);
  holder = nullptr;
}

// Abort ends a session at once, whatever it waits for: a client that sends nothing, no
// client at all, or the device lock.
TEST(Mends, AbortEndsTheSessionWhateverItWaitsFor) {
  TTestServer server(Meter(), {{"EDITReceiveTimeout", "60000"}});
  {
    ASSERT_TRUE(server.Start());
    TTestClient c;
    ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(c.RequestXml(AarqXml({})));
    const auto t = Clock::now();
    AbortRequested = true;
    ASSERT_TRUE(server.WaitForState(isIdle));
    EXPECT_LT(MsSince(t), 2000);
    EXPECT_TRUE(c.SeesClose());
  }
  {
    ASSERT_TRUE(server.Start());
    const auto t = Clock::now();
    AbortRequested = true;
    ASSERT_TRUE(server.WaitForState(isIdle));
    EXPECT_LT(MsSince(t), 2000);
  }
  {
    ASSERT_TRUE(server.Start());
    TTestClient c;
    ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(c.RequestXml(AarqXml({})));
    // The AARQ of the first session and this one are in the log.
    ASSERT_TRUE(server.Log().WaitForCount("Wrapper: Sent", 2));
    server.Holder().StartToUse();
    const int received = server.Log().CountOf("RECEIVED:");
    ASSERT_TRUE(c.SendApdu(ApduFromXml(GetXml(1, "0000600100FF", 2))));
    ASSERT_TRUE(server.Log().WaitForCount("RECEIVED:", received + 1));
    const auto t = Clock::now();
    AbortRequested = true;
    EXPECT_TRUE(server.WaitForState(isIdle));
    EXPECT_LT(MsSince(t), 2000);
    server.Holder().StopToUse();
    EXPECT_TRUE(server.Log().WaitForText("*** EXCEPTION *** USER ABORT"));
  }
}

// A pass ends its pause as soon as the next request is there: requests are not paced.
TEST(Mends, RequestsAreAnsweredWithoutPause) {
  TTestServer server(Meter());
  ASSERT_TRUE(server.Start());
  TTestClient c;
  ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  const auto t = Clock::now();
  for (int i = 0; i < 50; ++i) ASSERT_NE(SerialOf(c).find("\\12345678"), std::string::npos);
  // Fifty pauses of 100 ms would take five seconds.
  EXPECT_LT(MsSince(t), 2500);
}

// An answer is written to the socket by the session itself when nothing waits before it;
// what does not fit waits in the output FIFO, and nothing overtakes it.
TEST(TcpServerSend, AnswersKeepTheirOrderWhenTheSocketIsFull) {
  TProtocolLayerTCPServer tcp;
  tcp.BindAddress = "127.0.0.1";
  tcp.SetShowTraffic(false);
  std::mutex m;
  std::condition_variable cv;
  bool connected = false;
  tcp.OnConnectedProc = [&](TProtocolLayerAbstract*) {
    {
      std::lock_guard<std::mutex> g(m);
      connected = true;
    }
    cv.notify_all();
  };
  tcp.StartListening();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(tcp.ListeningPort()));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  {
    std::unique_lock<std::mutex> g(m);
    ASSERT_TRUE(cv.wait_for(g, std::chrono::seconds(30), [&] { return connected; }));
  }
  TTransferContext context;
  PduStr expected;
  for (int i = 0; i < 64; ++i) {
    PduStr chunk(65536, static_cast<char>(i));
    tcp.Send(&context, chunk);
    expected += chunk;
  }
  PduStr received;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (received.size() < expected.size() && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 30000) <= 0) break;
    char buffer[65536];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
  ::close(fd);
  tcp.StopListening();
}

// The serial profile opens its port when the session starts: a port that cannot be opened
// ends the session at once, and the next Run tries again.
TEST(SessionProfiles, HdlcSessionEndsWhenItsPortCannotBeOpened) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zv_profiles_XXXXXX").string();
  const std::string root = mkdtemp(tmpl.data());
  InitGlobals({root, root});
  std::filesystem::create_symlink(root + "/missing", SettingsFolder() + "COM1");
  {
    TTestServer server(Meter(), {{"RBTCPSelected", "0"}});
    for (int i = 1; i <= 2; ++i) {
      server.Process().Run(TApplicationProcessJob{});
      ASSERT_TRUE(server.Log().WaitForCount("): Cannot open port 1 (No such file or directory)", i));
      ASSERT_TRUE(server.WaitForState(isIdle));
    }
    EXPECT_EQ(server.Log().CountOf("HDLC, COM 1, @9600"), 2);
  }
  DoneGlobals();
  std::filesystem::remove_all(root);
}

// The port of the settings is the port served and the one the session line names; a value
// that is no port is refused before anything listens, whatever the socket layer would make
// of it (99999 and -1 wrap to other ports, 0 to a random one).
TEST(SessionProfiles, ThePortTheLogNamesIsThePortServed) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  const std::string free = std::to_string(ntohs(a.sin_port));
  {
    TTestServer server(Meter(), {{"EDITServerPortNr", free}});
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(std::to_string(server.Port()), free);
    EXPECT_TRUE(server.Log().WaitForText("TCP, port " + free + " IPv4"));
    TTestClient c;
    EXPECT_TRUE(c.Connect("127.0.0.1", server.Port()));
  }
  for (const char* port : {"99999", "-1", "0", "65536", "port", ""}) {
    SCOPED_TRACE(port);
    TTestServer server(Meter(), {{"EDITServerPortNr", port}});
    server.Process().Run(TApplicationProcessJob{});
    const std::string refusal =
        std::string("Server Port \"") + port + "\" is not a port number (1..65535), the server is not started";
    ASSERT_TRUE(server.Log().WaitForText(refusal));
    ASSERT_TRUE(server.WaitForState(isIdle));
    EXPECT_EQ(server.Port(), -1);  // nothing listened
    EXPECT_FALSE(server.Log().Contains("TCP, port"));
  }
}

// The session over HDLC on a serial line: a whole session driven on the master side of a
// pseudo-terminal with frames built by our own frame codec, the settings' default
// profile through a port link in the settings folder, abort while the link waits, and the
// threads of the link.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "apdu/cosem_pdu.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "server/application_process.h"
#include "server/hdlc_session_stack.h"
#include "server/logical_device_wrapper.h"
#include "server/misc_helpers.h"
#include "server/settings.h"
#include "server/transfer_context.h"
#include "support/hdlc_client.h"
#include "support/serial_test_support.h"
#include "support/test_client.h"
#include "support/test_server.h"
#include "transport/hdlc_frame.h"
#include "transport/hdlc_server_layer.h"

using namespace zv;
using namespace zv::test;

namespace {

const std::string& Meter() {
  static const std::string text = ReadFile(ZV_EXAMPLES_DIR "/meter.txt");
  return text;
}

using Clock = std::chrono::steady_clock;
int64_t MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

int ThreadCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

// A joined thread may linger in the task list for a moment after its join returned.
bool ThreadCountFallsTo(int Count) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (ThreadCount() > Count && Clock::now() < deadline) std::this_thread::yield();
  return ThreadCount() == Count;
}

// A session of our own (the settings, a log pump, the example meter and the process),
// started on the serial profile. Device, when not empty, is the test seam's device; with
// Settings null the process-wide settings file is read; with DeviceXml empty no device is
// loaded.
class THdlcServer {
 public:
  THdlcServer(const std::string& Device, const TSettings* Settings, const std::string& DeviceXml = Meter()) {
    if (Settings) {
      char dir[] = "/tmp/zv_hdlcprofile_XXXXXX";
      FDir = mkdtemp(dir) ? dir : "/tmp";
      FIni = std::make_unique<TIniFile>(FDir + "/settings.ini");
      TSettings s = {{"RBTCPSelected", "0"}};
      for (const auto& [k, v] : *Settings) s[k] = v;
      for (const auto& [k, v] : s) FIni->WriteString("FormPreferences", k, v);
    }
    TFormPreferences::SetIniFile(FIni.get());
    FLog = std::make_unique<TLogPump>([this](const std::vector<std::string>& Lines) { Track(Lines); });
    if (!DeviceXml.empty()) FHolder.SetLogicalDevice(TMiscHelpers::MakeLogicalDevice(DeviceXml));
    TApplicationProcessOptions options;
    options.DeviceHolder = &FHolder;
    options.SerialDevice = Device;
    FProcess = std::make_unique<TApplicationProcess>(options);
    FProcess->SetOnStateChanged([this] {
      { std::lock_guard<std::mutex> g(FMutex); }
      FCv.notify_all();
    });
  }
  ~THdlcServer() {
    Stop();
    FProcess.reset();
    FLog.reset();
    TFormPreferences::SetIniFile(nullptr);
    if (FIni) {
      FIni.reset();
      std::filesystem::remove_all(FDir);
    }
  }

  // Runs a session and waits until its link listens (the port is open and configured).
  bool Start() {
    int target;
    {
      std::lock_guard<std::mutex> g(FMutex);
      target = FListening + 1;
    }
    FProcess->Run(TApplicationProcessJob{});
    std::unique_lock<std::mutex> g(FMutex);
    return FCv.wait_for(g, std::chrono::seconds(30), [&] { return FListening >= target; });
  }
  bool WaitForState(TApplicationProcessState State) {
    std::unique_lock<std::mutex> g(FMutex);
    return FCv.wait_for(g, std::chrono::seconds(30), [&] { return FProcess->State() == State; });
  }
  bool Stop() {
    if (!FProcess || FProcess->State() == isIdle) return true;
    AbortRequested = true;
    return WaitForState(isIdle);
  }
  TLogPump& Log() { return *FLog; }
  TLogicalDeviceWrapper& Holder() { return FHolder; }
  TApplicationProcess& Process() { return *FProcess; }

 private:
  // A session's link listens from its first state line on.
  void Track(const std::vector<std::string>& Lines) {
    {
      std::lock_guard<std::mutex> g(FMutex);
      for (const std::string& l : Lines) {
        if (l.find("STARTED ") != std::string::npos) FStarted = true;
        if (FStarted && l.find("HDLC NDM") != std::string::npos) {
          FStarted = false;
          ++FListening;
        }
      }
    }
    FCv.notify_all();
  }

  std::string FDir;
  std::unique_ptr<TIniFile> FIni;
  std::mutex FMutex;
  std::condition_variable FCv;
  bool FStarted = false;
  int FListening = 0;
  std::unique_ptr<TLogPump> FLog;
  TLogicalDeviceWrapper FHolder;
  std::unique_ptr<TApplicationProcess> FProcess;
};

const char* const kSerialNumber = "\\12345678";
const char* const kAccepted = "AssociationResult Value=\"00\"";

std::string SerialNumberGet() { return GetXml(1, "0000600100FF", 2); }

}  // namespace

// The whole road on the link: association, a plain answer, a long answer in segments, an
// undecodable request, disconnection, and a new link that needs a new association.
TEST(HdlcProfile, ServesASessionOverTheLink) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings = {{"EDITCOMNr", "3"}, {"EDITBaud", "19200"}};
  THdlcServer server(pty.SlaveName, &settings);
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(server.Log().Contains("HDLC, COM 3, @19200 on " + pty.SlaveName));
  EXPECT_TRUE(server.Log().Contains("Port 3 opened at 19200 baud on " + pty.SlaveName));
  THdlcClient client(pty);

  client.Connect();
  ASSERT_TRUE(server.Log().WaitForText("HDLC NRM"));
  EXPECT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  EXPECT_NE(client.RequestXml(SerialNumberGet()).find(kSerialNumber), std::string::npos);
  EXPECT_EQ(client.Segments.size(), 1u);

  // The object list is longer than one frame: every segment but the last is full and
  // comes after the client's RR.
  const std::string list = client.RequestXml(GetXml(15, "0000280000FF", 2));
  EXPECT_NE(list.find("<GetResponseNormal>"), std::string::npos) << list;
  EXPECT_EQ(list.find("DataAccessError"), std::string::npos) << list;
  ASSERT_GE(client.Segments.size(), 2u);
  for (size_t i = 0; i + 1 < client.Segments.size(); ++i) EXPECT_EQ(client.Segments[i], kMaxInfo);
  EXPECT_LE(client.Segments.back(), kMaxInfo);

  // A get-request of two octets cannot be answered: the link answers the poll with RR.
  EXPECT_TRUE(client.Request(HexStrToByteStr("C0 01")).empty());
  EXPECT_TRUE(server.Log().WaitForText("No response generated"));
  // The link goes on with the next request.
  EXPECT_NE(client.RequestXml(SerialNumberGet()).find(kSerialNumber), std::string::npos);

  client.Disconnect();
  ASSERT_TRUE(server.Log().WaitForText("*** Disconnected"));
  EXPECT_EQ(server.Log().CountOf("HDLC NDM"), 2);

  // The next link starts without an association.
  client.Connect();
  EXPECT_NE(client.RequestXml(SerialNumberGet()).find("OperationNotPossible"), std::string::npos);
  EXPECT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  EXPECT_NE(client.RequestXml(SerialNumberGet()).find(kSerialNumber), std::string::npos);
  EXPECT_EQ(server.Log().CountOf("*** Disconnected"), 1);

  EXPECT_TRUE(server.Stop());
  EXPECT_FALSE(server.Log().Contains("EXCEPTION: "));
}

// An answer of 300 octets leaves in I frames of 128, 128 and 47 octets (the header of the
// link's answers counts), each after the client's poll.
TEST(HdlcProfile, ALongAnswerIsCutToTheNegotiatedSize) {
  // The serial number as 292 octets: its get-response is 300 octets long.
  std::string meter = Meter();
  const std::string serial = "<OctetString Value=\"\\12345678\" />";
  const size_t at = meter.find(serial);
  ASSERT_NE(at, std::string::npos);
  std::string value;
  for (int i = 0; i < 292; ++i) value += IntToHex(i & 0xFF, 2);
  meter.replace(at, serial.size(), "<OctetString Value=\"" + value + "\" />");

  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings;
  THdlcServer server(pty.SlaveName, &settings, meter);
  ASSERT_TRUE(server.Start());
  THdlcClient client(pty);
  client.Connect();
  ASSERT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  const PduStr answer = client.Request(ApduFromXml(SerialNumberGet()));
  EXPECT_EQ(answer.size(), 300u);
  EXPECT_EQ(client.Segments, (std::vector<size_t>{128, 128, 47}));
  EXPECT_EQ(answer.substr(0, 4), HexStrToByteStr("C4 01 C1 00"));
  EXPECT_EQ(answer.substr(8), HexStrToByteStr(value));
  // The link is ready for the next request.
  EXPECT_EQ(client.Request(ApduFromXml(SerialNumberGet())).size(), 300u);
}

// A request that fails without an answer (here: no device is loaded) releases the link,
// which answers the client's poll with RR and goes on serving the link.
TEST(HdlcProfile, ARequestThatFailsReleasesTheLink) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings;
  THdlcServer server(pty.SlaveName, &settings, std::string());
  ASSERT_TRUE(server.Start());
  THdlcClient client(pty);
  client.Connect();
  EXPECT_TRUE(client.Request(ApduFromXml(AarqXml({}))).empty());
  EXPECT_TRUE(server.Log().WaitForText("*** EXCEPTION *** "));
  EXPECT_TRUE(client.Request(ApduFromXml(SerialNumberGet())).empty());
  client.Disconnect();
  EXPECT_TRUE(server.Log().WaitForText("*** Disconnected"));
}

// Each request is answered as soon as the answer is there: no pass pauses, and the link
// does not poll for the answer.
TEST(HdlcProfile, RequestsAreAnsweredWithoutPause) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings;
  THdlcServer server(pty.SlaveName, &settings);
  ASSERT_TRUE(server.Start());
  THdlcClient client(pty);
  client.Connect();
  ASSERT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  const auto t = Clock::now();
  for (int i = 0; i < 20; ++i) ASSERT_NE(client.RequestXml(SerialNumberGet()).find(kSerialNumber), std::string::npos);
  // Twenty passes paced at 100 ms would take two seconds.
  EXPECT_LT(MsSince(t), 1500);
}

// Abort ends the session at once whatever the link waits for: a client, the next frame,
// or the answer to a request that the session cannot serve yet.
TEST(HdlcProfile, AbortEndsTheSessionWhileTheLinkWaits) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings;
  THdlcServer server(pty.SlaveName, &settings);
  THdlcClient client(pty);
  const auto abortAndWait = [&] {
    const auto t = Clock::now();
    AbortRequested = true;
    EXPECT_TRUE(server.WaitForState(isIdle));
    EXPECT_LT(MsSince(t), 2000);
  };

  ASSERT_TRUE(server.Start());
  abortAndWait();

  ASSERT_TRUE(server.Start());
  client.Connect();
  ASSERT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  abortAndWait();

  ASSERT_TRUE(server.Start());
  client.Connect();
  ASSERT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
  const int received = server.Log().CountOf("RECEIVED:");
  server.Holder().StartToUse();
  ASSERT_TRUE(client.SendFrame(fkI, kRequestLLC + ApduFromXml(SerialNumberGet())));
  ASSERT_TRUE(server.Log().WaitForCount("RECEIVED:", received + 1));
  abortAndWait();
  server.Holder().StopToUse();
}

// The settings' defaults (HDLC on COM1 at 9600 baud) with a COM1 link in the settings
// folder naming the device.
TEST(HdlcProfile, DefaultSettingsOpenThePortLinkedInTheSettingsFolder) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  std::string tmpl = (std::filesystem::temp_directory_path() / "zv_hdlcprofile_XXXXXX").string();
  const std::string root = mkdtemp(tmpl.data());
  InitGlobals({root, root});
  std::filesystem::create_symlink(pty.SlaveName, SettingsFolder() + "COM1");
  {
    THdlcServer server(std::string(), nullptr);
    ASSERT_TRUE(server.Start());
    const std::string device = SettingsFolder() + "COM1 -> " + pty.SlaveName;
    EXPECT_TRUE(server.Log().Contains("HDLC, COM 1, @9600 on " + device));
    EXPECT_TRUE(server.Log().Contains("Port 1 opened at 9600 baud on " + device));
    THdlcClient client(pty);
    client.Connect();
    EXPECT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
    EXPECT_NE(client.RequestXml(SerialNumberGet()).find(kSerialNumber), std::string::npos);
  }
  DoneGlobals();
  std::filesystem::remove_all(root);
}

// No session leaves a thread behind: not one served over the link, not one aborted while
// a client was linked, not one whose port could not be opened.
TEST(HdlcProfile, SessionsLeaveNoThreadBehind) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  const TSettings settings;
  {
    THdlcServer server(pty.SlaveName, &settings);
    const int idle = ThreadCount();
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(server.Start());
      EXPECT_GT(ThreadCount(), idle);
      THdlcClient client(pty);
      client.Connect();
      ASSERT_NE(client.RequestXml(AarqXml({})).find(kAccepted), std::string::npos);
      if (i == 2) client.Disconnect();
      ASSERT_TRUE(server.Stop());
      EXPECT_TRUE(ThreadCountFallsTo(idle)) << "session " << i;
    }
  }
  {
    THdlcServer server("/nonexistent/zv-tty", &settings);
    const int idle = ThreadCount();
    server.Process().Run(TApplicationProcessJob{});
    ASSERT_TRUE(server.Log().WaitForText("): Cannot open port /nonexistent/zv-tty (No such file or directory)"));
    ASSERT_TRUE(server.WaitForState(isIdle));
    EXPECT_TRUE(ThreadCountFallsTo(idle));
  }
}

// A drop reported after the session had looked for a fresh context and before the link
// handed over the next link's first request: that request is kept for the next pass,
// which starts with a fresh context.
TEST(HdlcSessionStack, ARequestOfTheNextLinkWaitsForTheNextPass) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  char dir[] = "/tmp/zv_hdlcstack_XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  {
    TIniFile ini(std::string(dir) + "/settings.ini");
    TFormPreferences::SetIniFile(&ini);
    AbortRequested = false;
    std::mutex m;
    int drops = 0;
    TSessionStackCallbacks callbacks;
    callbacks.OnDisconnected = [&](TProtocolLayerAbstract*) {
      std::lock_guard<std::mutex> g(m);
      ++drops;
    };
    std::unique_ptr<TSessionStack> stack = MakeHDLCSessionStack(callbacks, pty.SlaveName);
    EXPECT_TRUE(stack->Lower().IsConnected());
    THdlcClient client(pty);
    const PduStr aarq = ApduFromXml(AarqXml({}));

    stack->WaitForActivity(0);
    client.Connect();
    client.Disconnect();
    // The link reports the drop before it takes the next frame.
    client.Connect();
    ASSERT_TRUE(client.SendFrame(fkI, kRequestLLC + aarq));
    TTransferContext stale;
    EXPECT_THROW(stack->Top().Rec(&stale), ENoResponse);
    {
      std::lock_guard<std::mutex> g(m);
      EXPECT_EQ(drops, 1);
    }

    stack->WaitForActivity(0);
    TTransferContext fresh;
    EXPECT_EQ(stack->Top().Rec(&fresh), aarq);
    EXPECT_EQ(fresh.ClientId, 16);
    EXPECT_EQ(fresh.ServerId, 1);
    stack->Top().Send(&fresh, PduStr("\x61\x00", 2));
    TFrame answer = client.Receive();
    EXPECT_EQ(answer.Kind(), fkI);
    EXPECT_EQ(answer.FData, kResponseLLC + PduStr("\x61\x00", 2));

    // Without a drop the request goes straight through.
    stack->WaitForActivity(0);
    const PduStr get = ApduFromXml(SerialNumberGet());
    ASSERT_TRUE(client.SendFrame(fkI, kRequestLLC + get));
    EXPECT_EQ(stack->Top().Rec(&fresh), get);
    stack->Top().Send(&fresh, PduStr());
    NoResponseGenerated = true;
    EXPECT_EQ(client.Receive().Kind(), fkRR);
    stack.reset();
    TFormPreferences::SetIniFile(nullptr);
  }
  std::filesystem::remove_all(dir);
}

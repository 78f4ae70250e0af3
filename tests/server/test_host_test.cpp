// The test host runs one session from a description and a settings file, set up as the
// program sets itself up, and prints its log: over TCP, and over HDLC on a pseudo-terminal
// that a port link in its settings folder names.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/hdlc_client.h"
#include "support/serial_test_support.h"
#include "support/test_client.h"

extern char** environ;

using namespace zv;
using namespace zv::test;

namespace {

// zv_test_host on the example meter with Settings, its configuration folder
// ($XDG_CONFIG_HOME) a temporary one; its standard output is read line by line.
class THost {
 public:
  explicit THost(const std::string& Settings) {
    char dir[] = "/tmp/zv_host_XXXXXX";
    Dir = mkdtemp(dir) ? dir : "";
    std::ofstream(Dir + "/settings.ini") << "[FormPreferences]\n" << Settings;
  }
  ~THost() {
    if (FPid > 0) Stop();
    if (FOut) std::fclose(FOut);
    if (!Dir.empty()) std::filesystem::remove_all(Dir);
  }

  // The settings folder the host will make, as the program makes it for the first instance.
  std::string SettingsFolder() const { return Dir + "/Zorvan/"; }

  bool Start() {
    int out[2];
    if (Dir.empty() || pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("XDG_CONFIG_HOME=", 0) != 0) env.push_back(*e);
    env.push_back("XDG_CONFIG_HOME=" + Dir);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string device = ZV_EXAMPLES_DIR "/meter.txt", ini = Dir + "/settings.ini";
    char* argv[] = {const_cast<char*>(ZV_TEST_HOST), const_cast<char*>(device.c_str()),
                    const_cast<char*>(ini.c_str()), nullptr};
    const int rc = posix_spawn(&FPid, ZV_TEST_HOST, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FOut = fdopen(out[0], "r");
    return rc == 0 && FOut;
  }
  // Reads lines until one satisfies Found; false when the output ends first.
  bool ReadUntil(const std::function<bool(const std::string&)>& Found) {
    char line[4096];
    while (FOut && std::fgets(line, sizeof line, FOut)) {
      Output += line;
      if (Found(line)) return true;
    }
    return false;
  }
  // SIGTERM; reads the rest of the output; true when the host then ended with status 0.
  bool Stop() {
    kill(FPid, SIGTERM);
    ReadUntil([](const std::string&) { return false; });
    int status = 0;
    const bool ended = waitpid(FPid, &status, 0) == FPid;
    FPid = -1;
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  bool Logged(const std::string& Text) const { return Output.find(Text) != std::string::npos; }

  std::string Dir;
  std::string Output;

 private:
  pid_t FPid = -1;
  FILE* FOut = nullptr;
};

const char* const kSerialNumber = "<OctetString Value=\"\\12345678\" />";

}  // namespace

TEST(TestHost, ServesOverTcpUntilTerminated) {
  THost host("RBTCPSelected=1\nEDITServerPortNr=0\n");
  ASSERT_TRUE(host.Start());
  int port = -1;
  ASSERT_TRUE(host.ReadUntil([&](const std::string& l) { return std::sscanf(l.c_str(), "PORT %d", &port) == 1; }))
      << host.Output;
  TTestClient c;
  ASSERT_TRUE(c.Connect("127.0.0.1", port));
  ASSERT_TRUE(c.RequestXml(AarqXml({})));
  const COSEMpduPtr serial = c.RequestXml(GetXml(1, "0000600100FF", 2));
  ASSERT_TRUE(serial);
  EXPECT_NE(serial->ToXMLString().find("\\12345678"), std::string::npos);
  c.Close();
  EXPECT_TRUE(host.Stop());
  EXPECT_TRUE(host.Logged("TCP, port " + std::to_string(port) + " IPv4")) << host.Output;
  EXPECT_TRUE(host.Logged(kSerialNumber));
  EXPECT_TRUE(host.Logged("STOPPED after"));
}

// The serial profile opens the port through the settings folder, which only the
// process-wide set-up provides.
TEST(TestHost, ServesAnHdlcSessionOnAPseudoTerminal) {
  Pty pty;
  ASSERT_TRUE(pty.Valid());
  THost host("RBTCPSelected=0\nEDITCOMNr=3\n");
  std::filesystem::create_directories(host.SettingsFolder());
  std::filesystem::create_symlink(pty.SlaveName, host.SettingsFolder() + "COM3");
  ASSERT_TRUE(host.Start());
  ASSERT_TRUE(host.ReadUntil([](const std::string& l) { return l.find("HDLC NDM") != std::string::npos; }))
      << host.Output;
  const std::string device = host.SettingsFolder() + "COM3 -> " + pty.SlaveName;
  EXPECT_TRUE(host.Logged("HDLC, COM 3, @9600 on " + device)) << host.Output;
  EXPECT_TRUE(host.Logged("Port 3 opened at 9600 baud on " + device));

  THdlcClient client(pty);
  client.Connect();
  EXPECT_NE(client.RequestXml(AarqXml({})).find("AssociationResult Value=\"00\""), std::string::npos);
  EXPECT_NE(client.RequestXml(GetXml(1, "0000600100FF", 2)).find(kSerialNumber), std::string::npos);
  EXPECT_NE(client.RequestXml(RlrqXml()).find("ReleaseResponse"), std::string::npos);
  client.Disconnect();
  EXPECT_TRUE(host.Stop());
  EXPECT_TRUE(host.Logged("HDLC NRM"));
  EXPECT_TRUE(host.Logged(kSerialNumber));
  EXPECT_TRUE(host.Logged("STOPPED after")) << host.Output;
}

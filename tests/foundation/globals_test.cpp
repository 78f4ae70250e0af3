#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/errors.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "platform/folders.h"

using namespace zv;

namespace {

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zv_globals_XXXXXX").string();
    Path = mkdtemp(tmpl.data());
    Path += '/';
  }
  ~TempFolder() { std::filesystem::remove_all(Path); }
  std::string Path;
};

}  // namespace

TEST(InstanceSlot, HoldersInOneProcessGetTheNextFreeSlot) {
  TempFolder dir;
  TInstanceSlot a = AcquireInstanceSlot(dir.Path);
  TInstanceSlot b = AcquireInstanceSlot(dir.Path);
  TInstanceSlot c = AcquireInstanceSlot(dir.Path);
  EXPECT_EQ(a.Nr, 1);
  EXPECT_EQ(b.Nr, 2);
  EXPECT_EQ(c.Nr, 3);
  EXPECT_TRUE(std::filesystem::exists(dir.Path + "2"));

  b.Lock.Release();  // the holder of slot 2 ends
  EXPECT_EQ(AcquireInstanceSlot(dir.Path).Nr, 2);

  // With all ten held, an eleventh copy shares slot 1 and holds nothing.
  std::vector<TInstanceSlot> more;
  for (int i = 0; i < 8; ++i) more.push_back(AcquireInstanceSlot(dir.Path));
  EXPECT_EQ(more.front().Nr, 2);
  EXPECT_EQ(more.back().Nr, 10);
  TInstanceSlot eleventh = AcquireInstanceSlot(dir.Path);
  EXPECT_EQ(eleventh.Nr, 1);
  EXPECT_FALSE(eleventh.Lock.Held());
}

TEST(InstanceSlot, AnotherProcessHoldsItsSlotUntilItEnds) {
  TempFolder dir;
  TInstanceSlot first = AcquireInstanceSlot(dir.Path);
  ASSERT_EQ(first.Nr, 1);
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(toParent[0]);
    close(toChild[1]);
    TInstanceSlot mine = AcquireInstanceSlot(dir.Path);
    char nr = static_cast<char>(mine.Nr);
    if (write(toParent[1], &nr, 1) != 1) _exit(2);
    char c;
    while (read(toChild[0], &c, 1) > 0) {
    }  // holds the slot until the parent closes the pipe
    _exit(0);
  }
  close(toParent[1]);
  close(toChild[0]);
  char childNr = 0;
  ASSERT_EQ(read(toParent[0], &childNr, 1), 1);
  EXPECT_EQ(childNr, 2);
  {
    TInstanceSlot third = AcquireInstanceSlot(dir.Path);
    EXPECT_EQ(third.Nr, 3);
  }
  close(toChild[1]);  // the child ends
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(toParent[0]);
  EXPECT_EQ(AcquireInstanceSlot(dir.Path).Nr, 2);
}

TEST(Globals, SettingsPathsFollowTheInstanceSlot) {
  TempFolder dir;
  std::string exe = dir.Path + "exe/";
  ForceDirectories(exe);
  std::string settings = dir.Path + "cfg/Zorvan/";
  ForceDirectories(settings);
  TInstanceSlot one = AcquireInstanceSlot(settings);
  TInstanceSlot two = AcquireInstanceSlot(settings);

  InitGlobals({dir.Path + "cfg", exe});
  EXPECT_EQ(InstanceNr(), 3);
  EXPECT_EQ(ExeFolder(), exe);
  EXPECT_EQ(SettingsFolder(), settings + "[3]/");
  EXPECT_TRUE(std::filesystem::is_directory(SettingsFolder()));
  EXPECT_EQ(IniFileName(), settings + "[3]/Zorvan.ini");
  EXPECT_EQ(LastLogFileName(), settings + "[3]/LastLog.txt");
  EXPECT_EQ(HelpFileName(), "");
  EXPECT_GE(PerformanceFrequency(), 1000);
  IniFile().WriteInteger("Misc", "X", 5);
  EXPECT_TRUE(std::filesystem::exists(settings + "[3]/Zorvan.ini"));

  // Slot 3 is given back at shutdown; the first copy's settings have no subfolder.
  DoneGlobals();
  one.Lock.Release();
  std::ofstream(exe + "Zorvan.html") << "help";
  InitGlobals({dir.Path + "cfg", exe});
  EXPECT_EQ(InstanceNr(), 1);
  EXPECT_EQ(SettingsFolder(), settings);
  EXPECT_EQ(HelpFileName(), exe + "Zorvan.html");
  EXPECT_EQ(AcquireInstanceSlot(settings).Nr, 3);

  // An installed program finds its page in <prefix>/share/zorvan/, when none is beside it.
  std::string prefix = dir.Path + "usr/";
  ForceDirectories(prefix + "bin/");
  ForceDirectories(prefix + "share/zorvan/");
  std::ofstream(prefix + "share/zorvan/Zorvan.html") << "help";
  InitGlobals({dir.Path + "cfg", prefix + "bin/"});
  EXPECT_EQ(HelpFileName(), prefix + "share/zorvan/Zorvan.html");
  std::ofstream(prefix + "bin/Zorvan.html") << "help";
  InitGlobals({dir.Path + "cfg", prefix + "bin/"});
  EXPECT_EQ(HelpFileName(), prefix + "bin/Zorvan.html");

  // Without a per-user folder the settings live beside the executable.
  InitGlobals({std::string(), exe});
  EXPECT_EQ(InstanceNr(), 0);
  EXPECT_EQ(SettingsFolder(), exe);
  EXPECT_EQ(IniFileName(), exe + "Zorvan.ini");
  DoneGlobals();
}

TEST(Globals, UserConfigFolderComesFromXdgOrHome) {
  TempFolder dir;
  std::string savedXdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", (dir.Path + "xdg").c_str(), 1);
  EXPECT_EQ(UserConfigFolder(), dir.Path + "xdg/");
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path + "xdg"));
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", (dir.Path + "home").c_str(), 1);
  EXPECT_EQ(UserConfigFolder(), dir.Path + "home/.config/");
  // The data folder follows the same rules with its own variable.
  std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(UserDataFolder(), dir.Path + "home/.local/share/");
  setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(UserDataFolder(), dir.Path + "home/.local/share/");
  setenv("XDG_DATA_HOME", (dir.Path + "data").c_str(), 1);
  EXPECT_EQ(UserDataFolder(), dir.Path + "data/");
  if (savedData.empty()) unsetenv("XDG_DATA_HOME");
  else setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  if (savedXdg.empty()) unsetenv("XDG_CONFIG_HOME");
  else setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
}

TEST(AbortFlag, CheckUserAbortRaisesTheSilentAbort) {
  AbortRequested = false;
  EXPECT_NO_THROW(CheckUserAbort());
  // A server thread polling the flag sees the GUI thread's request and stops.
  std::thread worker([] {
    try {
      for (;;) CheckUserAbort();
    } catch (const EAbort& e) {
      EXPECT_EQ(e.Message(), "USER ABORT");
      EXPECT_STREQ(e.ClassName(), "EAbort");
    }
  });
  AbortRequested = true;
  worker.join();
  AbortRequested = false;
}

TEST(SplitHostAndPort, Addresses) {
  struct Row { const char* address; bool error; bool ipv4; int port; const char* host; };
  const Row rows[] = {
      {"[::1]:4059", false, false, 4059, "::1"},
      {"[::1]", false, false, -1, "::1"},
      {"[::1]:", false, false, -1, "::1"},
      {"[0:0:0:0:0:0:0:1]:80", false, false, 80, "::1"},
      {"::1", false, false, -1, "::1"},
      {"fe80::1:2", false, false, -1, "fe80::1:2"},
      {"192.168.0.1:4059", false, true, 4059, "192.168.0.1"},
      {"192.168.0.1", false, true, -1, "192.168.0.1"},
      {"10.0.0.1:0", false, true, 0, "10.0.0.1"},
      {"10.0.0.1:65535", false, true, 65535, "10.0.0.1"},
      {"10.0.0.1:65536", true, false, -1, ""},    // beyond a port number
      {"[::1]:70000", true, false, -1, ""},
      {"10.0.0.1:99999999999999999999", true, false, -1, ""},
      {"10.0.0.1:x", true, false, -1, ""},
      {"10.0.0.1:", true, false, -1, ""},
      {"10.0.0.1:-1", true, false, -1, ""},
      {"[::1", true, false, -1, ""},
      {"[::1]x4059", true, false, -1, ""},
      {"[::1]:40x", true, false, -1, ""},
      {"[1.2.3.4]:80", true, false, -1, ""},
      {"localhost:4059", true, false, -1, ""},
      {"256.0.0.1", true, false, -1, ""},
      {"", true, false, -1, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.address);
    bool ipv4 = true, error = false;
    int port = 7;
    std::string host = "old";
    SplitHostAndPort(r.address, ipv4, port, host, error);
    EXPECT_EQ(error, r.error);
    if (!r.error) {
      EXPECT_EQ(ipv4, r.ipv4);
      EXPECT_EQ(port, r.port);
      EXPECT_EQ(host, r.host);
    }
  }
}

// zv_test_host DEVICE-DESCRIPTION SETTINGS-INI
// Runs one server session as the Run command does and prints the log to standard output;
// the process-wide state is set up as the program sets it up at start (the settings folder
// under $XDG_CONFIG_HOME, where a "COMn" link names the serial device of port n), but the
// session reads the settings of SETTINGS-INI. Over TCP it listens on a free port of
// 127.0.0.1 and the first line is "PORT %d" with the port listened on. SIGINT or SIGTERM ends the session and
// the program.
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "server/application_process.h"
#include "server/device_process.h"
#include "server/logical_device_wrapper.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"
#include "server/settings.h"
#include "support/test_server.h"

using namespace zv;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DEVICE-DESCRIPTION SETTINGS-INI\n", argv[0]);
    return 2;
  }
  // Every thread inherits the blocked signals; one thread takes them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  InitGlobals();
  TIniFile ini(argv[2]);
  TFormPreferences::SetIniFile(&ini);
  // Over TCP "PORT %d" comes first: the log waits until the port is printed or the session
  // has ended. A serial session has no port to tell.
  const bool tcp = TFormPreferences::GetCommunicationProfile() == 1;
  std::mutex m;
  std::condition_variable cv;
  bool portPrinted = !tcp, ended = false;
  // The log is taken every 10 ms, as a GUI that repaints its pane does.
  test::TLogPump log(
      [&](const std::vector<std::string>& Lines) {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [&] { return portPrinted || ended; });
        for (const auto& l : Lines) std::fprintf(stdout, "%s\n", l.c_str());
        std::fflush(stdout);
      },
      false, 10);

  const std::string text = test::ReadFile(argv[1]);
  auto fail = [&](const std::string& Message) {
    {
      std::lock_guard<std::mutex> g(m);
      ended = true;
    }
    cv.notify_all();
    std::fprintf(stderr, "%s\n", Message.c_str());
    DoneGlobals();
    return 1;
  };
  try {
    LogicalDeviceWrapper().SetLogicalDevice(TMiscHelpers::MakeLogicalDevice(text));
    TDeviceLock lock(LogicalDeviceWrapper());
    TLogicalDeviceHelper::CheckDuplicateInstanceIds(*LogicalDeviceWrapper().LogicalDevice());
  } catch (const EXMLError& e) {
    return fail(Format("%s (line %d, column %d)", e.what(), e.PosY, e.PosX));
  } catch (const std::exception& e) {
    return fail(e.what());
  }

  TDeviceProcess tick(LogicalDeviceWrapper());
  TApplicationProcessOptions options;
  options.BindAddress = "127.0.0.1";
  options.AnyPort = true;
  options.OnListening = [&](int Port) {
    {
      std::lock_guard<std::mutex> g(m);
      std::fprintf(stdout, "PORT %d\n", Port);
      std::fflush(stdout);
      portPrinted = true;
    }
    cv.notify_all();
  };
  TApplicationProcess process(options);
  process.SetOnStateChanged([&] {
    if (process.State() != isIdle) return;
    {
      std::lock_guard<std::mutex> g(m);
      ended = true;
    }
    cv.notify_all();
  });
  std::thread signalThread([&] {
    int sig = 0;
    sigwait(&signals, &sig);
    AbortRequested = true;
  });
  process.Run(TApplicationProcessJob{});
  {
    std::unique_lock<std::mutex> g(m);
    cv.wait(g, [&] { return ended; });
  }
  // The session may also have ended on its own (a port that cannot be opened).
  pthread_kill(signalThread.native_handle(), SIGTERM);
  signalThread.join();
  DoneGlobals();
  return 0;
}

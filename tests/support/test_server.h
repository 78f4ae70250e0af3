// A server session in the test's own process, started exactly as Run starts it, and a
// log pane that collects what the session logs (optionally handing each line on).
#pragma once
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/ini_file.h"
#include "foundation/logger.h"
#include "server/application_process.h"
#include "server/logical_device_wrapper.h"

namespace zv::test {

// The GUI side of the process-wide logger on a thread of its own: it takes every entry as
// soon as it is made. Only one may exist at a time.
class TLogPump : public ILogSink {
 public:
  // OnLines sees each group of lines as the pane receives it (on the pump's thread).
  explicit TLogPump(std::function<void(const std::vector<std::string>&)> OnLines = {});
  // Keep: the lines are kept for Lines and the waits (else only handed on). BatchMs: after
  // it has been woken the pump lets entries gather this long before it takes them, as a
  // busy GUI would; 0 takes each at once.
  TLogPump(std::function<void(const std::vector<std::string>&)> OnLines, bool Keep, int BatchMs);
  ~TLogPump() override;

  void Clear() override {}
  void AppendLines(const std::vector<std::string>& Lines) override;
  int LineCount() const override;

  // Every line logged since the pump started.
  std::vector<std::string> Lines() const;
  // Waits until some line contains Text (at most 30 s).
  bool WaitForText(const std::string& Text);
  // Waits until Text has appeared Count times (at most 30 s).
  bool WaitForCount(const std::string& Text, int Count);
  int CountOf(const std::string& Text) const;
  bool Contains(const std::string& Text) const { return CountOf(Text) > 0; }

 private:
  void Loop();

  std::function<void(const std::vector<std::string>&)> FOnLines;
  mutable std::mutex FMutex;
  std::condition_variable FCv;
  std::vector<std::string> FLines;
  bool FPending = false;
  bool FStop = false;
  bool FAttached = false;
  bool FKeep = true;
  int FBatchMs = 0;
  std::thread FThread;
};

// Settings of the session (section "FormPreferences"); TCP on a free port by default.
using TSettings = std::map<std::string, std::string>;

// A device holder, settings file and application process; Start runs one session on
// 127.0.0.1 and waits until it listens. The destructor aborts the session.
class TTestServer {
 public:
  // Settings override the defaults (TCP on a free port, receive time-out 5000 ms); a port
  // given in Settings is served as Run serves it. OnLines,
  // KeepLines and BatchMs are the log pump's.
  explicit TTestServer(const std::string& DeviceXml, const TSettings& Settings = {},
                       std::function<void(const std::vector<std::string>&)> OnLines = {}, bool KeepLines = true,
                       int BatchMs = 0);
  ~TTestServer();

  // False when the session did not start listening within 30 s.
  bool Start();
  // Sets the abort flag and waits until the session has ended (at most 30 s).
  bool Stop();
  int Port() const { return FPort; }
  // Writes one setting; the session reads it at its next use.
  void SetSetting(const std::string& Key, const std::string& Value);
  // A new device through the holder, as Run installs one.
  void ReplaceDevice(const std::string& DeviceXml);
  TLogPump& Log() { return *FLog; }
  TLogicalDeviceWrapper& Holder() { return FHolder; }
  TApplicationProcess& Process() { return *FProcess; }
  // Waits until the process state is State (at most 30 s).
  bool WaitForState(TApplicationProcessState State);

 private:
  std::string FDir;
  std::unique_ptr<TIniFile> FIni;
  std::unique_ptr<TLogPump> FLog;
  TLogicalDeviceWrapper FHolder;
  std::unique_ptr<TApplicationProcess> FProcess;
  std::mutex FMutex;
  std::condition_variable FCv;
  int FPort = -1;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& Path);

}  // namespace zv::test

#include "support/test_server.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "server/object_services.h"
#include "server/settings.h"

namespace zv::test {

namespace {
constexpr auto kWait = std::chrono::seconds(30);
}

std::string ReadFile(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// ---- Log pump ----------------------------------------------------------------------------------

TLogPump::TLogPump(std::function<void(const std::vector<std::string>&)> OnLines)
    : TLogPump(std::move(OnLines), true, 0) {}

TLogPump::TLogPump(std::function<void(const std::vector<std::string>&)> OnLines, bool Keep, int BatchMs)
    : FOnLines(std::move(OnLines)), FKeep(Keep), FBatchMs(BatchMs) {
  FThread = std::thread(&TLogPump::Loop, this);
  std::unique_lock<std::mutex> g(FMutex);
  FCv.wait(g, [this] { return FAttached; });
}

TLogPump::~TLogPump() {
  {
    std::lock_guard<std::mutex> g(FMutex);
    FStop = true;
  }
  FCv.notify_all();
  FThread.join();
}

void TLogPump::Loop() {
  Logger().Attach(*this, [this] {
    {
      std::lock_guard<std::mutex> g(FMutex);
      FPending = true;
    }
    FCv.notify_all();
  });
  {
    std::lock_guard<std::mutex> g(FMutex);
    FAttached = true;
  }
  FCv.notify_all();
  for (;;) {
    {
      std::unique_lock<std::mutex> g(FMutex);
      FCv.wait(g, [this] { return FPending || FStop; });
      if (FStop) break;
      if (FBatchMs > 0) FCv.wait_for(g, std::chrono::milliseconds(FBatchMs), [this] { return FStop; });
      FPending = false;
    }
    Logger().ProcessPending();
  }
  Logger().ProcessPending();
  Logger().Detach();
}

void TLogPump::AppendLines(const std::vector<std::string>& Lines) {
  if (FOnLines) FOnLines(Lines);
  if (!FKeep) return;
  {
    std::lock_guard<std::mutex> g(FMutex);
    FLines.insert(FLines.end(), Lines.begin(), Lines.end());
  }
  FCv.notify_all();
}

int TLogPump::LineCount() const {
  std::lock_guard<std::mutex> g(FMutex);
  return static_cast<int>(FLines.size());
}

std::vector<std::string> TLogPump::Lines() const {
  std::lock_guard<std::mutex> g(FMutex);
  return FLines;
}

int TLogPump::CountOf(const std::string& Text) const {
  std::lock_guard<std::mutex> g(FMutex);
  int n = 0;
  for (const auto& l : FLines)
    if (l.find(Text) != std::string::npos) ++n;
  return n;
}

bool TLogPump::WaitForCount(const std::string& Text, int Count) {
  std::unique_lock<std::mutex> g(FMutex);
  return FCv.wait_for(g, kWait, [&] {
    int n = 0;
    for (const auto& l : FLines)
      if (l.find(Text) != std::string::npos) ++n;
    return n >= Count;
  });
}

bool TLogPump::WaitForText(const std::string& Text) { return WaitForCount(Text, 1); }

// ---- Server --------------------------------------------------------------------------------------

TTestServer::TTestServer(const std::string& DeviceXml, const TSettings& Settings,
                         std::function<void(const std::vector<std::string>&)> OnLines, bool KeepLines, int BatchMs) {
  char dir[] = "/tmp/zv_server_XXXXXX";
  FDir = mkdtemp(dir) ? dir : "/tmp";
  FIni = std::make_unique<TIniFile>(FDir + "/settings.ini");
  TSettings s = {{"RBTCPSelected", "1"}, {"EDITServerPortNr", "0"}, {"EDITReceiveTimeout", "5000"}};
  for (const auto& [k, v] : Settings) s[k] = v;
  for (const auto& [k, v] : s) FIni->WriteString("FormPreferences", k, v);
  TFormPreferences::SetIniFile(FIni.get());
  FLog = std::make_unique<TLogPump>(std::move(OnLines), KeepLines, BatchMs);
  ReplaceDevice(DeviceXml);
  TApplicationProcessOptions options;
  options.DeviceHolder = &FHolder;
  options.BindAddress = "127.0.0.1";
  // A port of the settings is the one served; without one the system chooses a free port.
  options.AnyPort = Settings.count("EDITServerPortNr") == 0;
  options.OnListening = [this](int Port) {
    {
      std::lock_guard<std::mutex> g(FMutex);
      FPort = Port;
    }
    FCv.notify_all();
  };
  FProcess = std::make_unique<TApplicationProcess>(options);
  FProcess->SetOnStateChanged([this] {
    { std::lock_guard<std::mutex> g(FMutex); }
    FCv.notify_all();
  });
}

TTestServer::~TTestServer() {
  Stop();
  FProcess.reset();
  FLog.reset();
  TFormPreferences::SetIniFile(nullptr);
  std::remove((FDir + "/settings.ini").c_str());
  ::rmdir(FDir.c_str());
}

bool TTestServer::Start() {
  {
    std::lock_guard<std::mutex> g(FMutex);
    FPort = -1;
  }
  FProcess->Run(TApplicationProcessJob{});
  std::unique_lock<std::mutex> g(FMutex);
  return FCv.wait_for(g, kWait, [this] { return FPort > 0; });
}

bool TTestServer::WaitForState(TApplicationProcessState State) {
  std::unique_lock<std::mutex> g(FMutex);
  return FCv.wait_for(g, kWait, [&] { return FProcess->State() == State; });
}

bool TTestServer::Stop() {
  if (!FProcess || FProcess->State() == isIdle) return true;
  AbortRequested = true;
  return WaitForState(isIdle);
}

void TTestServer::SetSetting(const std::string& Key, const std::string& Value) {
  FIni->WriteString("FormPreferences", Key, Value);
}

void TTestServer::ReplaceDevice(const std::string& DeviceXml) {
  FHolder.SetLogicalDevice(MakeLogicalDevice(DeviceXml));
  TDeviceLock lock(FHolder);
  TLogicalDeviceHelper::CheckDuplicateInstanceIds(*FHolder.LogicalDevice());
}

}  // namespace zv::test

#include "foundation/globals.h"

#include <arpa/inet.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/errors.h"
#include "foundation/ini_file.h"
#include "platform/folders.h"

namespace zv {

namespace {

constexpr const char* kProgramName = "Zorvan";

struct TGlobalsState {
  bool Initialized = false;
  std::string ExeFolder, SettingsFolder, IniFileName, HelpFileName, LastLogFileName;
  int InstanceNr = 0;
  std::unique_ptr<TIniFile> IniFile;
  TInstanceSlot Slot;
  int64_t PerformanceFrequency = 0;
};

// Built on first use, so nothing depends on the order of static initialisation.
TGlobalsState& State() {
  static TGlobalsState state;
  return state;
}

const TGlobalsState& Initialized() {
  const TGlobalsState& s = State();
  ZV_ASSERT(s.Initialized);
  return s;
}

// The clock behind every time-out must be monotonic and finer than a millisecond.
int64_t CheckClock() {
  using Clock = std::chrono::steady_clock;
  constexpr int64_t frequency = Clock::period::den / Clock::period::num;
  if (!Clock::is_steady || frequency < 1000) {
    std::fprintf(stderr, "Error: %s\n",
                 Format("%s requires a machine with a performance counter. Your machine could be outdated.",
                        kProgramName).c_str());
    std::_Exit(1);
  }
  return frequency;
}

// A port: decimal digits only, 0 to 65535.
bool ParsePort(std::string_view s, int& port) {
  if (s.empty()) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 65535) return false;
  }
  port = v;
  return true;
}

// The page beside the executable (a build), else where an install puts it: <prefix>/bin/
// holds the program and <prefix>/share/zorvan/ its page.
std::string FindHelpFile(const std::string& ExeFolder) {
  const std::string page = std::string(kProgramName) + ".html";
  for (const std::string& file : {ExeFolder + page, ExeFolder + "../share/zorvan/" + page})
    if (FileExists(file)) return std::filesystem::path(file).lexically_normal().string();
  return std::string();
}

bool CanonicalAddress(int family, const std::string& text, std::string& canonical) {
  unsigned char addr[16];
  char out[INET6_ADDRSTRLEN];
  if (inet_pton(family, text.c_str(), addr) != 1) return false;
  if (!inet_ntop(family, addr, out, sizeof out)) return false;
  canonical = out;
  return true;
}

// Waiters of the abort flag. The mutex is held while callbacks run, so that a subscription
// that ends never sees its callback afterwards.
struct TAbortWaiters {
  std::mutex Mutex;
  std::condition_variable Cv;
  std::map<uint64_t, std::function<void()>> Callbacks;
  uint64_t NextId = 1;
};

TAbortWaiters& AbortWaiters() {
  static TAbortWaiters waiters;
  return waiters;
}

}  // namespace

TAbortFlag AbortRequested;

void TAbortFlag::store(bool Value) {
  TAbortWaiters& w = AbortWaiters();
  std::lock_guard<std::mutex> g(w.Mutex);
  FValue.store(Value);
  if (!Value) return;
  w.Cv.notify_all();
  for (auto& [id, callback] : w.Callbacks) callback();
}

bool WaitForAbort(int64_t Ms) {
  TAbortWaiters& w = AbortWaiters();
  std::unique_lock<std::mutex> g(w.Mutex);
  if (Ms > 0) w.Cv.wait_for(g, std::chrono::milliseconds(Ms), [] { return AbortRequested.load(); });
  return AbortRequested.load();
}

TAbortSubscription::TAbortSubscription(std::function<void()> OnAbort) {
  TAbortWaiters& w = AbortWaiters();
  std::lock_guard<std::mutex> g(w.Mutex);
  FId = w.NextId++;
  w.Callbacks.emplace(FId, std::move(OnAbort));
}

TAbortSubscription::~TAbortSubscription() {
  TAbortWaiters& w = AbortWaiters();
  std::lock_guard<std::mutex> g(w.Mutex);
  w.Callbacks.erase(FId);
}

void CheckUserAbort() {
  if (AbortRequested.load(std::memory_order_relaxed)) throw EAbort("USER ABORT");
}

TInstanceSlot AcquireInstanceSlot(const std::string& Folder) {
  TInstanceSlot slot;
  for (int n = 1; n <= 10; ++n) {
    if (slot.Lock.TryAcquire(IncludeTrailingPathDelimiter(Folder) + std::to_string(n))) {
      slot.Nr = n;
      return slot;
    }
  }
  slot.Nr = 1;
  return slot;
}

void DoneGlobals() {
  TGlobalsState& s = State();
  s.IniFile.reset();
  s.Slot = TInstanceSlot();
  s = TGlobalsState();
}

void InitGlobals(const TGlobalsOptions& Options) {
  DoneGlobals();
  TGlobalsState& s = State();
  s.ExeFolder = Options.ExeFolder.empty() ? ExecutableFolder() : IncludeTrailingPathDelimiter(Options.ExeFolder);
  std::string userFolder;
  if (Options.ConfigRoot) {
    if (!Options.ConfigRoot->empty() && ForceDirectories(*Options.ConfigRoot))
      userFolder = IncludeTrailingPathDelimiter(*Options.ConfigRoot);
  } else {
    userFolder = UserConfigFolder();
  }
  if (userFolder.empty()) {
    s.SettingsFolder = s.ExeFolder;
  } else {
    s.SettingsFolder = userFolder + kProgramName + "/";
    ForceDirectories(s.SettingsFolder);
    s.Slot = AcquireInstanceSlot(s.SettingsFolder);
    s.InstanceNr = s.Slot.Nr;
    if (s.InstanceNr > 1) {
      s.SettingsFolder = Format("%s[%d]/", s.SettingsFolder.c_str(), s.InstanceNr);
      ForceDirectories(s.SettingsFolder);
    }
  }
  s.IniFileName = s.SettingsFolder + kProgramName + ".ini";
  s.IniFile = std::make_unique<TIniFile>(s.IniFileName);
  s.HelpFileName = FindHelpFile(s.ExeFolder);
  s.LastLogFileName = s.SettingsFolder + "LastLog.txt";
  s.PerformanceFrequency = CheckClock();
  s.Initialized = true;
}

const std::string& ExeFolder() { return Initialized().ExeFolder; }
const std::string& SettingsFolder() { return Initialized().SettingsFolder; }
int InstanceNr() { return Initialized().InstanceNr; }
const std::string& IniFileName() { return Initialized().IniFileName; }
TIniFile& IniFile() { return *Initialized().IniFile; }
const std::string& HelpFileName() { return Initialized().HelpFileName; }
const std::string& LastLogFileName() { return Initialized().LastLogFileName; }
int64_t PerformanceFrequency() { return Initialized().PerformanceFrequency; }

void SplitHostAndPort(std::string_view Address, bool& IsIPv4, int& Port, std::string& Host, bool& Error) {
  Error = true;
  IsIPv4 = false;
  Port = -1;
  Host.clear();
  if (Address.empty()) return;
  std::string host;
  if (Address.front() == '[') {
    size_t close = Address.find(']');
    if (close == std::string_view::npos) return;
    std::string_view after = Address.substr(close + 1);
    // Only ":port" may follow the bracket.
    if (!after.empty()) {
      if (after.front() != ':') return;
      std::string_view port = after.substr(1);
      if (!port.empty() && !ParsePort(port, Port)) return;
    }
    host = std::string(Address.substr(1, close - 1));
  } else {
    host = std::string(Address);
  }
  if (CanonicalAddress(AF_INET6, host, Host)) {
    Error = false;
    return;
  }
  size_t colon = Address.find(':');
  if (colon != std::string_view::npos) {
    if (!ParsePort(Address.substr(colon + 1), Port)) {
      Port = -1;
      return;
    }
    host = std::string(Address.substr(0, colon));
  } else {
    host = std::string(Address);
  }
  if (CanonicalAddress(AF_INET, host, Host)) {
    IsIPv4 = true;
    Error = false;
  }
}

}  // namespace zv

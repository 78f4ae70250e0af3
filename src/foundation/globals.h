// Process-wide state set up once at start-up: where the program and its settings live,
// which instance slot this copy holds, the settings file, and the abort flag.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_lock.h"

namespace zv {

class TIniFile;

struct TGlobalsOptions {
  // Replaces the per-user configuration folder ($XDG_CONFIG_HOME, ~/.config); tests point it
  // at a temporary folder. An empty text means that no per-user folder exists.
  std::optional<std::string> ConfigRoot;
  // Replaces the folder of the running executable when not empty.
  std::string ExeFolder;
};

// Sets up everything below; run once before any window exists. Running it again (tests)
// first undoes the previous set-up.
void InitGlobals(const TGlobalsOptions& Options = {});
// Frees the settings file and gives the instance slot back.
void DoneGlobals();

// Folders end in '/'.
const std::string& ExeFolder();
const std::string& SettingsFolder();
// 1 to 10; 0 when no per-user folder exists.
int InstanceNr();
const std::string& IniFileName();
TIniFile& IniFile();
// The help page Zorvan.html beside the executable, else in ../share/zorvan/ from it (an
// installed program); empty when neither exists.
const std::string& HelpFileName();
const std::string& LastLogFileName();
// Counts per second of the clock behind every time-out.
int64_t PerformanceFrequency();

// A Boolean flag that wakes every waiter registered with it when it is set.
class TAbortFlag {
 public:
  bool load(std::memory_order Order = std::memory_order_seq_cst) const noexcept { return FValue.load(Order); }
  void store(bool Value);
  operator bool() const noexcept { return load(); }
  TAbortFlag& operator=(bool Value) {
    store(Value);
    return *this;
  }

 private:
  std::atomic<bool> FValue{false};
};

// Set by the GUI's Abort command, cleared when a session starts; setting it wakes every wait.
extern TAbortFlag AbortRequested;

// Waits until AbortRequested is set or Ms real milliseconds have passed; answers the flag.
bool WaitForAbort(int64_t Ms);

// While it lives, OnAbort runs each time AbortRequested is set, on the setting thread. It
// must be short (wake a waiter), must not set the flag, and must not be run while the
// subscriber holds a lock that the subscriber also holds when it subscribes or unsubscribes.
// After destruction the callback is not running and never runs again.
class TAbortSubscription {
 public:
  explicit TAbortSubscription(std::function<void()> OnAbort);
  ~TAbortSubscription();
  TAbortSubscription(const TAbortSubscription&) = delete;
  TAbortSubscription& operator=(const TAbortSubscription&) = delete;

 private:
  uint64_t FId;
};
// Raises the silent EAbort "USER ABORT" when AbortRequested is set.
void CheckUserAbort();

// A slot 1 to 10 taken by locking the file named after its number in Folder. When all ten
// are held, Nr is 1 without a lock: that copy shares the first copy's settings.
struct TInstanceSlot {
  int Nr = 0;
  TFileLock Lock;
};
TInstanceSlot AcquireInstanceSlot(const std::string& Folder);

// "[v6]:port", "v6", "v4:port" or "v4". Host becomes the canonical address text; Port is -1
// when none is given. Error is true for anything else, and for a port above 65535.
void SplitHostAndPort(std::string_view Address, bool& IsIPv4, int& Port, std::string& Host, bool& Error);

}  // namespace zv

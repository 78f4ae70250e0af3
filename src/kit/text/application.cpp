#include "kit/text/application.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <typeinfo>

#include "foundation/date_time.h"
#include "foundation/globals.h"
#include "kit/text/strings.h"
#include "kit/text/sys_info.h"

namespace zv {

namespace {

const char* const IntervalError = "Interval not compatible with MinInterval property!";

std::string U8(const TKitString& S) { return KitToPlatformText(S); }
TKitString U16(const std::string& S) { return KitFromPlatformText(S); }

// The class name of an object, without our namespace.
std::string ClassNameOf(const TObject& Object) {
  const char* mangled = typeid(Object).name();
  int status = 0;
  char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : mangled;
  std::free(plain);
  if (name.rfind("zv::", 0) == 0) name.erase(0, 4);
  return name;
}

std::string MessageOf(const std::exception& E) {
  if (const auto* e = dynamic_cast<const Exception*>(&E)) return e->Message();
  return E.what();
}

}  // namespace

// ---------------------------------------------------------------------------------------

TKitColorBitmap::TKitColorBitmap(int Width, int Height, TColor Fill)
    : FWidth(std::max(Width, 0)), FHeight(std::max(Height, 0)),
      FPixels(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), Fill) {}

TColor TKitColorBitmap::Pixel(int X, int Y) const {
  if (!KitInRange(X, 0, FWidth - 1) || !KitInRange(Y, 0, FHeight - 1)) return 0;
  return FPixels[static_cast<size_t>(Y) * static_cast<size_t>(FWidth) + static_cast<size_t>(X)];
}

void TKitColorBitmap::SetPixel(int X, int Y, TColor Value) {
  if (!KitInRange(X, 0, FWidth - 1) || !KitInRange(Y, 0, FHeight - 1)) return;
  FPixels[static_cast<size_t>(Y) * static_cast<size_t>(FWidth) + static_cast<size_t>(X)] = Value;
}

// ---------------------------------------------------------------------------------------

TKitTimerItem::TKitTimerItem(TKitTimerPool* Pool, uint16_t Ident, std::vector<TKitTimerItem*>* List)
    : FIdent(Ident), FList(List), FOwner(Pool) {
  if (!Pool || !List) throw EInvalidOperation("TKitTimerItem: Invalid Owner or List");
  FList->push_back(this);
}

TKitTimerItem::~TKitTimerItem() {
  FEnabled = false;
  OnTimer = nullptr;
  std::erase(*FList, this);
}

void TKitTimerItem::Timer() {
  if (!FEnabled) return;
  FCounter = FCounter == std::numeric_limits<int>::max() ? 0 : FCounter + 1;
  if (FCounter == FCallCount) FEnabled = false;  // this call is the last
  if (OnTimer) OnTimer(FOwner);
  else if (FOwner->OnTimerEvent) FOwner->OnTimerEvent(FOwner, FIdent, FCounter);
}

void TKitTimerItem::SetCallCount(int Value) {
  FCallCount = Value < -1 ? -1 : Value;
  if (FCallCount == 0) FEnabled = false;
}

void TKitTimerItem::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  // An item that has made all its calls stays off until its call count changes.
  if (Value && (FCallCount == 0 || (FCallCount > 0 && FCounter >= FCallCount))) return;
  FEnabled = Value;
  FCounter = 0;
}

void TKitTimerItem::SetInterval(TKitTimerInterval Value) {
  const TKitTimerInterval min = FOwner->MinInterval();
  if (Value == 0) Value = min;
  if (Value % min != 0) return;
  FInterval = Value;
  FInternal = Value / min;
  FCounter = 0;
}

// ---------------------------------------------------------------------------------------

TKitTimerPool::TKitTimerPool(TObject* Owner) : TKitCustomComponent(Owner) {}

std::unique_ptr<TKitTimerPool> TKitTimerPool::CreateRunTime(TObject* Owner, TKitTimerInterval MinInterval) {
  auto pool = std::make_unique<TKitTimerPool>(Owner);
  pool->FInterval = MinInterval == 0 ? 1 : MinInterval;
  return pool;
}

TKitTimerPool::~TKitTimerPool() { ClearTimers(); }

void TKitTimerPool::Activate(bool On) {
  if (FTickSource) FTickSource->Stop();
  FActive = false;
  if (!On || ActiveTimers() == 0) return;
  if (FTickSource && !FTickSource->Start(FInterval, [this] { TimerMessage(); }))
    throw EOutOfResources("Not enough timers available");
  FPCounter = 1;
  FActive = true;
}

int TKitTimerPool::AddTimer(uint16_t Ident, TKitTimerInterval Interval, TNotifyEvent Handler) {
  return AddTimerExt(Ident, Interval, std::move(Handler), true, -1);
}

int TKitTimerPool::AddTimerExt(uint16_t Ident, TKitTimerInterval Interval, TNotifyEvent Handler, bool Enabled,
                               int CallCount) {
  if (IndexOf(Ident) >= 0) throw Exception(Format("Timer %u is already in the pool", Ident));
  if (Interval < FInterval || Interval % FInterval != 0) throw Exception(IntervalError);
  auto* item = new TKitTimerItem(this, Ident, &FList);
  item->SetInterval(Interval);
  item->OnTimer = std::move(Handler);
  item->SetCallCount(CallCount);
  item->SetEnabled(Enabled);
  Activate(true);
  return IndexOf(Ident);
}

void TKitTimerPool::RemoveTimer(uint16_t Ident) {
  TKitTimerItem* item = GetTimer(Ident);
  if (!item) return;
  FUpdate = 1;
  item->SetEnabled(false);
  item->OnTimer = nullptr;
  delete item;
  FUpdate = 0;
  if (FList.empty()) Activate(false);
}

void TKitTimerPool::ClearTimers() {
  Activate(false);
  while (!FList.empty()) delete FList.back();
}

TKitTimerItem* TKitTimerPool::GetTimer(uint16_t Ident) const {
  const int i = IndexOf(Ident);
  return i < 0 ? nullptr : FList[static_cast<size_t>(i)];
}

int TKitTimerPool::IndexOf(uint16_t Ident) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i]->Ident() == Ident) return static_cast<int>(i);
  return -1;
}

int TKitTimerPool::ActiveTimers() const {
  int n = 0;
  for (const TKitTimerItem* item : FList) n += item->Enabled() ? 1 : 0;
  return n;
}

void TKitTimerPool::TimerMessage() {
  if (FFLag) return;
  // Cleared on every way out: one failing tick must not stop the ticks after it.
  struct TBusy {
    bool& Flag;
    explicit TBusy(bool& F) : Flag(F) { Flag = true; }
    ~TBusy() { Flag = false; }
  } busy(FFLag);
  Tick();
}

void TKitTimerPool::Tick() {
  if (FUpdate != 0) return;
  // One failing timer neither keeps the timers after it from firing nor stops the count:
  // each failure goes to OnTickException, or, without one, the first is raised once the
  // tick is complete.
  std::exception_ptr failure;
  // A handler may add or remove timers: walk a copy and skip the ones gone meanwhile.
  const std::vector<TKitTimerItem*> items = FList;
  for (TKitTimerItem* item : items) {
    if (std::find(FList.begin(), FList.end(), item) == FList.end()) continue;
    if (!item->Enabled() || FPCounter % item->Internal() != 0) continue;
    try {
      item->Timer();
    } catch (const std::exception& e) {
      if (OnTickException) OnTickException(e);
      else if (!failure) failure = std::current_exception();
    }
  }
  FPCounter = FPCounter == std::numeric_limits<int>::max() ? 0 : FPCounter + 1;
  if (failure) std::rethrow_exception(failure);
}

// ---------------------------------------------------------------------------------------

TKitApplication::TKitApplication(TObject* /*Owner*/)
    : FTitle(KitChangeFileExt(KitExtractFileName(KitExeName()), u"")),
      FIniCtrl(std::make_unique<TKitIniCtrl>(this)),
      FTimerPool(TKitTimerPool::CreateRunTime(this, 50)) {
  FTimerPool->OnTickException = [this](const std::exception& e) { HandleException(FTimerPool.get(), e); };
  SetStopwatchSource(
      [] { return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count(); },
      1000000000);
  SetLogName({});
}

TKitApplication::~TKitApplication() = default;

const TKitColorBitmap& TKitApplication::GetBrushBitmap(TColor Color) {
  if (!FPatternBitmap) FPatternBitmap = std::make_unique<TKitColorBitmap>(8, 8, clWhite);
  if (Color != FLastColor) {
    FLastColor = Color;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) FPatternBitmap->SetPixel(x, y, (x + y) % 2 != 0 ? Color : clWhite);
  }
  return *FPatternBitmap;
}

const TKitColorBitmap& TKitApplication::PatternBitmap() {
  if (!FMonoPattern) FMonoPattern = std::make_unique<TKitColorBitmap>(GetBrushBitmap(clBlack));
  return *FMonoPattern;
}

void TKitApplication::SetCheckBitmap(const TKitColorBitmap& Value) {
  if (!FCheckBitmap) FCheckBitmap = std::make_unique<TKitColorBitmap>();
  *FCheckBitmap = Value;
}

void TKitApplication::SetEditMode(TKitEditModes Value) {
  if (Value == FEditMode) return;
  FEditMode = Value;
  if (OnEditModeChange) OnEditModeChange(this);
}

bool TKitApplication::XPThemesSupported() const {
  return Host.ThemesAvailable && Host.ThemesAvailable() && Host.ThemeActive && Host.ThemeActive();
}

bool TKitApplication::UseXPThemes() const { return FUseXPThemes && XPThemesSupported(); }

void TKitApplication::SetUseXPThemes(bool Value) {
  if (Value == FUseXPThemes || (Value && !XPThemesSupported())) return;
  FUseXPThemes = Value;
  if (!(Host.ThemesAvailable && Host.ThemesAvailable())) return;
  if (Host.SendThemeChanged) Host.SendThemeChanged();
  if (Host.SetThemeAppProperties) {
    if (Value) Host.SetThemeAppProperties(3);
    else if (!FKitOnly) Host.SetThemeAppProperties(0);
  }
  DoThemeChange();
}

void TKitApplication::SetUseXPThemesKitOnly(bool Value) {
  if (Value == FKitOnly) return;
  FKitOnly = Value;
  if (Value && FGlobalThemeMode != ttmPlatform) {
    if (Host.SetThemeAppProperties) Host.SetThemeAppProperties(3);
    DoThemeChange();
  }
}

void TKitApplication::SetThemeGlobalMode(TKitThemeMode Value) {
  if (Value == FGlobalThemeMode) return;
  FGlobalThemeMode = Value;
  DoThemeChange();
}

bool TKitApplication::GetThemeModeSupported(TKitThemeMode Mode) const {
  switch (Mode) {
    case ttmNone: return true;
    case ttmPlatform: return Host.ThemesAvailable && Host.ThemesAvailable();
    case ttmNative: return false;
  }
  return false;
}

void TKitApplication::DoThemeChange() {
  if (Host.BroadcastThemeChange) Host.BroadcastThemeChange(FKitOnly);
}

// ---------------------------------------------------------------------------------------

void TKitApplication::SetLogName(const TKitString& Value) {
  TKitString name = KitIsBlank(Value) ? KitChangeFileExt(KitExeName(), u".LOG") : Value;
  if (!KitHasFileExt(name)) name += u".LOG";
  FLogName = FLogPrefix == ppFixed ? name : KitGetSpecialPath(FLogPrefix, true) + KitExtractFileName(name);
}

void TKitApplication::SetLogPrefix(TKitPathPrefix Value) {
  FLogPrefix = Value;
  SetLogName(FLogName);
}

void TKitApplication::WriteHeader(std::FILE* F) {
  const TDateTime now = NowDateTime();
  TKitStringList lines = {u"", u"LogFile started: " + KitDateToStr(now) + u" " + KitTimeToStr(now),
                          u"Application    : " + FTitle, u"Path/ExeName   : " + KitExeName()};
  if (!KitIsBlank(FVersion)) lines.push_back(u"Version        : " + FVersion);
  if (OnHeaderWrite) {
    TKitStringList extra;
    OnHeaderWrite(this, extra);
    lines.insert(lines.end(), extra.begin(), extra.end());
  }
  lines.push_back(KitStringOfChar(80, u'*'));
  lines.push_back(u"");
  lines.push_back(u"Entries:");
  for (const TKitString& l : lines) std::fputs((U8(l) + '\n').c_str(), F);
}

void TKitApplication::LogWrite(const TKitString& Text) {
  bool clear = false;
  if (FLogMaxSize > 100 && KitFileSize(FLogName) > FLogMaxSize) {
    bool handled = false;
    if (OnMaxLogSize) OnMaxLogSize(this, FLogName, handled);
    if (handled) return;
    if (FlogAction == laClearLog) {
      clear = true;
    } else if (FlogAction == laBackupLog) {
      // The first name that nothing (file or folder) has; the log is emptied only once its
      // content is safe under that name. The rename itself refuses a name taken meanwhile,
      // so that no earlier backup is ever replaced.
      for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        const std::string backup = U8(KitChangeFileExt(FLogName, u".l" + U16(std::to_string(n))));
        struct stat taken;
        if (stat(backup.c_str(), &taken) == 0) continue;
        clear = renameat2(AT_FDCWD, U8(FLogName).c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0;
        if (!clear && errno == EEXIST) continue;
        // A file system without that kind of rename: the name was free a moment ago.
        if (!clear && errno == EINVAL) clear = std::rename(U8(FLogName).c_str(), backup.c_str()) == 0;
        break;
      }
    }
  }
  const std::string name = U8(FLogName);
  struct stat st;
  const bool create = stat(name.c_str(), &st) != 0 || (FOptions.Contains(aoLogAlwaysClear) && FUpdate == 0) || clear;
  std::FILE* f = std::fopen(name.c_str(), create ? "w" : "a");
  if (!f) return;
  if (clear || (FUpdate == 0 && FOptions.Contains(aoLogHeader))) WriteHeader(f);
  if (Text == u"#CR") {
    std::fputs("\n", f);
  } else if (Text == u"#Header") {
    WriteHeader(f);
  } else if (Text == u"#Line") {
    std::fputs((std::string(80, '*') + '\n').c_str(), f);
  } else {
    FCounter = FCounter == std::numeric_limits<int>::max() ? 0 : FCounter + 1;
    const TDateTime now = NowDateTime();
    TKitString line;
    for (char16_t c : FMask) {
      if (c == u'#' && FOptions.Contains(aoLogNr)) line += U16(Format("%.5d", FCounter)) + u": ";
      else if (c == u'd' && FOptions.Contains(aoLogDate)) line += u" [" + KitDateToStr(now) + u"]";
      else if (c == u't' && FOptions.Contains(aoLogTime)) line += u" [" + KitTimeToStr(now) + u"]";
      else if (c == u'l') line += Text;
    }
    std::fputs((U8(line) + '\n').c_str(), f);
  }
  std::fclose(f);
  FUpdate = 1;
}

TKitString TKitApplication::ExceptionText(TObject* Sender, const std::exception& E) const {
  std::string text = Format("%s, Address: %p", MessageOf(E).c_str(), static_cast<const void*>(&E));
  const auto* component = dynamic_cast<const TComponent*>(Sender);
  if (component && !component->Name().empty())
    text = ClassNameOf(*Sender) + " (Name: " + U8(component->Name()) + "): " + text;
  else if (Sender)
    text = ClassNameOf(*Sender) + ": " + text;
  return U16(text);
}

void TKitApplication::LogException(TObject* Sender) {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    LogWrite(ExceptionText(Sender, e));
  } catch (...) {
  }
}

void TKitApplication::HandleException(TObject* Sender, const std::exception& E) {
  bool handled = false;
  if (OnException) OnException(Sender, E, handled);
  if (handled) return;
  if (FOptions.Contains(aoLogException)) LogWrite(ExceptionText(Sender, E));
  if (Host.ShowException) Host.ShowException(U16(MessageOf(E)));
}

// ---------------------------------------------------------------------------------------

void TKitApplication::SetStopwatchSource(std::function<int64_t()> Now, int64_t Frequency) {
  FNow = std::move(Now);
  FTimerFrequency = Frequency;
  FStarted = false;
}

void TKitApplication::STWStart() {
  FStartTime = FNow();
  FStarted = true;
}

long double TKitApplication::STWStopExt() const {
  if (!FStarted || FTimerFrequency <= 0) return 0;
  return static_cast<long double>(FNow() - FStartTime) / FTimerFrequency;
}

int64_t TKitApplication::STWStop() const { return static_cast<int64_t>(STWStopExt() * 1000); }

bool TKitApplication::IsPrevRunning() {
  // The instance slots answer it: a later slot means an earlier copy holds the first.
  if (FIsPrevRunning < 0) {
    try {
      FIsPrevRunning = InstanceNr() > 1 ? 1 : 0;
    } catch (const Exception&) {
      FIsPrevRunning = 0;  // no settings folder set up: no slots to tell
    }
  }
  return FIsPrevRunning == 1;
}

uint16_t TKitApplication::AddTimer(TKitTimerInterval Interval, TNotifyEvent Handler) {
  return AddTimerExt(Interval, -1, std::move(Handler), true);
}

uint16_t TKitApplication::AddTimerExt(TKitTimerInterval Interval, int CallCount, TNotifyEvent Handler,
                                      bool Enabled) {
  size_t slot = 0;
  while (slot < FTimerSlots.size() && FTimerSlots[slot]) ++slot;
  if (slot == FTimerSlots.size()) return 0;
  const uint16_t ident = static_cast<uint16_t>(0xFD01 + slot);
  try {
    FTimerPool->AddTimerExt(ident, Interval, std::move(Handler), Enabled, CallCount);
  } catch (const Exception&) {
    FTimerPool->RemoveTimer(ident);
    return 0;
  }
  FTimerSlots[slot] = true;
  return ident;
}

void TKitApplication::RemoveTimer(uint16_t Ident) {
  if (Ident <= 0xFD00 || Ident > 0xFD00 + FTimerSlots.size()) return;
  FTimerPool->RemoveTimer(Ident);
  FTimerSlots[Ident - 0xFD01u] = false;
}

TKitString TKitApplication::GetDefaultRegPath() const {
  TKitString path = u"Software\\";
  if (!KitIsBlank(FCompany)) path += KitIncludeTrailingBackslash(FCompany);
  path += KitIncludeTrailingBackslash(KitIsBlank(FTitle) ? KitExeName() : FTitle);
  if (!KitIsBlank(FVersion)) path += KitIncludeTrailingBackslash(FVersion);
  return path;
}

bool TKitApplication::QuitWindows(int /*Mode*/) { return false; }

TKitApplication& KitApplication() {
  static TKitApplication application;
  return application;
}

}  // namespace zv

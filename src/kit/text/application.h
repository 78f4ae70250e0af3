// The component library's process-wide application object: the theme switches the
// graphics controls read, the previous-instance probe, a stopwatch, a text log with header,
// numbering, size limit and backup, a settings store, and a pool of timers driven by one
// tick source. Everything runs on the GUI thread; the window system reaches the object
// through TKitApplicationHost and IKitTickSource, which the GUI provides.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "kit/text/component.h"
#include "kit/text/helpers.h"
#include "kit/text/ini_ctrl.h"
#include "kit/text/kit_types.h"

namespace zv {

ZV_ERROR_CLASS(EInvalidOperation, Exception)
ZV_ERROR_CLASS(EOutOfResources, Exception)

// A set of up to 32 values of an enumeration.
template <class E>
class TKitSet {
 public:
  constexpr TKitSet() = default;
  constexpr TKitSet(std::initializer_list<E> Values) {
    for (E v : Values) Include(v);
  }
  constexpr TKitSet& Include(E V) {
    FMask |= Bit(V);
    return *this;
  }
  constexpr TKitSet& Exclude(E V) {
    FMask &= ~Bit(V);
    return *this;
  }
  constexpr bool Contains(E V) const { return (FMask & Bit(V)) != 0; }
  friend constexpr bool operator==(TKitSet, TKitSet) = default;

 private:
  static constexpr uint32_t Bit(E V) { return uint32_t{1} << static_cast<int>(V); }
  uint32_t FMask = 0;
};

enum TKitApplicationOption {
  aoAutoRealizePalette, aoMouseCtrlActive, aoLogAlwaysClear, aoLogException, aoLogHeader, aoLogNr, aoLogTime,
  aoLogDate
};
using TKitApplicationOptions = TKitSet<TKitApplicationOption>;
enum TKitLogAction { laNone, laClearLog, laBackupLog };
enum TKitThemeMode { ttmNone, ttmPlatform, ttmNative };
enum TKitEditMode { emInsert, emShift, emCtrl, emAlt, emCaps, emNum, emScroll };
using TKitEditModes = TKitSet<TKitEditMode>;

// The library's theme-change message, and the system's.
constexpr uint32_t CM_KITTHEMECHANGE = 0xB0D6;
constexpr uint32_t WM_THEMECHANGED = 0x031A;

using TKitTimerInterval = uint16_t;
using TKitTimerPoolEvent = std::function<void(TObject* Sender, uint16_t Ident, int Counter)>;
using TKitMaxLogSizeEvent = std::function<void(TObject* Sender, const TKitString& LogName, bool& Handled)>;
using TKitOnHeaderWrite = std::function<void(TObject* Sender, TKitStringList& Lines)>;
using TKitExceptionEvent = std::function<void(TObject* Sender, const std::exception& E, bool& Handled)>;

// The timer behind a pool: the GUI implements it with a timer on its thread, tests call
// the tick by hand.
class IKitTickSource {
 public:
  virtual ~IKitTickSource() = default;
  // Calls OnTick every IntervalMs until Stop; false when no timer can be had.
  virtual bool Start(int IntervalMs, std::function<void()> OnTick) = 0;
  virtual void Stop() = 0;
};

// A small picture of colours: the pattern and check-box bitmaps of the application object
// (the graphics library's bitmap lies above this library). Rows top-down.
class TKitColorBitmap {
 public:
  TKitColorBitmap() = default;
  TKitColorBitmap(int Width, int Height, TColor Fill);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // Outside the picture reads 0 and writes nothing.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Value);
  friend bool operator==(const TKitColorBitmap&, const TKitColorBitmap&) = default;

 private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<TColor> FPixels;
};

class TKitTimerPool;

class TKitTimerItem : public TObject {
 public:
  // Raises EInvalidOperation "TKitTimerItem: Invalid Owner or List" without both.
  TKitTimerItem(TKitTimerPool* Pool, uint16_t Ident, std::vector<TKitTimerItem*>* List);
  // Leaves the list.
  ~TKitTimerItem() override;
  TKitTimerItem(const TKitTimerItem&) = delete;
  TKitTimerItem& operator=(const TKitTimerItem&) = delete;

  // Fires: counts the call, disables the item after its last one, calls OnTimer (or the
  // pool's OnTimerEvent when the item has no handler).
  void Timer();

  uint16_t Ident() const { return FIdent; }
  int Counter() const { return FCounter; }
  // -1 is unlimited (lower values become -1); 0 disables the item.
  int CallCount() const { return FCallCount; }
  void SetCallCount(int Value);
  bool Enabled() const { return FEnabled; }
  // Enabling is refused while the call count is 0 or used up; a change resets the counter.
  void SetEnabled(bool Value);
  TKitTimerInterval Interval() const { return FInterval; }
  // A multiple of the pool's minimum interval (0 means the minimum); others are ignored.
  void SetInterval(TKitTimerInterval Value);
  // Ticks of the pool per firing.
  int Internal() const { return FInternal; }
  TNotifyEvent OnTimer;

 private:
  int FCallCount = -1;
  int FCounter = 0;
  bool FEnabled = true;
  uint16_t FIdent;
  TKitTimerInterval FInterval = 1000;
  int FInternal = 1;
  std::vector<TKitTimerItem*>* FList;
  TKitTimerPool* FOwner;
};

class TKitTimerPool : public TKitCustomComponent {
 public:
  // A minimum interval of 1000 ms.
  explicit TKitTimerPool(TObject* Owner = nullptr);
  static std::unique_ptr<TKitTimerPool> CreateRunTime(TObject* Owner, TKitTimerInterval MinInterval);
  ~TKitTimerPool() override;
  TKitTimerPool(const TKitTimerPool&) = delete;
  TKitTimerPool& operator=(const TKitTimerPool&) = delete;

  TKitTimerInterval MinInterval() const { return FInterval; }
  // Not owned; set before the first timer is added, and set back to null (after
  // ClearTimers) before the source goes away: the pool stops it when it deactivates.
  void SetTickSource(IKitTickSource* Source) { FTickSource = Source; }

  // Answers the item's index. Raises for an identifier already in the pool and for an
  // interval that is below the minimum or not a multiple of it ("Interval not compatible
  // with MinInterval property!"), and EOutOfResources "Not enough timers available" when
  // the tick source cannot start.
  int AddTimer(uint16_t Ident, TKitTimerInterval Interval, TNotifyEvent Handler);
  int AddTimerExt(uint16_t Ident, TKitTimerInterval Interval, TNotifyEvent Handler, bool Enabled, int CallCount);
  void RemoveTimer(uint16_t Ident);
  void ClearTimers();
  TKitTimerItem* GetTimer(uint16_t Ident) const;
  int IndexOf(uint16_t Ident) const;
  int Count() const { return static_cast<int>(FList.size()); }
  int ActiveTimers() const;
  bool HasTimerProc() const { return static_cast<bool>(OnTimerEvent); }
  bool Active() const { return FActive; }
  int TickCounter() const { return FPCounter; }
  TKitTimerPoolEvent OnTimerEvent;
  // Where an exception raised by a tick goes; without a handler it propagates.
  std::function<void(const std::exception&)> OnTickException;

  // What the tick source calls: one tick, unless one is running already.
  void TimerMessage();

 private:
  friend class TKitTimerItem;
  void Activate(bool On);
  void Tick();

  bool FActive = false;
  bool FFLag = false;
  int FPCounter = 0;
  TKitTimerInterval FInterval = 1000;
  std::vector<TKitTimerItem*> FList;
  uint8_t FUpdate = 0;
  IKitTickSource* FTickSource = nullptr;
};

// What the window system does for the application object; unset parts do nothing (and
// no themes are available).
struct TKitApplicationHost {
  std::function<bool()> ThemesAvailable;  // the style services work
  std::function<bool()> ThemeActive;      // and the user has themes switched on
  std::function<void(uint32_t Flags)> SetThemeAppProperties;
  // WM_THEMECHANGED to the application.
  std::function<void()> SendThemeChanged;
  // CM_KITTHEMECHANGE to every form and the controls of the visible ones, and, unless
  // KitOnly, WM_THEMECHANGED to their windows.
  std::function<void(bool KitOnly)> BroadcastThemeChange;
  std::function<void(const TKitString& Message)> ShowException;
};

class TKitApplication : public TComponent {
 public:
  explicit TKitApplication(TObject* Owner = nullptr);
  ~TKitApplication() override;
  TKitApplication(const TKitApplication&) = delete;
  TKitApplication& operator=(const TKitApplication&) = delete;

  TKitApplicationHost Host;

  bool ForceANSI() const { return FForceAnsi; }
  void SetForceANSI(bool Value) { FForceAnsi = Value; }
  const TKitString& LogMask() const { return FMask; }
  void SetLogMask(const TKitString& Value) { FMask = Value; }
  const TKitString& Company() const { return FCompany; }
  void SetCompany(const TKitString& Value) { FCompany = Value; }
  const TKitString& Version() const { return FVersion; }
  void SetVersion(const TKitString& Value) { FVersion = Value; }
  // The application's title; the executable's name without extension at first.
  const TKitString& Title() const { return FTitle; }
  void SetTitle(const TKitString& Value) { FTitle = Value; }
  TKitApplicationOptions Options() const { return FOptions; }
  void SetOptions(TKitApplicationOptions Value) { FOptions = Value; }
  TKitIniCtrl& Ini() { return *FIniCtrl; }
  TKitEditModes EditMode() const { return FEditMode; }
  void SetEditMode(TKitEditModes Value);
  TNotifyEvent OnEditModeChange;
  uint8_t DlgEffectDelay() const { return FEffectDelay; }
  void SetDlgEffectDelay(uint8_t Value) { FEffectDelay = Value; }
  TKitTimerPool& Timers() { return *FTimerPool; }

  bool XPThemesSupported() const;
  // The flag, when themes are supported.
  bool UseXPThemes() const;
  void SetUseXPThemes(bool Value);
  bool UseXPThemesKitOnly() const { return FKitOnly; }
  void SetUseXPThemesKitOnly(bool Value);
  bool XPManifestAvailable() const { return FManifest; }
  bool ThemeUseColorProperty() const { return FThemeUseColorProperty; }
  void SetThemeUseColorProperty(bool Value) { FThemeUseColorProperty = Value; }
  TKitThemeMode ThemeGlobalMode() const { return FGlobalThemeMode; }
  void SetThemeGlobalMode(TKitThemeMode Value);
  bool GetThemeModeSupported(TKitThemeMode Mode) const;
  void DoThemeChange();

  // A blank name is the executable's with ".LOG"; a name without extension gets ".LOG";
  // unless the prefix is ppFixed the file goes into the prefix's folder.
  const TKitString& LogName() const { return FLogName; }
  void SetLogName(const TKitString& Value);
  TKitPathPrefix LogPrefix() const { return FLogPrefix; }
  void SetLogPrefix(TKitPathPrefix Value);
  // Bytes; a limit of 100 or less is none.
  int LogMaxsize() const { return FLogMaxSize; }
  void SetLogMaxsize(int Value) { FLogMaxSize = Value; }
  TKitLogAction LogMaxAction() const { return FlogAction; }
  void SetLogMaxAction(TKitLogAction Value) { FlogAction = Value; }
  TKitMaxLogSizeEvent OnMaxLogSize;
  TKitOnHeaderWrite OnHeaderWrite;
  TKitExceptionEvent OnException;

  // Appends a line to the log ("#CR", "#Header" and "#Line" write an empty line, the
  // header, a line of asterisks); gives up silently when the file cannot be opened.
  void LogWrite(const TKitString& Text);
  // Logs the exception being handled, if any.
  void LogException(TObject* Sender);
  void HandleException(TObject* Sender, const std::exception& E);

  // Stopwatch. The source answers counts; TimerFrequency counts make a second.
  void SetStopwatchSource(std::function<int64_t()> Now, int64_t Frequency);
  int64_t TimerFrequency() const { return FTimerFrequency; }
  void STWStart();
  // Seconds since STWStart (0 when never started), and the same in whole milliseconds.
  long double STWStopExt() const;
  int64_t STWStop() const;

  // Another copy of the program was running when this one started.
  bool IsPrevRunning();
  // No window of another process can be named here.
  uintptr_t PreviouseAppWin() const { return 0; }

  // Timers with identifiers FD01 .. FDFA; 0 when the pool refuses or all are taken.
  uint16_t AddTimer(TKitTimerInterval Interval, TNotifyEvent Handler);
  uint16_t AddTimerExt(TKitTimerInterval Interval, int CallCount, TNotifyEvent Handler, bool Enabled);
  void RemoveTimer(uint16_t Ident);
  TKitTimerItem* GetTimer(uint16_t Ident) const { return FTimerPool->GetTimer(Ident); }

  // 8 x 8, white with Color on every pixel whose column and row differ in parity; the same
  // picture, repainted only when the colour changes.
  const TKitColorBitmap& GetBrushBitmap(TColor Color);
  // A copy of the black brush bitmap, made on first use.
  const TKitColorBitmap& PatternBitmap();
  // Null until a picture is assigned, then a copy of the last one; a check-box picture
  // holds six boxes side by side.
  const TKitColorBitmap* CheckBitmap() const { return FCheckBitmap.get(); }
  void SetCheckBitmap(const TKitColorBitmap& Value);
  int CheckCustomWidth() const { return FCheckBitmap ? FCheckBitmap->Width() / 6 : 0; }
  int CheckCustomHeight() const { return FCheckBitmap ? FCheckBitmap->Height() : 0; }
  // The size of the system's check box.
  int CheckDefWidth() const { return FCheckWidth; }
  int CheckDefHeight() const { return FCheckHeight; }

  // "Software\" + company, title (the executable when blank) and version, each with '\'.
  TKitString GetDefaultRegPath() const;
  // Shutting the system down or logging off is no business of this program: always false.
  bool QuitWindows(int Mode);

 private:
  void WriteHeader(std::FILE* F);
  TKitString ExceptionText(TObject* Sender, const std::exception& E) const;

  bool FForceAnsi = false;
  TKitString FMask = u"#tdl";
  TKitString FCompany, FVersion, FTitle;
  TKitApplicationOptions FOptions{aoMouseCtrlActive, aoLogAlwaysClear, aoLogHeader, aoLogNr};
  std::unique_ptr<TKitIniCtrl> FIniCtrl;
  TKitEditModes FEditMode{emInsert};
  uint8_t FEffectDelay = 3;
  std::unique_ptr<TKitTimerPool> FTimerPool;
  TKitPathPrefix FLogPrefix = ppProgram;
  TKitString FLogName;
  int FLogMaxSize = -1;
  uint8_t FUpdate = 0;
  int FCounter = 0;
  TKitLogAction FlogAction = laNone;
  std::function<int64_t()> FNow;
  int64_t FTimerFrequency = 0;
  int64_t FStartTime = 0;
  bool FStarted = false;
  int FIsPrevRunning = -1;  // not probed yet
  bool FKitOnly = false;
  bool FUseXPThemes = true;
  bool FManifest = false;
  bool FThemeUseColorProperty = true;
  TKitThemeMode FGlobalThemeMode = ttmPlatform;
  std::array<bool, 250> FTimerSlots{};
  std::unique_ptr<TKitColorBitmap> FMonoPattern, FPatternBitmap, FCheckBitmap;
  TColor FLastColor = 0x1FFFFFFF;  // no colour: the first brush is always painted
  // The classic check-box bitmap holds 4 x 3 boxes of 13 x 13 pixels.
  int FCheckHeight = 13;
  int FCheckWidth = 13;
};

// The global application object, made on first use.
TKitApplication& KitApplication();

}  // namespace zv

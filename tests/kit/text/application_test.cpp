#include "kit/text/application.h"

#include <gtest/gtest.h>


#include "kit/text/sys_info.h"
#include "support/error_of.h"
#include "kit_test_helpers.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::TTempSettings;

std::string U8(const TKitString& S) { return KitToPlatformText(S); }

// Dates, times and numbers with every digit as 'N'.
std::string Masked(std::string S) {
  for (char& c : S)
    if (c >= '0' && c <= '9') c = 'N';
  return S;
}

// A tick source the test drives by hand.
class TFakeTicks : public IKitTickSource {
 public:
  bool Start(int IntervalMs, std::function<void()> OnTick) override {
    if (Refuse) return false;
    Interval = IntervalMs;
    FOnTick = std::move(OnTick);
    ++Starts;
    return true;
  }
  void Stop() override { FOnTick = nullptr; }
  bool Running() const { return static_cast<bool>(FOnTick); }
  void Tick(int N = 1) {
    for (int i = 0; i < N && FOnTick; ++i) FOnTick();
  }
  bool Refuse = false;
  int Interval = 0;
  int Starts = 0;

 private:
  std::function<void()> FOnTick;
};

struct TPoolFixture {
  TFakeTicks Ticks;
  std::unique_ptr<TKitTimerPool> Pool = TKitTimerPool::CreateRunTime(nullptr, 50);
  TPoolFixture() { Pool->SetTickSource(&Ticks); }
};

TEST(TimerPoolTest, FiringRules) {
  TPoolFixture f;
  std::vector<int> fired;
  int tick = 0;
  EXPECT_EQ(f.Pool->AddTimer(1, 100, [&](TObject*) { fired.push_back(tick); }), 0);
  EXPECT_EQ(f.Pool->GetTimer(1)->Internal(), 2);
  EXPECT_TRUE(f.Pool->Active());
  EXPECT_EQ(f.Ticks.Interval, 50);
  for (tick = 1; tick <= 6; ++tick) f.Ticks.Tick();
  EXPECT_EQ(fired, (std::vector<int>{2, 4, 6}));

  for (int bad : {75, 25})
    EXPECT_EQ(ErrorOf([&] { f.Pool->AddTimer(2, static_cast<TKitTimerInterval>(bad), nullptr); }),
              "Interval not compatible with MinInterval property!");
  EXPECT_NE(ErrorOf([&] { f.Pool->AddTimer(1, 50, nullptr); }), "<no error>");  // identifier in use
  EXPECT_EQ(f.Pool->Count(), 1);

  // Intervals that do not fit are ignored; 0 is the minimum.
  TKitTimerItem* item = f.Pool->GetTimer(1);
  item->SetInterval(120);
  EXPECT_EQ(item->Interval(), 100);
  item->SetInterval(0);
  EXPECT_EQ(item->Internal(), 1);

  // Without a handler of its own, an item calls the pool's event with its counter.
  std::vector<std::pair<int, int>> events;
  f.Pool->OnTimerEvent = [&](TObject*, uint16_t Ident, int Counter) { events.emplace_back(Ident, Counter); };
  f.Pool->AddTimerExt(7, 150, nullptr, true, -1);
  f.Ticks.Tick(6);
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{7, 1}, {7, 2}}));

  f.Pool->RemoveTimer(1);
  f.Pool->RemoveTimer(7);
  EXPECT_FALSE(f.Pool->Active());
  EXPECT_FALSE(f.Ticks.Running());
}

TEST(TimerPoolTest, CallCount) {
  TPoolFixture f;
  int calls = 0;
  f.Pool->AddTimerExt(1, 50, [&](TObject*) { ++calls; }, true, 3);
  TKitTimerItem* item = f.Pool->GetTimer(1);
  f.Ticks.Tick(5);
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(item->Enabled());
  item->SetEnabled(true);  // its calls are used up
  EXPECT_FALSE(item->Enabled());
  item->SetCallCount(5);
  item->SetEnabled(true);
  EXPECT_TRUE(item->Enabled());
  EXPECT_EQ(item->Counter(), 0);
  item->SetCallCount(0);
  EXPECT_FALSE(item->Enabled());
  item->SetCallCount(-7);
  EXPECT_EQ(item->CallCount(), -1);

  // A pool whose items are all disabled does not start its tick source.
  TPoolFixture g;
  g.Pool->AddTimerExt(1, 50, nullptr, false, -1);
  EXPECT_FALSE(g.Pool->Active());
  EXPECT_EQ(g.Ticks.Starts, 0);
  g.Ticks.Refuse = true;
  EXPECT_EQ(ErrorOf([&] { g.Pool->AddTimer(2, 50, nullptr); }), "Not enough timers available");
}

TEST(TimerPoolTest, FailingTickDoesNotStopThePool) {
  TPoolFixture f;
  int good = 0, bad = 0;
  std::vector<std::string> errors;
  f.Pool->AddTimer(1, 50, [&](TObject*) {
    ++bad;
    throw Exception("tick failed");
  });
  f.Pool->AddTimer(2, 50, [&](TObject*) { ++good; });
  int even = 0;
  f.Pool->AddTimer(4, 100, [&](TObject*) { ++even; });
  f.Pool->OnTickException = [&](const std::exception& E) { errors.push_back(E.what()); };
  f.Ticks.Tick(3);
  EXPECT_EQ(bad, 3);
  EXPECT_EQ(errors.size(), 3u);
  // The timers after the failing one fire, and the count goes on (ticks 2 and 4).
  EXPECT_EQ(good, 3);
  // Without a handler the error reaches the caller once the tick is complete, and the next
  // tick still runs.
  f.Pool->OnTickException = nullptr;
  EXPECT_EQ(ErrorOf([&] { f.Ticks.Tick(); }), "tick failed");
  EXPECT_EQ(good, 4);
  EXPECT_EQ(even, 2);
  f.Pool->RemoveTimer(4);
  f.Pool->RemoveTimer(1);
  const int before = good;
  f.Ticks.Tick();
  EXPECT_EQ(good, before + 1);

  // A handler that removes timers, itself included, during a tick.
  f.Pool->AddTimer(3, 50, [&](TObject*) { f.Pool->ClearTimers(); });
  f.Ticks.Tick();
  EXPECT_EQ(f.Pool->Count(), 0);
}

TEST(TimerPoolTest, ItemNeedsPoolAndList) {
  std::vector<TKitTimerItem*> list;
  EXPECT_EQ(ErrorOf([&] { TKitTimerItem item(nullptr, 1, &list); }), "TKitTimerItem: Invalid Owner or List");
}

class ApplicationTest : public testing::Test {
 protected:
  TTempSettings FSettings{"kit_app"};
  // Before the application: its timer pool stops the tick source when it is destroyed.
  TFakeTicks FTicks;
  TKitApplication FApp;
  std::string Log() const { return TTempSettings::ReadFile(U8(FApp.LogName())); }
};

TEST_F(ApplicationTest, ApplicationTimers) {
  FApp.Timers().SetTickSource(&FTicks);
  EXPECT_EQ(FApp.Timers().MinInterval(), 50);
  std::vector<uint16_t> idents;
  for (int i = 0; i < 250; ++i) idents.push_back(FApp.AddTimer(100, nullptr));
  EXPECT_EQ(idents.front(), 0xFD01);
  EXPECT_EQ(idents.back(), 0xFDFA);
  EXPECT_EQ(FApp.AddTimer(100, nullptr), 0);  // all taken
  EXPECT_EQ(FApp.Timers().Count(), 250);
  FApp.RemoveTimer(0xFD05);
  EXPECT_EQ(FApp.GetTimer(0xFD05), nullptr);
  EXPECT_EQ(FApp.AddTimer(75, nullptr), 0);  // refused by the pool: the slot stays free
  EXPECT_EQ(FApp.AddTimerExt(150, 2, nullptr, false), 0xFD05);
  EXPECT_FALSE(FApp.GetTimer(0xFD05)->Enabled());
}

TEST_F(ApplicationTest, LogNames) {
  const TKitString exe = KitExeName();
  const TKitString program = KitGetSpecialPath(ppProgram, true);
  EXPECT_EQ(FApp.LogName(), program + KitChangeFileExt(KitExtractFileName(exe), u".LOG"));
  FApp.SetLogName(u"/elsewhere/trace.txt");
  EXPECT_EQ(FApp.LogName(), program + u"trace.txt");
  FApp.SetLogPrefix(ppWindows);
  EXPECT_EQ(U8(FApp.LogName()), FSettings.Folder() + "trace.txt");
  FApp.SetLogPrefix(ppFixed);
  FApp.SetLogName(u"/elsewhere/trace");
  EXPECT_EQ(FApp.LogName(), u"/elsewhere/trace.LOG");
}

TEST_F(ApplicationTest, LogWriter) {
  FApp.SetLogPrefix(ppWindows);
  FApp.SetLogName(u"app.log");
  std::ofstream(U8(FApp.LogName())) << "from an earlier run\n";
  FApp.SetVersion(u"1.2");
  FApp.OnHeaderWrite = [](TObject*, TKitStringList& Lines) { Lines.push_back(u"Device : meter"); };
  FApp.LogWrite(u"first");
  FApp.LogWrite(u"#CR");
  FApp.LogWrite(u"#Line");
  FApp.LogWrite(u"second");
  const std::string stars(80, '*');
  const std::string expected = "\nLogFile started: NNNN-NN-NN NN:NN:NN\n"
                               "Application    : " + U8(FApp.Title()) + "\n"
                               "Path/ExeName   : " + U8(KitExeName()) + "\n"
                               "Version        : N.N\n"
                               "Device : meter\n" + stars + "\n\nEntries:\n"
                               "NNNNN: first\n\n" + stars + "\nNNNNN: second\n";
  EXPECT_EQ(Masked(Log()), Masked(expected));
  EXPECT_NE(Log().find("00002: second"), std::string::npos);

  // Date and time where the mask asks for them and the options allow.
  FApp.SetOptions({aoLogDate, aoLogTime});
  FApp.SetLogMask(u"l#dt");
  FApp.LogWrite(u"third");
  const std::string log = Log();
  const std::string last = log.substr(log.rfind("third"));
  EXPECT_EQ(Masked(last), "third [NNNN-NN-NN] [NN:NN:NN]\n");
}

TEST_F(ApplicationTest, LogSizeLimit) {
  FApp.SetLogPrefix(ppWindows);
  FApp.SetLogName(u"size.log");
  FApp.SetOptions({aoLogNr});
  FApp.SetLogMaxsize(150);
  const std::string name = U8(FApp.LogName());
  const std::string line(60, 'x');
  for (int i = 0; i < 3; ++i) FApp.LogWrite(KitFromPlatformText(line));
  EXPECT_EQ(KitFileSize(FApp.LogName()), 3 * 68);  // no action: the file grows

  // The handler may take over.
  int asked = 0;
  FApp.OnMaxLogSize = [&](TObject*, const TKitString& LogName, bool& Handled) {
    EXPECT_EQ(LogName, FApp.LogName());
    ++asked;
    Handled = true;
  };
  FApp.LogWrite(u"dropped");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(KitFileSize(FApp.LogName()), 3 * 68);
  FApp.OnMaxLogSize = nullptr;

  // Backups take the first free number (a folder takes one too); the log starts again with
  // its header.
  std::ofstream(FSettings.Folder() + "size.l0") << "older";
  std::filesystem::create_directory(FSettings.Folder() + "size.l1");
  FApp.SetLogMaxAction(laBackupLog);
  FApp.LogWrite(u"after backup");
  EXPECT_EQ(KitFileSize(KitFromPlatformText(FSettings.Folder() + "size.l2")), 3 * 68);
  EXPECT_NE(Log().find("Entries:\n00004: after backup\n"), std::string::npos) << Log();
  for (int i = 0; i < 3; ++i) FApp.LogWrite(KitFromPlatformText(line));
  FApp.SetLogMaxAction(laClearLog);
  FApp.LogWrite(u"cleared");
  EXPECT_EQ(Log().substr(Log().find("Entries:")), "Entries:\n00008: cleared\n");
}

TEST_F(ApplicationTest, Exceptions) {
  FApp.SetLogPrefix(ppWindows);
  FApp.SetLogName(u"errors.log");
  FApp.SetOptions({aoLogException});
  std::vector<TKitString> shown;
  FApp.Host.ShowException = [&](const TKitString& M) { shown.push_back(M); };
  TKitTimerPool sender;
  FApp.HandleException(&sender, Exception("boom"));
  EXPECT_EQ(shown, (std::vector<TKitString>{u"boom"}));
  EXPECT_NE(Log().find("TKitTimerPool: boom, Address: 0x"), std::string::npos) << Log();

  FApp.OnException = [](TObject*, const std::exception&, bool& Handled) { Handled = true; };
  FApp.HandleException(nullptr, Exception("quiet"));
  EXPECT_EQ(shown.size(), 1u);

  FApp.LogException(nullptr);  // nothing being handled: nothing logged
  try {
    throw Exception("caught");
  } catch (...) {
    FApp.LogException(nullptr);
  }
  EXPECT_NE(Log().find("caught, Address: "), std::string::npos);
  EXPECT_EQ(Log().find("quiet"), std::string::npos);

  // A component with a name is known by it; one without, and any other object, by its class.
  sender.SetName(u"Timers");
  std::vector<TKitTimerItem*> items;
  TKitTimerItem item(&sender, 1, &items);
  for (TObject* from : std::initializer_list<TObject*>{&sender, &FApp, &item}) {
    try {
      throw Exception("again");
    } catch (...) {
      FApp.LogException(from);
    }
  }
  EXPECT_NE(Log().find("TKitTimerPool (Name: Timers): again, Address: 0x"), std::string::npos) << Log();
  EXPECT_NE(Log().find("TKitApplication: again, Address: 0x"), std::string::npos) << Log();
  EXPECT_NE(Log().find("TKitTimerItem: again, Address: 0x"), std::string::npos) << Log();
}

TEST_F(ApplicationTest, StopwatchAndThemes) {
  int64_t now = 5000;
  FApp.SetStopwatchSource([&now] { return now; }, 1000);
  EXPECT_EQ(FApp.STWStopExt(), 0);  // never started
  FApp.STWStart();
  now += 2500;
  EXPECT_EQ(FApp.STWStopExt(), 2.5L);
  EXPECT_EQ(FApp.STWStop(), 2500);

  // Without a window system there are no themes.
  EXPECT_FALSE(FApp.UseXPThemes());
  EXPECT_TRUE(FApp.GetThemeModeSupported(ttmNone));
  EXPECT_FALSE(FApp.GetThemeModeSupported(ttmPlatform));
  std::vector<std::string> calls;
  FApp.Host.ThemesAvailable = [] { return true; };
  FApp.Host.ThemeActive = [] { return true; };
  FApp.Host.SendThemeChanged = [&] { calls.push_back("changed"); };
  FApp.Host.SetThemeAppProperties = [&](uint32_t F) { calls.push_back("props " + std::to_string(F)); };
  FApp.Host.BroadcastThemeChange = [&](bool KitOnly) { calls.push_back(KitOnly ? "kit" : "all"); };
  EXPECT_TRUE(FApp.UseXPThemes());
  FApp.SetUseXPThemes(false);
  FApp.SetUseXPThemes(false);  // unchanged: nothing happens
  FApp.SetUseXPThemesKitOnly(true);  // the global mode is the platform's: no call
  FApp.SetThemeGlobalMode(ttmNone);
  FApp.SetUseXPThemes(true);
  EXPECT_EQ(calls, (std::vector<std::string>{"changed", "props 0", "all", "kit", "changed", "props 3", "kit"}));
}

TEST_F(ApplicationTest, Misc) {
  FApp.SetCompany(u"Acme");
  FApp.SetTitle(u"Meter");
  EXPECT_EQ(FApp.GetDefaultRegPath(), u"Software\\Acme\\Meter\\");
  FApp.SetVersion(u"2");
  FApp.SetCompany(u" ");
  EXPECT_EQ(FApp.GetDefaultRegPath(), u"Software\\Meter\\2\\");
  EXPECT_FALSE(FApp.QuitWindows(0));
  EXPECT_FALSE(FApp.QuitWindows(2));
  EXPECT_FALSE(FApp.IsPrevRunning());  // the test holds the first slot

  int changes = 0;
  FApp.OnEditModeChange = [&](TObject*) { ++changes; };
  FApp.SetEditMode({emInsert});
  FApp.SetEditMode({emInsert, emCaps});
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(FApp.Options().Contains(aoLogNr));
  EXPECT_FALSE(FApp.Options().Contains(aoAutoRealizePalette));
}

// The brush pattern: white, with the colour where column and row differ in parity.
void ExpectPattern(const TKitColorBitmap& Bitmap, TColor Color) {
  ASSERT_EQ(Bitmap.Width(), 8);
  ASSERT_EQ(Bitmap.Height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Bitmap.Pixel(x, y), (x + y) % 2 != 0 ? Color : clWhite) << x << ", " << y;
}

TEST_F(ApplicationTest, PatternAndCheckBitmaps) {
  const TKitColorBitmap& brush = FApp.GetBrushBitmap(clRed);
  EXPECT_EQ(brush.Pixel(0, 0), clWhite);
  EXPECT_EQ(brush.Pixel(0, 1), clRed);
  EXPECT_EQ(brush.Pixel(1, 0), clRed);
  EXPECT_EQ(brush.Pixel(1, 2), clRed);
  EXPECT_EQ(brush.Pixel(1, 1), clWhite);
  ExpectPattern(brush, clRed);
  // One picture, repainted for a new colour.
  EXPECT_EQ(&FApp.GetBrushBitmap(clRed), &brush);
  EXPECT_EQ(&FApp.GetBrushBitmap(clBlue), &brush);
  ExpectPattern(brush, clBlue);

  // The black pattern is a copy made once: later brushes leave it black.
  const TKitColorBitmap& pattern = FApp.PatternBitmap();
  EXPECT_NE(&pattern, &brush);
  ExpectPattern(pattern, clBlack);
  FApp.GetBrushBitmap(clLime);
  EXPECT_EQ(&FApp.PatternBitmap(), &pattern);
  ExpectPattern(pattern, clBlack);

  EXPECT_EQ(FApp.CheckBitmap(), nullptr);
  EXPECT_EQ(FApp.CheckCustomWidth(), 0);
  EXPECT_EQ(FApp.CheckCustomHeight(), 0);
  EXPECT_EQ(FApp.CheckDefWidth(), 13);
  EXPECT_EQ(FApp.CheckDefHeight(), 13);
  TKitColorBitmap boxes(6 * 11 + 5, 12, clWhite);
  boxes.SetPixel(0, 0, clRed);
  FApp.SetCheckBitmap(boxes);
  boxes.SetPixel(0, 0, clBlue);  // the application keeps its own copy
  ASSERT_NE(FApp.CheckBitmap(), nullptr);
  EXPECT_EQ(FApp.CheckBitmap()->Pixel(0, 0), clRed);
  EXPECT_EQ(FApp.CheckCustomWidth(), 11);
  EXPECT_EQ(FApp.CheckCustomHeight(), 12);
  FApp.SetCheckBitmap(TKitColorBitmap());
  EXPECT_EQ(FApp.CheckCustomWidth(), 0);
  EXPECT_EQ(FApp.CheckCustomHeight(), 0);
}

}  // namespace
}  // namespace zv

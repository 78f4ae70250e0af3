// Importing raw logs of HDLC frames: the example meter read attribute by attribute (long
// values segmented and in data blocks), then the three attributes of one register after
// another, 100,000 frames (about 10 MB) and 490,000 frames (about 50 MB, a long recording).
// Step one is measured in the core alone and in the import window over the main window's
// log pane, which shows every APDU; "peak_MB" is the highest resident memory while it ran.
// The last benchmark runs both steps in the core.
#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "app/editor_frames.h"
#include "app/frame_view.h"
#include "kit/editor/edit_document.h"
#include "app/import/import_device.h"
#include "app/import_window.h"
#include "app/main_window.h"
#include "app/prompter.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "foundation/logger.h"
#include "import/import_support.h"
#include "server/logical_device_wrapper.h"
#include "server/settings.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

// The example meter, whose attributes open each raw log and which the shell serves.
constexpr const char* kMeterFile = ZV_EXAMPLES_DIR "/meter.txt";

// The kernel's high-water mark of resident memory is reset, so that each measurement sees
// its own peak and not one left by the generator or an earlier benchmark.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

double PeakMemoryMB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
  return 0;
}

std::string TempDir() {
  static const std::string dir = [] {
    char name[] = "/tmp/zv_import_bench_XXXXXX";
    return std::string(mkdtemp(name));
  }();
  return dir;
}

// A raw log of Frames frames written to a file (the lines go out as they are made, so the
// generator holds little); made once per size, in a folder that main removes at exit.
struct TRawLogFile {
  std::string Name;
  double MB = 0;
  size_t FrameCount = 0;  // whole registers are written, so a few more than asked for
  explicit TRawLogFile(size_t Frames) : Name(TempDir() + "/raw_" + std::to_string(Frames) + ".txt") {
    std::ofstream out(Name, std::ios::binary);
    TRawLogWriter log;
    auto flush = [&] {
      for (const std::string& line : log.Lines) out << line << "\r\n";
      log.Lines.clear();
    };
    log.GetDevice(*MakeLogicalDevice(ReadFile(kMeterFile)), 1000);
    auto scalerUnit = TDataHelper::MakeFromXml(
        "<Data><Structure Qty=\"0002\"><Integer Value=\"FF\" /><Enum Value=\"1E\" /></Structure></Data>");
    for (uint32_t i = 0; log.FrameCount < Frames; ++i) {
      PduStr name("\x01\x00", 2);
      AppendBE(name, i, 3);
      name.push_back('\xFF');
      const std::string hex = ByteStrToHexStr(name);
      // A register is read whole: the device needs all three attributes of each object.
      log.Get(3, name, 1, *TDataHelper::MakeFromXml("<Data><OctetString Value=\"" + hex + "\" /></Data>"));
      log.Get(3, name, 2, *TDataHelper::MakeFromXml("<Data><DoubleLongUnsigned Value=\"" + IntToHex(i, 8) +
                                                    "\" /></Data>"));
      log.Get(3, name, 3, *scalerUnit);
      if (log.Lines.size() > 10000) flush();
    }
    flush();
    out.close();
    FrameCount = log.FrameCount;
    MB = static_cast<double>(std::filesystem::file_size(Name)) / 1e6;
  }
};

const TRawLogFile& RawLog(size_t Frames) {
  static std::map<size_t, std::unique_ptr<TRawLogFile>> files;
  auto& file = files[Frames];
  if (!file) file = std::make_unique<TRawLogFile>(Frames);
  return *file;
}

// The logger reads the settings (a file that is only read, so it need not exist).
struct TSettings {
  TIniFile Ini{TempDir() + "/settings.ini"};
  TSettings() { TFormPreferences::SetIniFile(&Ini); }
  ~TSettings() { TFormPreferences::SetIniFile(nullptr); }
};

void Counters(benchmark::State& State, const TRawLogFile& File, size_t Entries, double Peak) {
  State.counters["frames"] = static_cast<double>(File.FrameCount);
  State.counters["file_MB"] = File.MB;
  State.counters["entry_lines"] = static_cast<double>(Entries);
  State.counters["peak_MB"] = Peak;
}

// Step one in the core: the file read line by line and turned into entry lines, the log
// pane being the process-wide logger without a window (what it is given is dropped).
void BM_ImportStepOneCore(benchmark::State& State) {
  const TRawLogFile& file = RawLog(static_cast<size_t>(State.range(0)));
  TSettings settings;
  TLoggerImportLog pane;
  size_t entries = 0;
  double peak = 0;
  for (auto _ : State) {
    ResetPeakMemory();
    TImportDevice import(pane);
    entries = import.RawLogFileToEntries(file.Name).size();
    peak = std::max(peak, PeakMemoryMB());
  }
  Counters(State, file, entries, peak);
}
BENCHMARK(BM_ImportStepOneCore)->Arg(100000)->Arg(490000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A prompter that chooses the raw log in the open dialog.
class TChoosingPrompter : public TPrompter {
 public:
  QString File;
  TPrompter* Previous = SetPrompter(this);
  ~TChoosingPrompter() override { SetPrompter(Previous); }
  TModalResult MessageBox(QWidget*, const QString&, const QString& Text, TMsgDlgType, TMsgDlgButtons) override {
    std::fprintf(stderr, "%s\n", Text.toUtf8().constData());
    return mrOk;
  }
  bool ExecuteFileDialog(QWidget*, TFileDialog& Dialog) override {
    Dialog.FileName = File;
    return true;
  }
  bool ChooseFixedFont(QWidget*, QString&, int&) override { return false; }
  void Beep() override {}
};

// The shell: the application object, the settings in a folder of their own and the example
// meter as the device. Made once; torn down in main before Qt's own globals go.
struct TShell {
  int Argc = 1;
  char Name[16] = "bench_import";
  char* Argv[2] = {Name, nullptr};
  std::unique_ptr<QApplication> App;
  TLogicalDeviceWrapper Holder;
  TShell() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    App = std::make_unique<QApplication>(Argc, Argv);
    TGlobalsOptions options;
    options.ConfigRoot = TempDir();
    InitGlobals(options);
    Holder.SetLogicalDevice(MakeLogicalDevice(ReadFile(kMeterFile)));
  }
  ~TShell() { DoneGlobals(); }
};
std::unique_ptr<TShell> Shell;

// Step one in the import window over the main window, both shown: from the click until the
// entries are in the window's editor and the log pane shows every line. "longest_turn_ms" is
// the longest time the event loop did not turn meanwhile (how long the window did not
// answer), seen by a timer that should fire every 50 ms.
void BM_ImportStepOneWindow(benchmark::State& State) {
  const TRawLogFile& file = RawLog(static_cast<size_t>(State.range(0)));
  if (!Shell) Shell = std::make_unique<TShell>();
  TChoosingPrompter prompter;
  prompter.File = QString::fromStdString(file.Name);
  size_t entries = 0;
  double peak = 0, longestTurn = 0, logMB = 0;
  int logLines = 0;
  for (auto _ : State) {
    State.PauseTiming();
    TApplicationProcessOptions options;
    options.BindAddress = "127.0.0.1";
    options.DeviceHolder = &Shell->Holder;
    auto main = std::make_unique<TFormMain>(options);
    main->resize(800, 600);
    main->show();
    TFormImportDevice& window = main->FormImportDevice();
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();
    QTimer ticker;
    auto last = std::chrono::steady_clock::now();
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const auto now = std::chrono::steady_clock::now();
      longestTurn = std::max(longestTurn, std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    });
    ResetPeakMemory();
    State.ResumeTiming();

    ticker.start(50);
    last = std::chrono::steady_clock::now();
    window.BTNRawLog->click();
    while (main->LogFrame->PendingLines() > 0 || window.Editor->PendingLines() > 0 || !window.BTNRawLog->isEnabled())
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticker.stop();

    State.PauseTiming();
    peak = std::max(peak, PeakMemoryMB());
    entries = static_cast<size_t>(window.Editor->KitView().LineCount());
    logLines = main->LogFrame->KitView().LineCount();
    logMB = main->LogFrame->KitView().Document().CharsCount() / 1e6;
    main.reset();
    QApplication::processEvents();
    State.ResumeTiming();
  }
  Counters(State, file, entries, peak);
  State.counters["longest_turn_ms"] = longestTurn;
  State.counters["log_lines"] = logLines;
  State.counters["log_Mchars"] = logMB;
}
BENCHMARK(BM_ImportStepOneWindow)->Arg(100000)->Arg(490000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Both steps in the core on 100,000 and 490,000 frames: the entries are read back and the device
// description of every object is made.
void BM_ImportRawLog(benchmark::State& State) {
  const TRawLogFile& file = RawLog(static_cast<size_t>(State.range(0)));
  TSettings settings;
  TLoggerImportLog pane;
  size_t objects = 0;
  for (auto _ : State) {
    TImportDevice import(pane);
    const std::vector<std::string> device = import.EntriesToDevice(import.RawLogToEntries(ReadRawLogFile(file.Name)));
    objects = static_cast<size_t>(std::count_if(device.begin(), device.end(),
                                                [](const std::string& l) { return l.starts_with("// *** "); }));
  }
  State.counters["frames"] = static_cast<double>(file.FrameCount);
  State.counters["objects"] = static_cast<double>(objects);
}
BENCHMARK(BM_ImportRawLog)->Arg(100000)->Arg(490000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int Argc, char** Argv) {
  return zv::bench::RunBenchmarks(Argc, Argv, [] {
    Shell.reset();
    std::filesystem::remove_all(TempDir());
  });
}

// GET round trips per second against a server session over loopback with every APDU logged
// as XML, the log drained on the GUI thread (woken through the event loop, as the main window
// is) into the log frame that a user watches, beside the same session with the log drained
// into a file. Both run in one benchmark, in alternate blocks of round trips so that both
// meet the same conditions of the machine; "ratio" is the log frame's rate over the file's,
// and the lags tell how far the log was behind the last answer of a block.
#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>
#include <QEventLoop>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "app/editor_frames.h"
#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "foundation/logger.h"
#include "server/application_process.h"
#include "server/logical_device_wrapper.h"
#include "server/settings.h"
#include "support/test_client.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

// The log written to a file, on the GUI thread.
class TFileSink : public ILogSink {
 public:
  TFileSink() {
    char name[] = "/tmp/zv_app_log_bench_XXXXXX";
    FName = name;
    FFile = fdopen(mkstemp(name), "w");
    FName = name;
  }
  ~TFileSink() override {
    std::fclose(FFile);
    std::remove(FName.c_str());
  }
  void Clear() override {}
  void AppendLines(const std::vector<std::string>& Lines) override {
    for (const auto& l : Lines) {
      std::fwrite(l.data(), 1, l.size(), FFile);
      std::fputc('\n', FFile);
    }
    FCount += static_cast<int>(Lines.size());
  }
  int LineCount() const override { return FCount; }

 private:
  std::string FName;
  std::FILE* FFile;
  int FCount = 0;
};

// The GUI, a server session with the example meter on loopback and an associated client.
struct TSetup {
  int Argc = 1;
  char Name[16] = "bench_app_log";
  char* Argv[2] = {Name, nullptr};
  std::unique_ptr<QApplication> App;
  std::string Dir;
  std::unique_ptr<TIniFile> Ini;
  TLogicalDeviceWrapper Holder;
  std::unique_ptr<TApplicationProcess> Process;
  std::atomic<int> Port{0};
  TTestClient Client;
  PduStr Request;
  std::unique_ptr<TFrameLog> Frame;
  TFileSink File;

  TSetup() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    App = std::make_unique<QApplication>(Argc, Argv);
    char dir[] = "/tmp/zv_app_log_bench_dir_XXXXXX";
    Dir = mkdtemp(dir);
    TGlobalsOptions options;
    options.ConfigRoot = Dir;
    InitGlobals(options);
    Ini = std::make_unique<TIniFile>(Dir + "/settings.ini");
    Ini->WriteString("FormPreferences", "RBTCPSelected", "1");
    Ini->WriteString("FormPreferences", "EDITServerPortNr", "0");
    TFormPreferences::SetIniFile(Ini.get());
    Holder.SetLogicalDevice(MakeLogicalDevice(ReadFile(ZV_EXAMPLES_DIR "/meter.txt")));
    TApplicationProcessOptions process;
    process.DeviceHolder = &Holder;
    process.BindAddress = "127.0.0.1";
    process.AnyPort = true;
    process.OnListening = [this](int P) { Port = P; };
    Process = std::make_unique<TApplicationProcess>(process);
    Frame = std::make_unique<TFrameLog>();
    Frame->resize(800, 500);
    Frame->show();
    Attach(File);
    Process->Run(TApplicationProcessJob{});
    while (Port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!Client.Connect("127.0.0.1", Port) || !Client.RequestXml(AarqXml({}))) std::abort();
    Request = ApduFromXml(GetXml(3, "0100010800FF", 2));
  }
  ~TSetup() {
    Client.Close();
    Logger().Detach();
    Process.reset();
    Frame.reset();
    TFormPreferences::SetIniFile(nullptr);
    DoneGlobals();
  }

  void Attach(ILogSink& Sink) {
    Logger().Detach();
    Logger().Attach(Sink, [] {
      QMetaObject::invokeMethod(qApp, [] { Logger().ProcessPending(); }, Qt::QueuedConnection);
    });
  }

  // Count round trips from a thread of their own while this thread runs the event loop,
  // which takes the log as the main window does. Answers the seconds the round trips took;
  // Lag gets the seconds from the last answer until the log had everything.
  double Block(ILogSink& Sink, int Count, double& Lag) {
    Attach(Sink);
    QEventLoop loop;
    std::chrono::steady_clock::time_point t0, t1;
    std::thread client([&] {
      t0 = std::chrono::steady_clock::now();
      for (int i = 0; i < Count; ++i)
        if (!Client.SendApdu(Request) || Client.ReceiveApdu().empty()) std::abort();
      t1 = std::chrono::steady_clock::now();
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    client.join();
    Logger().ProcessPending();
    QCoreApplication::sendPostedEvents();
    Lag += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    return std::chrono::duration<double>(t1 - t0).count();
  }
};

// Made on first use and torn down in main: as a static it went at exit, after Qt's own
// globals, and the log frame's teardown crashed.
std::unique_ptr<TSetup> GSetup;

TSetup& Setup() {
  if (!GSetup) GSetup = std::make_unique<TSetup>();
  return *GSetup;
}

void BM_GetRateLogFrameToFile(benchmark::State& state) {
  TSetup& s = Setup();
  constexpr int kBlock = 500;
  const int blocks = static_cast<int>(state.range(0)) / kBlock;
  double frameSeconds = 0, fileSeconds = 0, frameLag = 0, fileLag = 0;
  int64_t rounds = 0;
  for (auto _ : state) {
    for (int b = 0; b < blocks; ++b) {
      fileSeconds += s.Block(s.File, kBlock, fileLag);
      frameSeconds += s.Block(*s.Frame, kBlock, frameLag);
      rounds += kBlock;
    }
  }
  state.counters["file_per_s"] = rounds / fileSeconds;
  state.counters["frame_per_s"] = rounds / frameSeconds;
  state.counters["ratio"] = fileSeconds / frameSeconds;
  state.counters["frame_lines"] = s.Frame->LineCount();
  // Milliseconds per block from the last answer until the log had everything.
  state.counters["file_lag_ms"] = 1000 * fileLag / blocks;
  state.counters["frame_lag_ms"] = 1000 * frameLag / blocks;
}
BENCHMARK(BM_GetRateLogFrameToFile)->Arg(10000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int Argc, char** Argv) {
  return zv::bench::RunBenchmarks(Argc, Argv, [] {
    GSetup.reset();
  });
}

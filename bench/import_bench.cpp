// Importing a raw log of about 100,000 HDLC frames: the example meter read attribute by attribute
// (long values segmented and in data blocks), then the three attributes of one register
// after another. Step one decodes and logs every APDU through the process-wide logger;
// step two reads the entry text back and writes the device description of every object.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

#include "app/import/import_device.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "foundation/ini_file.h"
#include "import/import_support.h"
#include "server/settings.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

constexpr size_t kFrames = 100000;

const std::vector<std::string>& Log() {
  static const std::vector<std::string> lines = [] {
    TRawLogWriter log;
    log.GetDevice(*MakeLogicalDevice(ReadFile(ZV_EXAMPLES_DIR "/meter.txt")), 1000);
    auto scalerUnit = TDataHelper::MakeFromXml(
        "<Data><Structure Qty=\"0002\"><Integer Value=\"FF\" /><Enum Value=\"1E\" /></Structure></Data>");
    for (uint32_t i = 0; log.FrameCount < kFrames; ++i) {
      PduStr name("\x01\x00", 2);
      AppendBE(name, i, 3);
      name.push_back('\xFF');
      const std::string hex = ByteStrToHexStr(name);
      // A register is read whole: the device needs all three attributes of each object.
      log.Get(3, name, 1, *TDataHelper::MakeFromXml("<Data><OctetString Value=\"" + hex + "\" /></Data>"));
      log.Get(3, name, 2, *TDataHelper::MakeFromXml("<Data><DoubleLongUnsigned Value=\"" + IntToHex(i, 8) +
                                                    "\" /></Data>"));
      log.Get(3, name, 3, *scalerUnit);
    }
    return log.Lines;
  }();
  return lines;
}

void BM_ImportRawLog(benchmark::State& State) {
  const std::vector<std::string>& lines = Log();
  // The logger reads the settings (a file that is only read, so it need not exist).
  TIniFile settings((std::filesystem::temp_directory_path() / "zv_import_bench.ini").string());
  TFormPreferences::SetIniFile(&settings);
  TLoggerImportLog pane;
  size_t objects = 0;
  for (auto _ : State) {
    TImportDevice import(pane);
    const std::vector<std::string> device = import.EntriesToDevice(import.RawLogToEntries(lines));
    objects = static_cast<size_t>(std::count_if(device.begin(), device.end(),
                                                [](const std::string& l) { return l.starts_with("// *** "); }));
  }
  TFormPreferences::SetIniFile(nullptr);
  State.counters["frames"] = static_cast<double>(std::count_if(
      lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("7E"); }));
  State.counters["objects"] = static_cast<double>(objects);
}
BENCHMARK(BM_ImportRawLog)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

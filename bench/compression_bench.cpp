// Stream compression with LZRW1 (method 0) and zlib at level 9 (method 1) on 1 MB of
// device descriptions and 1 MB of log text: throughput and the compressed size as a
// fraction of the original ("ratio").
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "kit/text/compression.h"

namespace zv {
namespace {

constexpr size_t Size = 1 << 20;

TKitByteArray DeviceDescriptions() {
  std::ifstream f(ZV_EXAMPLES_DIR "/meter.txt", std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  const std::string one = s.str();
  std::string all;
  while (all.size() < Size) all += one.empty() ? std::string("<LogicalDevice/>\n") : one;
  all.resize(Size);
  return TKitByteArray(all.begin(), all.end());
}

// What the log pane writes: numbered, time-stamped entries with the XML rendering of the
// APDUs and the frames in hexadecimal.
TKitByteArray LogText() {
  std::mt19937 gen(7);
  auto rng = [&gen] { return static_cast<unsigned>(gen()); };
  std::string all;
  char line[160];
  for (int n = 1; all.size() < Size; ++n) {
    const int ms = n * 137;
    std::snprintf(line, sizeof line, "%05d: [10:%02d:%02d.%03d] RECEIVED:\n", n, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    all += line;
    all += "<GetRequest>\n  <GetRequestNormal>\n    <InvokeIdAndPriority Value=\"C1\" />\n";
    std::snprintf(line, sizeof line, "    <AttributeDescriptor>\n      <ClassId Value=\"%04X\" />\n", 1 + rng() % 8);
    all += line;
    std::snprintf(line, sizeof line, "      <InstanceId Value=\"0100%02X%02X00FF\" />\n      <AttributeId Value=\"%02X\" />\n",
                  rng() % 100, rng() % 10, 2 + rng() % 3);
    all += line;
    all += "    </AttributeDescriptor>\n  </GetRequestNormal>\n</GetRequest>\n";
    std::snprintf(line, sizeof line, "TCP >> 00 01 00 10 00 01 00 0D C0 01 C1 00 %02X 01 00 %02X 08 00 FF 02 00\n",
                  rng() % 8, rng() % 100);
    all += line;
    std::snprintf(line, sizeof line, "%05d: [10:%02d:%02d.%03d] SENT:\nTCP << 00 01 00 01 00 10 00 09 C4 01 C1 00 06 %08X\n",
                  n, ms / 60000 % 60, ms / 1000 % 60, ms % 1000 + 5, rng());
    all += line;
  }
  all.resize(Size);
  return TKitByteArray(all.begin(), all.end());
}

const TKitByteArray& Data(int64_t Kind) {
  static const TKitByteArray devices = DeviceDescriptions(), log = LogText();
  return Kind == 0 ? devices : log;
}

TKitByteArray Compressed(const TKitByteArray& Source, int Method) {
  TKitMemoryStream in(Source), out;
  KitCompressStream(in, out, static_cast<int64_t>(Source.size()), Method);
  return out.Data();
}

void Compress(benchmark::State& State, int Method) {
  const TKitByteArray& source = Data(State.range(0));
  size_t packed = 0;
  for (auto _ : State) {
    const TKitByteArray out = Compressed(source, Method);
    packed = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * source.size()));
  State.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(source.size());
  State.SetLabel(State.range(0) == 0 ? "device descriptions" : "log text");
}

void Decompress(benchmark::State& State, int Method) {
  const TKitByteArray& source = Data(State.range(0));
  const TKitByteArray packed = Compressed(source, Method);
  for (auto _ : State) {
    TKitMemoryStream in(packed), out;
    KitDecompressStream(in, out, Method);
    if (out.Size() != static_cast<int64_t>(source.size())) State.SkipWithError("restored size differs");
    benchmark::DoNotOptimize(out.Memory());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * source.size()));
  State.SetLabel(State.range(0) == 0 ? "device descriptions" : "log text");
}

void BM_LZRW1Compress(benchmark::State& State) { Compress(State, 0); }
void BM_LZRW1Decompress(benchmark::State& State) { Decompress(State, 0); }
void BM_ZlibCompress(benchmark::State& State) { Compress(State, 1); }
void BM_ZlibDecompress(benchmark::State& State) { Decompress(State, 1); }

BENCHMARK(BM_LZRW1Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LZRW1Decompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zv

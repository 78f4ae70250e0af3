// Decode, encode, XML render and XML parse of a typical profile buffer:
// an array of 1000 structures (date-time, status, four double-long-unsigned values).
#include <benchmark/benchmark.h>

#include "foundation/data_helper.h"

using namespace zv;

namespace {

PduStr ProfileBuffer() {
  PduStr s = HexStrToByteStr("01 82 03E8");
  for (int i = 0; i < 1000; ++i) {
    s += HexStrToByteStr("02 06 19 07E80C0A03");
    AppendBE(s, static_cast<uint64_t>(i % 24), 1);
    s += HexStrToByteStr("0000 00 8000 00 11 08");
    for (int k = 0; k < 4; ++k) {
      s.push_back(6);
      AppendBE(s, static_cast<uint64_t>(i * 1000 + k), 4);
    }
  }
  return s;
}

const PduStr& Buffer() {
  static const PduStr b = ProfileBuffer();
  return b;
}

void BM_Decode(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(TDataHelper::MakeFromPduStr(Buffer()));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * Buffer().size()));
}

void BM_Encode(benchmark::State& st) {
  auto d = TDataHelper::MakeFromPduStr(Buffer());
  for (auto _ : st) benchmark::DoNotOptimize(d->Encode());
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * Buffer().size()));
}

void BM_XmlRender(benchmark::State& st) {
  auto d = TDataHelper::MakeFromPduStr(Buffer());
  size_t len = d->ToXMLString().size();
  for (auto _ : st) benchmark::DoNotOptimize(d->ToXMLString());
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * len));
  st.counters["octets/s"] = benchmark::Counter(static_cast<double>(st.iterations() * Buffer().size()),
                                               benchmark::Counter::kIsRate);
}

void BM_XmlParse(benchmark::State& st) {
  auto d = TDataHelper::MakeFromPduStr(Buffer());
  d->XMLId = xmlData;
  std::string xml = d->ToXMLString();
  for (auto _ : st) benchmark::DoNotOptimize(TDataHelper::MakeFromXml(xml));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * xml.size()));
  st.counters["octets/s"] = benchmark::Counter(static_cast<double>(st.iterations() * Buffer().size()),
                                               benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_Decode);
BENCHMARK(BM_Encode);
BENCHMARK(BM_XmlRender);
BENCHMARK(BM_XmlParse);

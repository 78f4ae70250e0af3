// The document's search over a 100,000-line device description (about 4 MB): stepping
// through every match plain, ignoring case and by a regular expression, one backward
// regular-expression step (the engine only runs forward, so it reads from the range start),
// and a replace-all that records its undo step.
#include <benchmark/benchmark.h>

#include <string>

#include "device_text.h"
#include "kit/editor/edit_document.h"

using namespace zv;

namespace {

TKitEditDocument& Document() {
  static TKitEditDocument* doc = [] {
    auto* d = new TKitEditDocument;
    const TKitString text = DeviceDescription();
    d->RefreshText(text.data(), static_cast<int>(text.size()));
    return d;
  }();
  return *doc;
}

void StepThrough(benchmark::State& state, TKitEditSearchOptions AOptions, const TKitString& APattern) {
  TKitEditDocument& doc = Document();
  int64_t matches = 0;
  for (auto _ : state) {
    auto st = doc.FindPatternFirst(0, -1, sdForward, AOptions, APattern);
    for (bool found = st != nullptr; found; found = doc.FindPatternNext(*st)) ++matches;
  }
  state.counters["matches"] = benchmark::Counter(static_cast<double>(matches), benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(state.iterations() * int64_t{doc.CharsCount()} * 2);
}

void BM_FindAllPlain(benchmark::State& state) { StepThrough(state, {soCaseSensitive}, u"LogicalName"); }
BENCHMARK(BM_FindAllPlain)->Unit(benchmark::kMillisecond);

void BM_FindAllNoCase(benchmark::State& state) { StepThrough(state, {}, u"logicalname"); }
BENCHMARK(BM_FindAllNoCase)->Unit(benchmark::kMillisecond);

void BM_FindAllWholeWords(benchmark::State& state) { StepThrough(state, {soWholeWords}, u"Value"); }
BENCHMARK(BM_FindAllWholeWords)->Unit(benchmark::kMillisecond);

void BM_FindAllRegex(benchmark::State& state) {
  StepThrough(state, {soRegexp, soCaseSensitive}, u"Value=\"[0-9A-F]+\"");
}
BENCHMARK(BM_FindAllRegex)->Unit(benchmark::kMillisecond);

void BM_FindBackwardRegexOneStep(benchmark::State& state) {
  TKitEditDocument& doc = Document();
  for (auto _ : state) {
    auto st = doc.FindPatternFirst(doc.CharsCount(), -1, sdBackward, {soRegexp}, u"<DataObject>");
    benchmark::DoNotOptimize(st);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{doc.CharsCount()} * 2);
}
BENCHMARK(BM_FindBackwardRegexOneStep)->Unit(benchmark::kMillisecond);

void BM_ReplaceAll(benchmark::State& state) {
  TKitEditDocument& doc = Document();
  for (auto _ : state) {
    doc.ReplacePatternAll(0, -1, sdForward, {soCaseSensitive}, u"DataItem", u"DataObject", nullptr);
    state.PauseTiming();
    doc.Undo();
    doc.ClearUndo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReplaceAll)->Unit(benchmark::kMillisecond);

}  // namespace

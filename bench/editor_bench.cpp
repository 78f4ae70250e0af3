// The editor document on the sizes the program meets: a 100,000-line device description
// edited at its middle, and a log pane that grows one line at a time. Every edit runs with
// undo recording, a view listener and an OnDocChanged handler, as in the program.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/core_classes.h"
#include "cosem/logical_device.h"
#include "cosem/meter_classes.h"
#include "device_text.h"
#include "foundation/axdr_types.h"
#include "foundation/kit_support.h"
#include "kit/editor/device_schemes.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"
#include "kit/text/sys_info.h"
#include "security/key_info_options.h"

using namespace zv;

namespace {

// Stands in for a view: it looks at every notification, as the screen cache does.
struct ViewListener : TKitDocumentListener {
  int64_t seen = 0;
  void BeforeInsert(int s, int) override { seen += s; }
  void AfterInsert(int s, int) override { seen += s; }
  void BeforeDelete(int s, int) override { seen += s; }
  void AfterDelete(int s, int) override { seen += s; }
  void DoUserEventAfterDocChange() override { ++seen; }
};

// The description written as a UTF-8 file, removed at exit.
const TKitString& DeviceDescriptionFile() {
  static const struct File {
    File() : path(std::filesystem::temp_directory_path() / ("editor_bench_" + std::to_string(getpid()) + ".xml")) {
      TKitEditDocument doc;
      const TKitString text = DeviceDescription();
      doc.RefreshText(text.data(), static_cast<int>(text.size()));
      name = KitFromPlatformText(path.string());
      doc.SaveToFile(name, 65001, false);
    }
    ~File() { std::filesystem::remove(path); }
    std::filesystem::path path;
    TKitString name;
  } file;
  return file.name;
}

// Opening a device description in the editor: read, decode, index, one refresh.
void BM_LoadDeviceDescription(benchmark::State& state) {
  const TKitString& file = DeviceDescriptionFile();
  TKitEditDocument doc;
  doc.SetCodePage(65001);
  ViewListener view;
  doc.Internal().AddListener(&view);
  doc.Insert(0, u"the text before");
  for (auto _ : state) doc.LoadFromFile(file);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(KitToPlatformText(file))));
  state.counters["lines"] = doc.LinesCount();
  doc.Internal().RemoveListener(&view);
}
BENCHMARK(BM_LoadDeviceDescription)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// Loading as the device editor does: UTF-8, or Windows-1252 for a file that is not. Lines
// with an "ä" in their comment, in UTF-8 (arg 0) or in Windows-1252 (arg 1: found at the
// first line), and ASCII lines with one Windows-1252 byte at the very end (arg 2: the file
// is decoded to its end before it is read again); 100,000 and 1,000,000 lines.
void BM_LoadAsTheDeviceEditorDoes(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0)), lines = static_cast<int>(state.range(1));
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("editor_bench_load_" + std::to_string(getpid()) + ".xml");
  {
    const std::string umlaut = kind == 0 ? "\xC3\xA4" : kind == 1 ? "\xE4" : "a";
    std::string text;
    for (int i = 0; i < lines; ++i)
      text += "      <LogicalName Value=\"0000600100FF\" />  // Z" + umlaut + "hler " + std::to_string(i) + "\r\n";
    if (kind == 2) text += "\xE4";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  const TKitString name = KitFromPlatformText(path.string());
  TKitEditDocument doc;
  doc.SetCodePage(65001);
  for (auto _ : state) doc.LoadFromFileWithFallback(name, 65001, 1252);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(std::filesystem::file_size(path)));
  state.counters["codepage"] = doc.CodePage();
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadAsTheDeviceEditorDoes)->ArgNames({"kind", "lines"})->ArgsProduct({{0, 1, 2}, {100'000, 1'000'000}})
    ->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_KeystrokeAtLine50000(benchmark::State& state) {
  TKitEditDocument doc;
  doc.LoadFromFile(DeviceDescriptionFile(), 65001);
  ViewListener view;
  doc.Internal().AddListener(&view);
  int changes = 0;
  doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges) { ++changes; };
  const TKitSegment line = doc.GetLine(50'000);
  const int at = line.Start + line.Count / 2;
  const TKitString key = u"x";
  for (auto _ : state) {
    doc.Insert(at, key);   // a typed character
    doc.Delete(at, 1);     // and its backspace
  }
  benchmark::DoNotOptimize(view.seen);
  // Time per keystroke: two per iteration.
  state.counters["keystroke"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 2, benchmark::Counter::kIsRate |
                                                                          benchmark::Counter::kInvert);
  doc.Internal().RemoveListener(&view);
}
BENCHMARK(BM_KeystrokeAtLine50000)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_Append100000LogLines(benchmark::State& state) {
  const TKitString line = u"12:34:56.789 RECEIVED: <GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\" />";
  for (auto _ : state) {
    TKitEditDocument doc;
    ViewListener view;
    doc.Internal().AddListener(&view);
    int changes = 0;
    doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges) { ++changes; };
    for (int i = 0; i < 100'000; ++i) doc.AppendLine(line);
    benchmark::DoNotOptimize(doc.LinesCount());
    doc.Internal().RemoveListener(&view);
  }
}
BENCHMARK(BM_Append100000LogLines)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// The view scrolled through the 100,000-line description one page (40 lines) at a time, as
// paging down does: the screen cache rebuilds the rows of the new page, the view repaints
// them and moves the caret. Fake metrics (8-pixel characters); with wrapping the rows break
// at the window's width.
void BM_ScrollPageByPage(benchmark::State& state) {
  const bool wrap = state.range(0) != 0;
  TKitEditDocument doc;
  const TKitString text = DeviceDescription();
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  TFakeEditHost host;
  host.Client = {0, 0, 560, 40 * 16};
  TKitEditView view(host);
  view.SetDocument(&doc);
  if (wrap) view.SetWrapMode(wmWrapToWindow);
  TScreenCache& cache = view.ScreenCache();
  const int page = view.FullLinesOnScreen();
  int64_t pages = 0;
  for (auto _ : state) {
    view.BeginUpdate();
    const int top = cache.FirstLineScroll();
    cache.Scroll(page);
    if (cache.FirstLineScroll() == top) cache.SetFirstLineAsScroll(0);  // at the end: from the top again
    view.EndUpdate();
    host.ResetRecords();
    ++pages;
  }
  state.counters["rows"] = cache.CalkVisibleCountScroll();
  benchmark::DoNotOptimize(pages);
}
BENCHMARK(BM_ScrollPageByPage)->ArgName("wrap")->Arg(0)->Arg(1)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

// ---- Highlighting and folding a device description with the device editor's schemes ----

namespace {

// A 100,000-line device description: the example meter repeated.
const TKitString& ParsedDescription() {
  static const TKitString text = [] {
    TKitEditDocument example;
    example.LoadFromFile(KitFromPlatformText(std::string(ZV_EXAMPLES_DIR) + "/meter.xml"), 65001);
    TKitString all;
    for (int i = 0; i < 100'000; ++i) {
      all += KitSegmentToStr(example.GetLine(i % example.LinesCount()));
      all += u"\r\n";
    }
    return all;
  }();
  return text;
}

// The description in the document with the device editor's schemes loaded.
void LoadDeviceSchemes(TKitEditDocument& ADoc) {
  const TKitString& text = ParsedDescription();
  ADoc.RefreshText(text.data(), static_cast<int>(text.size()));
  [[maybe_unused]] static const bool registered = [] {
    for (const TypeTable* table : {&FoundationTypes(), &BasicClassTypes(), &MeterClassTypes(), &CommunicationTypes(),
                                   &CoreClassTypes(), &SecurityTypes(), &CosemTypes()})
      TKitSupport::AddTypeTable(*table);
    return true;
  }();
  KitSetDeviceSchemes(ADoc);
}

// From an unparsed text to the end of its outermost fold: every line is parsed once with
// its tokens and syntax blocks.
void BM_ParseDeviceDescriptionToEnd(benchmark::State& state) {
  TKitEditDocument doc;
  LoadDeviceSchemes(doc);
  TKitEditParserBase& parser = doc.GetParser();
  for (auto _ : state) {
    parser.Refresh();
    parser.EnsureLineParsed(doc.LinesCount() - 1);
    benchmark::DoNotOptimize(parser.GetFoldEnd(9));
  }
  state.counters["lines"] = doc.LinesCount();
}
BENCHMARK(BM_ParseDeviceDescriptionToEnd)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// A typed character at line 50,000 and the re-highlighting of the 50 lines on screen, as
// the view asks for them after the keystroke.
void BM_ReparseScreenAfterKeystroke(benchmark::State& state) {
  TKitEditDocument doc;
  LoadDeviceSchemes(doc);
  TKitEditParserBase& parser = doc.GetParser();
  struct Counter : TKitTokenHandler {
    int64_t tokens = 0;
    void HandleToken(const TKitSegment&, int, const TKitEditAttributes&) override { ++tokens; }
  } counter;
  constexpr int top = 50'000;
  for (int i = top; i < top + 50; ++i) parser.MarkTokens(i, counter);
  const TKitSegment line = doc.GetLine(top);
  const int at = line.Start + line.Count / 2;
  bool typed = false;
  for (auto _ : state) {
    if (typed) doc.Delete(at, 1);  // the backspace is the next keystroke
    else doc.Insert(at, u"x");
    typed = !typed;
    for (int i = top; i < top + 50; ++i) parser.MarkTokens(i, counter);
  }
  benchmark::DoNotOptimize(counter.tokens);
}
BENCHMARK(BM_ReparseScreenAfterKeystroke)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// Every line's tokens from the top to the bottom, as a view scrolled through the whole
// description would ask for them.
void BM_TokensOfEveryLine(benchmark::State& state) {
  TKitEditDocument doc;
  LoadDeviceSchemes(doc);
  TKitEditParserBase& parser = doc.GetParser();
  int64_t tokens = 0;
  for (auto _ : state) {
    parser.Refresh();
    for (int i = 0; i < doc.LinesCount(); ++i) tokens += parser.GetParsedLine(i)->TokenCount();
  }
  benchmark::DoNotOptimize(tokens);
}
BENCHMARK(BM_TokensOfEveryLine)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// Typing in the middle of the 100,000-line description through the view: each character
// is a key press looked up in the bindings and then typed through the command dispatcher
// (word typing, undo grouping, the caret, the rows on screen rebuilt with the tokens of
// the device editor's schemes, scroll bars and invalidation of the fake window). One
// iteration is one keystroke; every line typed ends with Return and its indentation.
void BM_TypingThroughTheDispatcher(benchmark::State& state) {
  TKitEditDocument doc;
  LoadDeviceSchemes(doc);
  TFakeEditHost host;
  TKitEditView view(host);
  view.SetDocument(&doc);
  view.GotoPhysLine(50'001);
  view.InvokeCommand(sedLineEnd);
  const TKitString typed = u"      <Unsigned Value=\"5\" />\r";
  size_t next = 0;
  for (auto _ : state) {
    const char16_t ch = typed[next];
    next = (next + 1) % typed.size();
    uint16_t key = ch == u'\r' ? kVkReturn : ch == u' ' ? kVkSpace : 0xBA;
    if (ch >= u'a' && ch <= u'z') key = static_cast<uint16_t>(ch - u'a' + u'A');
    view.KeyDown(key, 0);
    view.KeyPress(ch);
    host.ResetRecords();
  }
}
BENCHMARK(BM_TypingThroughTheDispatcher)->Iterations(10'000)->Repetitions(7)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

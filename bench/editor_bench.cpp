// The editor document on the sizes the program meets: device descriptions of 10,000 to
// 1,000,000 lines (one with a 250,000-entry load profile) typed on at their start, middle
// and end, loaded and fully parsed, and a log pane that grows one line at a time. Every edit
// records undo; the document cases also run a view listener and an OnDocChanged handler.
// Where QScintilla is installed, its engine does the same on the same texts in the same run.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
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
#include "kit/editor/line_parser.h"
#include "kit/editor/parser_facade.h"
#include "kit/text/sys_info.h"
#include "security/key_info_options.h"

#ifdef ZV_HAVE_QSCINTILLA
#include <Qsci/qsciscintilla.h>
#include <Qsci/qscilexerxml.h>

#include <QApplication>
#include <QFile>
#endif

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

// A text written as a UTF-8 file, removed at exit.
struct TextFile {
  TextFile(const std::string& AStem, const TKitString& AText)
      : path(std::filesystem::temp_directory_path() / (AStem + std::to_string(getpid()) + ".xml")) {
    TKitEditDocument doc;
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    name = KitFromPlatformText(path.string());
    doc.SaveToFile(name, 65001, false);
  }
  ~TextFile() { std::filesystem::remove(path); }
  std::filesystem::path path;
  TKitString name;
};

const TKitString& DeviceDescriptionFile() {
  static const TextFile file("editor_bench_", DeviceDescription());
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

// The example meter's lines.
const std::vector<TKitString>& MeterLines() {
  static const std::vector<TKitString> lines = [] {
    TKitEditDocument example;
    example.LoadFromFile(KitFromPlatformText(std::string(ZV_EXAMPLES_DIR) + "/meter.txt"), 65001);
    std::vector<TKitString> all;
    for (int i = 0; i < example.LinesCount(); ++i) all.push_back(KitSegmentToStr(example.GetLine(i)));
    return all;
  }();
  return lines;
}

// ALines lines: the example meter repeated.
TKitString MeterCopies(int ALines) {
  const std::vector<TKitString>& meter = MeterLines();
  TKitString all;
  for (int i = 0; i < ALines; ++i) {
    all += meter[static_cast<size_t>(i) % meter.size()];
    all += u"\r\n";
  }
  return all;
}

// A 100,000-line device description: the example meter repeated.
const TKitString& ParsedDescription() {
  static const TKitString text = MeterCopies(100'000);
  return text;
}

// The description in the document with the device editor's schemes loaded.
void LoadDeviceSchemes(TKitEditDocument& ADoc, const TKitString& text = ParsedDescription()) {
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

// ---- One keystroke anywhere, side by side with QScintilla ------------------------------------
//
// Descriptions of 10,000, 100,000 and 1,000,000 lines made of the example meter repeated, and
// one of about 1,000,000 lines whose load profile holds 250,000 entries. A keystroke is typed
// on each of the 50 lines on screen in turn (in the first attribute value, or at the end of a
// line without one) and taken back by the next, and the screen is re-highlighted after each.

// The example meter with AEntries entries in its load profile's buffer.
TKitString ProfileDescription(int AEntries) {
  const std::vector<TKitString>& meter = MeterLines();
  TKitString all;
  size_t i = 0;
  for (; i < meter.size() && meter[i].find(u"<Array Qty=") == TKitString::npos; ++i) all += meter[i] + u"\r\n";
  all += u"        <Array Qty=\"AUTO\" >\r\n";
  char16_t value[9];
  for (int e = 0; e < AEntries; ++e) {
    const unsigned v = 0x0012D5F1u + static_cast<unsigned>(e) * 75u;
    for (int k = 0; k < 8; ++k) value[k] = u"0123456789ABCDEF"[(v >> (28 - 4 * k)) & 15];
    value[8] = 0;
    all += u"          <Structure Qty=\"0002\" >\r\n"
           u"            <OctetString Value=\"07E8060F06000000FF800000\" />\r\n"
           u"            <DoubleLongUnsigned Value=\"";
    all += value;
    all += u"\" />\r\n          </Structure>\r\n";
  }
  for (++i; i < meter.size() && meter[i].find(u"</Array>") == TKitString::npos; ++i) {}
  for (; i < meter.size(); ++i) all += meter[i] + u"\r\n";
  return all;
}

// The texts of the table, made once: 0..2 the meter copies, 3 the large profile.
const TKitString& KeystrokeText(int AKind) {
  static TKitString texts[4];
  TKitString& t = texts[AKind];
  if (AKind == 1) return ParsedDescription();
  if (t.empty()) t = AKind == 3 ? ProfileDescription(250'000) : MeterCopies(AKind == 0 ? 10'000 : 1'000'000);
  return t;
}

// The first line on screen for a position: 0 start, 1 middle, 2 end. In the meter copies
// the screen shows the same lines of a copy everywhere (its registers and the start of its
// load profile), so that only the position differs.
int ScreenTop(int AKind, int ALines, int AWhere) {
  if (AKind == 3) return AWhere == 0 ? 20 : AWhere == 1 ? ALines / 2 : ALines - 60;
  const int meter = static_cast<int>(MeterLines().size());
  const int copies = (ALines - 1) / meter;
  return (AWhere == 0 ? 0 : AWhere == 1 ? copies / 2 : copies - 1) * meter + 1230;
}

// Where a keystroke goes in a line: after the first quote (an attribute value) or after the
// first letter of the element name (which changes the line's folds), else at the end.
int TypingColumn(const char16_t* ALine, int ACount, bool AInName) {
  for (int i = 0; i + 1 < ACount; ++i)
    if (AInName ? ALine[i] == u'<' : ALine[i] == u'"') return AInName ? i + 2 + (ALine[i + 1] == u'/') : i + 1;
  return ACount;
}

constexpr int kScreenLines = 50;

struct TokenCounter : TKitTokenHandler {
  int64_t tokens = 0;
  void HandleToken(const TKitSegment&, int, const TKitEditAttributes&) override { ++tokens; }
};

// Paging down a screen at a time through the 100,000-line description after it was parsed
// to its end: the lines are parsed again for their tokens, with their whole state.
void BM_PagingThroughAParsedDescription(benchmark::State& state) {
  TKitEditDocument doc;
  LoadDeviceSchemes(doc);
  TKitEditParserBase& parser = doc.GetParser();
  parser.EnsureLineParsed(doc.LinesCount() - 1);
  TokenCounter counter;
  int top = 0;
  for (auto _ : state) {
    for (int i = top; i < top + kScreenLines; ++i) parser.MarkTokens(i, counter);
    top += kScreenLines;
    if (top + kScreenLines > doc.LinesCount()) top = 0;
  }
  benchmark::DoNotOptimize(counter.tokens);
}
BENCHMARK(BM_PagingThroughAParsedDescription)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Typed in attribute values (in 0) or in element names (in 1).
void KeystrokeArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"text", "at", "in"});
  for (int in = 0; in < 2; ++in)
    for (int text = 0; text < 4; ++text)
      for (int at = 0; at < 3; ++at) b->Args({text, at, in});
}

// Text 0..2: 10,000, 100,000, 1,000,000 lines; 3: the 250,000-entry profile.
void BM_KeystrokeAndScreen(benchmark::State& state) {
  const TKitString& text = KeystrokeText(static_cast<int>(state.range(0)));
  TKitEditDocument doc;
  LoadDeviceSchemes(doc, text);
  TKitEditParserBase& parser = doc.GetParser();
  TokenCounter counter;
  const int lines = doc.LinesCount();
  const int top = ScreenTop(static_cast<int>(state.range(0)), lines, static_cast<int>(state.range(1)));
  // The whole description is known, as after its outermost fold was asked for.
  parser.EnsureLineParsed(lines - 1);
  parser.GetFoldEnd(0);
  for (int i = top; i < top + kScreenLines; ++i) parser.MarkTokens(i, counter);
  const TParserImpl::TCounters before = static_cast<TKitEditParser&>(parser).Impl().Counters;
  int step = 0;
  int at = 0;
  for (auto _ : state) {
    if (step % 2 == 0) {
      const TKitSegment seg = doc.GetLine(top + (step / 2) % kScreenLines);
      const TKitString chars = KitSegmentToStr(seg);
      at = seg.Start + TypingColumn(chars.data(), seg.Count, state.range(2) != 0);
      doc.Insert(at, u"x");
    } else {
      doc.Delete(at, 1);  // the backspace is the next keystroke
    }
    ++step;
    for (int i = top; i < top + kScreenLines; ++i) parser.MarkTokens(i, counter);
  }
  benchmark::DoNotOptimize(counter.tokens);
  state.counters["lines"] = lines;
  const TParserImpl::TCounters& c = static_cast<TKitEditParser&>(parser).Impl().Counters;
  state.counters["parsed_per_key"] = static_cast<double>(c.LinesParsed - before.LinesParsed) / std::max(step, 1);
  state.counters["alone"] = static_cast<double>(c.Rechecks - before.Rechecks) / std::max(step, 1);
}
BENCHMARK(BM_KeystrokeAndScreen)->Apply(KeystrokeArgs)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Memory held by the document and its parser after a full parse of 1,000,000 lines, per
// character of the text: all, and the parser's share (after the text was loaded).
size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_MemoryAfterFullParse(benchmark::State& state) {
  const TKitString& text = KeystrokeText(2);
  double all = 0, parser = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    auto doc = std::make_unique<TKitEditDocument>();
    LoadDeviceSchemes(*doc, text);
    const size_t loaded = HeapInUse();
    doc->GetParser().EnsureLineParsed(doc->LinesCount() - 1);
    doc->GetParser().GetFoldEnd(0);
    const size_t parsed = HeapInUse();
    all = static_cast<double>(parsed - before) / static_cast<double>(text.size());
    parser = static_cast<double>(parsed - loaded) / static_cast<double>(text.size());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_char"] = all;
  state.counters["parser_bytes_per_char"] = parser;
}
BENCHMARK(BM_MemoryAfterFullParse)->Iterations(1)->Unit(benchmark::kMillisecond);

// A warm load of the 100,000-line description from a UTF-8 file, and the same with every line
// highlighted.
const TKitString& MeterFile() {
  static const TextFile file("editor_bench_meter_", KeystrokeText(1));
  return file.name;
}

void BM_Load100000Lines(benchmark::State& state) {
  const bool highlight = state.range(0) != 0;
  const TKitString& file = MeterFile();
  TKitEditDocument doc;
  LoadDeviceSchemes(doc, KeystrokeText(0));
  doc.LoadFromFile(file, 65001);
  for (auto _ : state) {
    doc.LoadFromFile(file, 65001);
    if (highlight) doc.GetParser().EnsureLineParsed(doc.LinesCount() - 1);
  }
  state.counters["lines"] = doc.LinesCount();
}
BENCHMARK(BM_Load100000Lines)->ArgName("highlight")->Arg(0)->Arg(1)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

#ifdef ZV_HAVE_QSCINTILLA

// QScintilla with its XML lexer and folding, on the same texts in UTF-8; its change
// notifications are masked, so that only its engine is measured.
QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_editor";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

struct QsciEditor {
  QsciEditor() {
    Application();
    editor = std::make_unique<QsciScintilla>();
    lexer = std::make_unique<QsciLexerXML>();
    editor->setUtf8(true);
    editor->setLexer(lexer.get());
    editor->setFolding(QsciScintilla::BoxedTreeFoldStyle);
    editor->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0UL);
  }
  ~QsciEditor() {
    editor->setLexer(nullptr);
    editor.reset();
  }
  long Send(unsigned int AMsg, unsigned long AW = 0, long AL = 0) { return editor->SendScintilla(AMsg, AW, AL); }
  void SetText(const QByteArray& AUtf8) { editor->SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, AUtf8.constData()); }
  void Colourise(long AFrom, long ATo) { Send(QsciScintillaBase::SCI_COLOURISE, static_cast<unsigned long>(AFrom), ATo); }
  long LineStart(int ALine) { return Send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(ALine)); }
  std::unique_ptr<QsciScintilla> editor;
  std::unique_ptr<QsciLexerXML> lexer;
};

QByteArray Utf8(const TKitString& AText) {
  return QString::fromUtf16(AText.data(), static_cast<qsizetype>(AText.size())).toUtf8();
}

void BM_QsciKeystrokeAndScreen(benchmark::State& state) {
  const TKitString& text = KeystrokeText(static_cast<int>(state.range(0)));
  QsciEditor q;
  q.SetText(Utf8(text));
  q.Colourise(0, -1);
  const int lines = static_cast<int>(q.Send(QsciScintillaBase::SCI_GETLINECOUNT));
  const int top = ScreenTop(static_cast<int>(state.range(0)), lines, static_cast<int>(state.range(1)));
  int step = 0;
  long at = 0;
  for (auto _ : state) {
    if (step % 2 == 0) {
      const int line = top + (step / 2) % kScreenLines;
      const long start = q.LineStart(line);
      at = q.Send(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
      const QByteArray chars = q.editor->text(line).toUtf8();
      const TKitString wide(chars.begin(), chars.end());  // the description is ASCII
      at = start + TypingColumn(wide.data(), static_cast<int>(at - start), state.range(2) != 0);
      q.editor->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, static_cast<unsigned long>(at), "x");
    } else {
      q.Send(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(at), 1);
    }
    ++step;
    q.Colourise(q.LineStart(top), q.LineStart(top + kScreenLines));
  }
  state.counters["lines"] = lines;
}
BENCHMARK(BM_QsciKeystrokeAndScreen)->Apply(KeystrokeArgs)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_QsciMemoryAfterFullParse(benchmark::State& state) {
  const TKitString& text = KeystrokeText(2);
  const QByteArray utf8 = Utf8(text);
  double all = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    auto q = std::make_unique<QsciEditor>();
    q->SetText(utf8);
    q->Colourise(0, -1);
    all = static_cast<double>(HeapInUse() - before) / static_cast<double>(text.size());
    state.PauseTiming();
    q.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_char"] = all;
}
BENCHMARK(BM_QsciMemoryAfterFullParse)->Iterations(1)->Unit(benchmark::kMillisecond);

// The file read and decoded as QsciScintilla::read does, with or without highlighting.
void BM_QsciLoad100000Lines(benchmark::State& state) {
  const bool highlight = state.range(0) != 0;
  const QString file = QString::fromUtf16(MeterFile().data(), static_cast<qsizetype>(MeterFile().size()));
  QsciEditor q;
  for (auto _ : state) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    q.editor->read(&f);
    if (highlight) q.Colourise(0, -1);
  }
  state.counters["lines"] = static_cast<double>(q.Send(QsciScintillaBase::SCI_GETLINECOUNT));
}
BENCHMARK(BM_QsciLoad100000Lines)->ArgName("highlight")->Arg(0)->Arg(1)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

#endif
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

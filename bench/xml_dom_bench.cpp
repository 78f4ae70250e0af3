// The XML document model on 5 MB: a scheme-like document (the syntax editor's schemes:
// elements with several attributes, keyword lists, regular expressions with entities,
// comments) loaded from bytes and from a string, and rendered back; and a device
// description loaded by the document model beside foundation's device-description reader
// (which scans the tags and looks their names up). Throughput is of the input bytes (of
// the rendered characters for rendering).
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "foundation/xml_parser.h"
#include "kit/text/unicode.h"
#include "kit/text/xml_dom.h"

namespace zv {
namespace {

constexpr size_t Size = 5 << 20;

std::string SchemeText() {
  std::string s = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<SchemeList root=\"Main\">\r\n";
  for (int n = 0; s.size() < Size; ++n) {
    const std::string id = std::to_string(n);
    s += "  <!-- scheme " + id + ": strings, comments and keywords -->\r\n";
    s += "  <Scheme name=\"S" + id + "\" allIgnoreCase=\"1\" defaultToken=\"default\" inherit=\"Base\">\r\n";
    s += "    <Regex priority=\"5\" token0=\"comment\" lineBound=\"1\">//.*$</Regex>\r\n";
    s += "    <Regex token0=\"number\">\\b(0x[0-9A-F]+|\\d+)\\b</Regex>\r\n";
    s += "    <RegexBlock innerScheme=\"String\" start_token0=\"string\" end_token0=\"string\">\r\n"
         "      <Start>&quot;</Start>\r\n      <End>(?&lt;!\\\\)&quot;</End>\r\n    </RegexBlock>\r\n";
    s += "    <Keywords>LogicalDevice Name ServerSAP COSEMObjectList RegisterObject DataObject ClockObject "
         "Value Qty Structure Array OctetString Unsigned LongUnsigned DoubleLongUnsigned</Keywords>\r\n";
    s += "    <SyntaxBlock name=\"tag" + id + "\" start=\"open &amp; name\" end=\"close\"/>\r\n";
    s += "  </Scheme>\r\n";
  }
  return s + "</SchemeList>\r\n";
}

// The example device description without its "//" comment lines, which the document
// model would read as text, repeated to the size.
std::string DeviceText() {
  std::ifstream f(ZV_EXAMPLES_DIR "/meter.txt", std::ios::binary);
  std::string one, line;
  while (std::getline(f, line)) {
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line.compare(first, 2, "//") == 0) continue;
    one += line + "\n";
  }
  if (one.empty()) one = "<LogicalDevice>\n  <Name Value=\"\\X\" />\n</LogicalDevice>\n";
  std::string all;
  while (all.size() < Size) all += one;
  return all;
}

const std::string& Scheme() {
  static const std::string text = SchemeText();
  return text;
}

const std::string& Device() {
  static const std::string text = DeviceText();
  return text;
}

IKitXmlDocument NewDocument() { return TKitXmlDocument::Create(std::make_shared<TKitXmlNameTable>(4096, true)); }

void LoadBytes(benchmark::State& State, const std::string& Text) {
  for (auto _ : State) {
    TKitMemoryStream stream(TKitByteArray(Text.begin(), Text.end()));
    const IKitXmlDocument doc = NewDocument();
    doc->Load(stream);
    benchmark::DoNotOptimize(doc->ChildNodes()->Count());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

void BM_SchemeLoadBytes(benchmark::State& State) { LoadBytes(State, Scheme()); }
BENCHMARK(BM_SchemeLoadBytes)->Unit(benchmark::kMillisecond);

// The scheme loader's path: a string in memory, KitLoadXmlFromString.
void BM_SchemeLoadString(benchmark::State& State) {
  const TKitString text = KitAnsiToString(Scheme());
  for (auto _ : State) {
    const IKitXmlDocument doc = NewDocument();
    doc->LoadXML(text);
    benchmark::DoNotOptimize(doc->ChildNodes()->Count());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * text.size()));
}
BENCHMARK(BM_SchemeLoadString)->Unit(benchmark::kMillisecond);

void BM_SchemeRender(benchmark::State& State) {
  const IKitXmlDocument doc = NewDocument();
  doc->LoadXML(KitAnsiToString(Scheme()));
  size_t chars = 0;
  for (auto _ : State) {
    const TKitString xml = doc->Xml();
    chars = xml.size();
    benchmark::DoNotOptimize(xml.data());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * chars));
}
BENCHMARK(BM_SchemeRender)->Unit(benchmark::kMillisecond);

void BM_DeviceLoadBytes(benchmark::State& State) { LoadBytes(State, Device()); }
BENCHMARK(BM_DeviceLoadBytes)->Unit(benchmark::kMillisecond);

// Foundation's reader over the same text: every token, with the name lookup of each tag.
void BM_DeviceFoundationReader(benchmark::State& State) {
  const std::string& text = Device();
  for (auto _ : State) {
    TXMLParser p(text);
    int tags = 0;
    while (p.Token() != xtEndOfBuffer) {
      if (p.Token() == xtUnknown) State.SkipWithError("unexpected text");
      if (p.Token() == xtStartTag) tags += static_cast<int>(p.Tag()) & 1;
      p.Next();
    }
    benchmark::DoNotOptimize(tags);
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * text.size()));
}
BENCHMARK(BM_DeviceFoundationReader)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zv

// The regular-expression engine beside PCRE2's interpreter (16-bit, no JIT) on 1 MB of
// device descriptions:
// - Search/...: every match of a pattern over the whole text (Exec, then ExecNext);
// - Scheme/...: the device editor's scheme patterns (extended mode) tried anchored at each
//   position of each line whose character can begin a match, as the highlighter does.
// Both engines must find the same matches (checked before timing). Compare the pairs
// Ours/<name> and Pcre2/<name>.
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kit/text/regex.h"
#include "kit/text/unicode.h"

namespace zv {
namespace {

constexpr size_t Size = 1 << 20;

const TKitString& Text() {
  static const TKitString text = [] {
    std::ifstream f(ZV_EXAMPLES_DIR "/meter.txt", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    std::string all;
    while (all.size() < Size) all += s.str();
    all.resize(Size);
    TKitString t;
    KitUTF8ToUTF16(all, t, true, false);
    return t;
  }();
  return text;
}

// [start, end) of every line, without its line break.
const std::vector<std::pair<int, int>>& Lines() {
  static const std::vector<std::pair<int, int>> lines = [] {
    std::vector<std::pair<int, int>> r;
    const TKitString& t = Text();
    size_t start = 0;
    while (start < t.size()) {
      size_t end = t.find(u'\n', start);
      if (end == TKitString::npos) end = t.size();
      size_t stop = end;
      if (stop > start && t[stop - 1] == u'\r') --stop;
      r.emplace_back(static_cast<int>(start), static_cast<int>(stop));
      start = end + 1;
    }
    return r;
  }();
  return lines;
}

struct TPattern {
  const char* Name;
  const char16_t* Expr;
  bool Extended;
};

// The patterns of the device editor's syntax scheme.
const TPattern kScheme[] = {
    {"FullTag", u"< .*? />", true},
    {"OpenTag", u"< ([\\w_]+).*?>", true},
    {"CloseTag", u"< / ([\\w_]+).*?>", true},
    {"CommentStart", u"\\(\\*", true},
    {"CommentEnd", u"\\*\\)", true},
    {"LineComment", u"//.*$", true},
    {"String", u"\" .*? \"", true},
    {"Keyword", u"\\b[a-z_A-Z0-9]+\\b", true},
};

// Searches a user might type.
const TPattern kSearch[] = {
    {"Literal", u"AccessMode", false},
    {"LiteralNoCase", u"(?i)accessmode", false},
    {"HexValue", u"Value=\"([0-9A-F]+)\"", false},
    {"EmptyElement", u"<(\\w+)[^>]*/>", false},
    {"Digits", u"\\d{4,}", false},
    {"Alternatives", u"Name|Version|Qty", false},
    {"Group", u"LogicalName Value=\"0000(\\w\\w)", false},
};

class TPcre {
 public:
  explicit TPcre(const TPattern& P) {
    int err;
    PCRE2_SIZE off;
    const TKitString e = P.Expr;
    FCode = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(e.data()), e.size(),
                          PCRE2_DOTALL | (P.Extended ? PCRE2_EXTENDED : 0), &err, &off, nullptr);
    FData = pcre2_match_data_create_from_pattern(FCode, nullptr);
  }
  ~TPcre() {
    pcre2_match_data_free(FData);
    pcre2_code_free(FCode);
  }
  TPcre(const TPcre&) = delete;
  TPcre& operator=(const TPcre&) = delete;

  // Match length at AStart, or -1.
  int Match(const TKitString& T, int AStart, int AEnd, bool AAnchored, int& AFound) {
    const int rc = pcre2_match(FCode, reinterpret_cast<PCRE2_SPTR>(T.data()), static_cast<PCRE2_SIZE>(AEnd),
                               static_cast<PCRE2_SIZE>(AStart), AAnchored ? PCRE2_ANCHORED : 0, FData, nullptr);
    if (rc < 0) return -1;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(FData);
    AFound = static_cast<int>(ov[0]);
    return static_cast<int>(ov[1] - ov[0]);
  }
 private:
  pcre2_code* FCode = nullptr;
  pcre2_match_data* FData = nullptr;
};

// Every match over the text: (position, length) pairs hashed into a checksum.
uint64_t SearchOurs(TKitRegExp& R) {
  uint64_t sum = 0;
  for (bool ok = R.Exec(); ok; ok = R.ExecNext())
    sum = sum * 31 + static_cast<uint64_t>(R.GetMatchPos(0) - 1) * 7 + static_cast<uint64_t>(R.GetMatchLen(0));
  return sum;
}

uint64_t SearchPcre(TPcre& P) {
  const TKitString& t = Text();
  const int n = static_cast<int>(t.size());
  uint64_t sum = 0;
  int start = 0, found = 0;
  while (start <= n) {
    const int len = P.Match(t, start, n, false, found);
    if (len < 0) break;
    sum = sum * 31 + static_cast<uint64_t>(found) * 7 + static_cast<uint64_t>(len);
    start = found + (len == 0 ? 1 : len);
  }
  return sum;
}

// The highlighter's loop: at each position of a line whose code can begin a match, an
// anchored attempt limited to the line; a match skips past itself.
uint64_t SchemeOurs(TKitRegExp& R) {
  bool unicode = false;
  const TKitSetOfByte first = R.GetFirstCharSetAnsi(unicode);
  const TKitString& t = Text();
  uint64_t sum = 0;
  for (auto [start, end] : Lines()) {
    for (int p = start; p < end;) {
      const char16_t c = t[static_cast<size_t>(p)];
      if ((c < 256 ? first.Contains(c) : unicode) && R.Exec(p + 1, end - p) && R.GetMatchLen(0) > 0) {
        sum = sum * 31 + static_cast<uint64_t>(p) * 7 + static_cast<uint64_t>(R.GetMatchLen(0));
        p += R.GetMatchLen(0);
      } else {
        ++p;
      }
    }
  }
  return sum;
}

uint64_t SchemePcre(TPcre& P, const TKitSetOfByte& AFirst, bool AUnicode) {
  const TKitString& t = Text();
  uint64_t sum = 0;
  int found = 0;
  for (auto [start, end] : Lines()) {
    for (int p = start; p < end;) {
      const char16_t c = t[static_cast<size_t>(p)];
      int len = -1;
      if (c < 256 ? AFirst.Contains(c) : AUnicode) len = P.Match(t, p, end, true, found);
      if (len > 0) {
        sum = sum * 31 + static_cast<uint64_t>(p) * 7 + static_cast<uint64_t>(len);
        p += len;
      } else {
        ++p;
      }
    }
  }
  return sum;
}

void Configure(TKitRegExp& R, const TPattern& P, bool AAnchored) {
  R.SetModifierX(P.Extended);
  R.SetModifierA(AAnchored);
  R.SetExpression(P.Expr);
}

void BM_SearchOurs(benchmark::State& State, const TPattern& P) {
  TKitRegExp r;
  Configure(r, P, false);
  r.SetInputText(Text());
  TPcre pcre(P);
  const uint64_t want = SearchPcre(pcre);
  if (SearchOurs(r) != want) State.SkipWithError("different matches than PCRE2");
  for (auto _ : State) benchmark::DoNotOptimize(SearchOurs(r));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Size));
}

void BM_SearchPcre(benchmark::State& State, const TPattern& P) {
  TPcre pcre(P);
  for (auto _ : State) benchmark::DoNotOptimize(SearchPcre(pcre));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Size));
}

void BM_SchemeOurs(benchmark::State& State, const TPattern& P) {
  TKitRegExp r;
  Configure(r, P, true);
  r.SetInputText(Text());
  TPcre pcre(P);
  bool unicode = false;
  const TKitSetOfByte first = r.GetFirstCharSetAnsi(unicode);
  if (SchemeOurs(r) != SchemePcre(pcre, first, unicode)) State.SkipWithError("different matches than PCRE2");
  for (auto _ : State) benchmark::DoNotOptimize(SchemeOurs(r));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Size));
}

void BM_SchemePcre(benchmark::State& State, const TPattern& P) {
  TKitRegExp r;
  Configure(r, P, true);
  bool unicode = false;
  const TKitSetOfByte first = r.GetFirstCharSetAnsi(unicode);
  TPcre pcre(P);
  for (auto _ : State) benchmark::DoNotOptimize(SchemePcre(pcre, first, unicode));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Size));
}

int Register() {
  for (const TPattern& p : kScheme) {
    benchmark::RegisterBenchmark((std::string("Scheme/Ours/") + p.Name).c_str(), BM_SchemeOurs, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Scheme/Pcre2/") + p.Name).c_str(), BM_SchemePcre, p)
        ->Unit(benchmark::kMillisecond);
  }
  for (const TPattern& p : kScheme) {
    benchmark::RegisterBenchmark((std::string("Search/Ours/") + p.Name).c_str(), BM_SearchOurs, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Search/Pcre2/") + p.Name).c_str(), BM_SearchPcre, p)
        ->Unit(benchmark::kMillisecond);
  }
  for (const TPattern& p : kSearch) {
    benchmark::RegisterBenchmark((std::string("Search/Ours/") + p.Name).c_str(), BM_SearchOurs, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Search/Pcre2/") + p.Name).c_str(), BM_SearchPcre, p)
        ->Unit(benchmark::kMillisecond);
  }
  return 0;
}

const int kRegistered = Register();

}  // namespace
}  // namespace zv

// Arbitrary searches over arbitrary texts: patterns that are plain or regular expressions
// (broken ones included), every option and both directions, stepping, replace-all, word
// navigation, and the view's search and replacement with scripted answers. No step may
// crash, hang or fail an assertion; a plain case-sensitive forward search finds exactly
// the matches a naive scan finds, replace-all gives the naive replacement and one undo
// brings the text back, and stepping always moves on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_script.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"
#include "kit/text/regex.h"

using namespace zv;

namespace {

using fuzz::Check;
using fuzz::Script;

constexpr char16_t kAlphabet[] = {u'a', u'b', u'A', u' ', u'\r', u'\n', u'.', u'*', u'(', u'[', u'$', u'\\'};

TKitString TextOf(TKitEditDocument &ADoc) { return KitSegmentToStr(KitWholeSegment(ADoc.Chars())); }

std::vector<int> NaiveMatches(const TKitString &AText, const TKitString &APattern) {
  std::vector<int> r;
  if (APattern.empty()) return r;
  for (size_t i = AText.find(APattern); i != TKitString::npos; i = AText.find(APattern, i + APattern.size()))
    r.push_back(static_cast<int>(i));
  return r;
}

void Searches(TKitEditDocument &doc, const TKitString &text, const TKitString &pattern,
              TKitEditSearchOptions opts, TKitEditSearchDirection dir) {
  const int n = doc.CharsCount();
  const int start = dir == sdForward ? 0 : n;
  TKitEditFindReplaceStatePtr st;
  try {
    st = doc.FindPatternFirst(start, -1, dir, opts, pattern);
  } catch (const EKitRegExprError &) {
    Check(opts.Contains(soRegexp));
    return;
  }
  std::vector<int> found;
  int last = dir == sdForward ? -1 : n + 1;
  for (int steps = 0; st; ++steps) {
    Check(steps <= n + 2);
    const TKitSegment m = st->FoundSegment;
    Check(m.Start >= 0 && m.Count >= 0 && m.Start + m.Count <= n);
    // Every step moves on.
    Check(dir == sdForward ? m.Start > last : m.Start < last);
    last = m.Start;
    found.push_back(m.Start);
    if (!doc.FindPatternNext(*st)) break;
  }
  if (opts == TKitEditSearchOptions{soCaseSensitive} && dir == sdForward) Check(found == NaiveMatches(text, pattern));
}

void ReplaceAll(TKitEditDocument &doc, const TKitString &text, const TKitString &pattern,
                const TKitString &replacement, TKitEditSearchOptions opts, TKitEditSearchDirection dir) {
  TKitEditFindReplaceStatePtr st;
  try {
    st = doc.ReplacePatternAll(dir == sdForward ? 0 : doc.CharsCount(), -1, dir, opts, replacement, pattern, nullptr);
  } catch (const EKitRegExprError &) {
    Check(opts.Contains(soRegexp));
    Check(TextOf(doc) == text);
    return;
  }
  if (opts == TKitEditSearchOptions{soCaseSensitive} && dir == sdForward) {
    TKitString expected;
    size_t at = 0;
    for (int m : NaiveMatches(text, pattern)) {
      expected += text.substr(at, static_cast<size_t>(m) - at) + replacement;
      at = static_cast<size_t>(m) + pattern.size();
    }
    expected += text.substr(std::min(at, text.size()));
    Check(TextOf(doc) == expected);
  }
  if (doc.CanUndo()) doc.Undo();
  Check(TextOf(doc) == text);
}

void Words(Script &s, TKitEditDocument &doc) {
  const int n = doc.CharsCount();
  const TKitString seps = s.Byte() % 2 ? TKitString{} : TKitString{u"."};
  for (int i = 0; i < 4; ++i) {
    const int a = static_cast<int>(s.Byte()) % (n + 1);
    const int m = static_cast<int>(s.Byte() % 8) - 1;
    for (int r : {doc.FindNextWordStart(a, m, seps), doc.FindPrevWordStart(a, m, seps),
                  doc.FindNextWordEnd(a, m, seps), doc.FindPrevWordEnd(a, m, seps)})
      Check(r >= -1 && r <= n);
    const TKitSegment w = doc.FindNearWord(a, m, seps, s.Byte() % 2 != 0);
    Check(w.Start == -1 || (w.Start >= 0 && w.Start + w.Count <= n));
  }
}

void ViewSession(Script &s, const TKitString &text, const TKitString &pattern, const TKitString &replacement,
                 TKitEditSearchOptions opts) {
  TFakeEditHost host;
  TKitEditDocument doc;
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  TKitEditView view(host);
  view.SetDocument(&doc);
  static const TKitPromptResult answers[] = {prYes, prNo, prCancel};
  for (int i = 0; i < 16; ++i) host.FakePrompter().Answers.push_back(answers[s.Byte() % 3]);
  const TKitEditSearchArguments args{pattern, replacement, opts, s.Byte() % 2 ? sdBackward : sdForward,
                                     s.Byte() % 2 ? ssTextStartEnd : ssCursor};
  try {
    for (int i = 0; i < 6 && s.More(); ++i) {
      switch (s.Byte() % 7) {
        case 0: view.SearchFirst(args); break;
        case 1:
          if (view.SearchState() == stInSearch) view.SearchNext();
          break;
        case 2: view.ReplaceFirst(args); break;
        case 3:
          if (view.SearchState() == stInReplace) view.ReplaceNext();
          break;
        case 4: view.ReplaceAll(args, s.Byte() % 2 ? rbSelection : rbAllText); break;
        case 5:
          view.IncludeState(siIncrementalSearch);
          view.IncrementalSearchAddChar(pattern.empty() ? u'a' : pattern[s.Byte() % pattern.size()]);
          if (s.Byte() % 2) view.IncrementalSearchBack();
          else view.IncrementalSearchForward();
          break;
        case 6: view.ExcludeState(siIncrementalSearch); break;
      }
      Check(!view.IsUpdating());
      Check(!doc.InsideCompoundEdit());
    }
  } catch (const EKitRegExprError &) {
    Check(opts.Contains(soRegexp));
  }
  Check(!view.IsUpdating());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Script s(data, size);
  const TKitString text = s.Text(kAlphabet, 40);
  const TKitString pattern = s.Text(kAlphabet, 4);
  const TKitString replacement = s.Text(kAlphabet, 3);
  TKitEditSearchOptions opts = TKitEditSearchOptions::FromBits(static_cast<uint8_t>(s.Byte() & 0x1F));
  const TKitEditSearchDirection dir = s.Byte() % 2 ? sdBackward : sdForward;
  TKitEditDocument doc;
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  Searches(doc, text, pattern, opts, dir);
  ReplaceAll(doc, text, pattern, replacement, opts, dir);
  Words(s, doc);
  // A view costs more to make than all the above; an input with no steps left has no use for one.
  if (s.More()) ViewSession(s, text, pattern, replacement, opts);
  return 0;
}

#include "kit/editor/doc_search.h"

#include <algorithm>

#include "kit/editor/edit_document.h"
#include "kit/text/regex.h"

namespace zv {

// --- the engine's input ---

TKitRegexCharSeqSource::TKitRegexCharSeqSource(TKitCharSeq& ASeq) : TKitRegexSource(256, ASeq.Count()), FSeq(ASeq) {
  Reset();
}

void TKitRegexCharSeqSource::Reset() {
  FIdxStart = 0;
  BaseIndex = 0;
  Count = FSeq.Count();
  FIdxEnd = Count;
  ResetBuffer();
}

void TKitRegexCharSeqSource::FillBuffer() {
  for (int i = FBufferStart; i < FBufferEnd; ++i) FBuffer[static_cast<size_t>(i - FBufferStart)] = FSeq.GetChar(i);
}

// --- the state ---

TSearchInternal::TSearchInternal(TKitEditDocument& ADoc)
    : Doc(&ADoc), Markers(ADoc.CreateCustomMarkers(true, false, false)) {}

TSearchInternal::~TSearchInternal() {
  ReSrc.reset();
  try {
    Markers->Clear();
    Doc->DetachCustomMarkers(Markers);
  } catch (...) {
    // A document that refuses now (painting holds its markers) keeps an empty collection.
  }
}

TKitEditFindReplaceState::TKitEditFindReplaceState() = default;

TKitEditFindReplaceState::~TKitEditFindReplaceState() {
  // The engine reads the source that Internal owns: it goes first.
  FoundRegex.reset();
  EndM.reset();
  Internal.reset();
}

// --- search ---

namespace {

bool IsCrLfAt(TKitCharSeq& AChars, int AOffset) {
  return AOffset >= 0 && AOffset + 1 < AChars.Count() && AChars.GetChar(AOffset) == u'\r' &&
         AChars.GetChar(AOffset + 1) == u'\n';
}

bool IsIn(const TKitString& ASet, char16_t C) { return ASet.find(C) != TKitString::npos; }

}  // namespace

TKitEditFindReplaceStatePtr TKitEditDocument::CreateSearchState(int AStart, int AMaxCount,
                                                                TKitEditSearchDirection ADirection,
                                                                TKitEditSearchOptions AOptions,
                                                                const TKitString& APattern) {
  const int n = CharsCount();
  const int s = KitClamp(AStart, 0, n);
  auto st = std::make_unique<TKitEditFindReplaceState>();
  st->Start = s;
  st->Pattern = APattern;
  st->Options = AOptions;
  st->Direction = ADirection;
  st->LastReplaceAction = raCancel;
  st->Internal = std::make_unique<TSearchInternal>(*this);
  const bool limited = AMaxCount >= 0;
  int end;
  if (ADirection == sdBackward) end = limited ? std::max(0, s - AMaxCount) : 0;
  else end = limited ? static_cast<int>(std::min<int64_t>(n, int64_t{s} + AMaxCount)) : n;
  st->EndM = st->Internal->Markers->CreateMark(end);
  if (AOptions.Contains(soRegexp)) {
    st->FoundRegex = std::make_unique<TKitRegExp>();
    st->FoundRegex->SetModifierI(!AOptions.Contains(soCaseSensitive));
    st->FoundRegex->SetModifierM(true);
    // "." stops at line ends; set before the pattern, as every modifier change recompiles.
    st->FoundRegex->SetModifierS(false);
    st->FoundRegex->SetExpression(APattern);
    st->Internal->ReSrc = std::make_unique<TKitRegexCharSeqSource>(FStorage);
    st->FoundRegex->SetInputSource(st->Internal->ReSrc.get());
  }
  st->FoundSegment = KitMakeSegment(s, 0, &FStorage);
  return st;
}

bool TKitEditDocument::SearchStep(TKitEditFindReplaceState& AState, int ANewStart, bool AFirst) {
  if (AState.Pattern.empty()) return false;
  TKitCharSeq& chars = FStorage;
  const int n = CharsCount();
  const bool backward = AState.Direction == sdBackward;
  // A backward search goes on before the last match, a forward one behind it.
  int b = ANewStart == -1
              ? AState.FoundSegment.Start + (backward ? 0 : AState.FoundSegment.Count)
              : ANewStart;
  b = KitClamp(b, 0, n);
  const int e = KitClamp(AState.EndM->get_Pos(), 0, n);
  if (backward ? b < e : e < b) return false;

  const bool whole = AState.Options.Contains(soWholeWords);
  const TKitString& seps = GetFullWordSeparators();
  const auto wordOk = [&](int c, int len) {
    if (!whole) return true;
    const char16_t before = c == 0 ? u' ' : chars.GetChar(c - 1);
    const char16_t after = c + len >= n ? u' ' : chars.GetChar(c + len);
    return IsIn(seps, before) && IsIn(seps, after);
  };
  // An empty match where the last one ended is the last one again.
  const bool skipEmptyAtB = !AFirst;
  int c = -1, len = 0;

  if (TKitRegExp* re = AState.FoundRegex.get()) {
    AState.Internal->ReSrc->Reset();
    re->SetExpression(AState.Pattern);
    if (!backward) {
      int from = b;
      bool first = true;
      for (;;) {
        if (!re->Exec(from, e - from)) return false;
        c = re->GetMatchPos(0);
        len = re->GetMatchLen(0);
        if (first && skipEmptyAtB && len == 0 && c == b) {
          if (b >= n) return false;
          from = b + (IsCrLfAt(chars, b) ? 2 : 1);
          if (from > e) return false;
          first = false;
          continue;
        }
        first = false;
        if (wordOk(c, len)) break;
        from = c + std::max(len, 1);
        if (from > e) return false;
      }
    } else {
      // The engine only searches forward: the last acceptable match of [e, b) wins, in one
      // pass, then the engine is brought back to it so that its groups describe it.
      int index = 0, candIndex = -1;
      for (bool ok = re->Exec(e, b - e); ok; ok = re->ExecNext(), ++index) {
        const int p = re->GetMatchPos(0), l = re->GetMatchLen(0);
        if (skipEmptyAtB && l == 0 && p == b) continue;
        if (!wordOk(p, l)) continue;
        c = p;
        len = l;
        candIndex = index;
      }
      if (candIndex < 0) return false;
      if (!re->Exec(c, len) || re->GetMatchPos(0) != c || re->GetMatchLen(0) != len) {
        // What follows the match decided it (a look-ahead): replay the pass up to it.
        bool ok = re->Exec(e, b - e);
        for (int i = 0; ok && i < candIndex; ++i) ok = re->ExecNext();
        ZV_ASSERT(ok && re->GetMatchPos(0) == c && re->GetMatchLen(0) == len);
      }
    }
  } else {
    const bool ignoreCase = !AState.Options.Contains(soCaseSensitive);
    len = static_cast<int>(AState.Pattern.size());
    for (;;) {
      if (!backward) {
        c = KitSeqFindEx(AState.Pattern, chars, b, e - b, ignoreCase);
      } else {
        // The whole match inside [e, b): its last character at b - 1 down to e + len - 1.
        const int count = b - e - len;
        c = count < 0 ? -1 : KitSeqFindBackEx(AState.Pattern, chars, b - 1, count, ignoreCase);
      }
      if (c < 0) return false;
      if (wordOk(c, len)) break;
      if (!backward) {
        b = c + len;
        if (b > e) return false;
      } else {
        b = c;
        if (b - 1 < e) return false;
      }
    }
  }
  AState.FoundSegment = KitMakeSegment(c, len, &FStorage);
  return true;
}

bool TKitEditDocument::ReplaceStep(TKitEditFindReplaceState& AState, int ANewStart, bool AFirst) {
  if (!SearchStep(AState, ANewStart, AFirst)) return false;
  const int c = AState.FoundSegment.Start, len = AState.FoundSegment.Count;
  TKitEditReplaceAction action = raReplaceAuto;
  int count = len;
  if (AState.OnReplace) {
    AState.OnReplace(this, AState, count, action);
    count = KitClamp(count, 0, std::max(0, CharsCount() - c));
  }
  switch (action) {
    case raReplaceAuto: {
      const bool substitute = AState.FoundRegex && AState.Options.Contains(soRegexp) &&
                              AState.Options.Contains(soRegexpSubstitute);
      const TKitString text = substitute ? AState.FoundRegex->Substitute(AState.Replacement) : AState.Replacement;
      Replace(c, len, text);
      AState.FoundSegment.Count = static_cast<int>(text.size());
      break;
    }
    case raReplacedByCallback: AState.FoundSegment.Count = count; break;
    case raGoNext: break;
    case raCancel:
      AState.LastReplaceAction = raCancel;
      return false;
  }
  AState.LastReplaceAction = action;
  return true;
}

TKitEditFindReplaceStatePtr TKitEditDocument::FindPatternFirst(int AOffset, const TKitString& APattern) {
  return FindPatternFirst(AOffset, -1, sdForward, {}, APattern);
}

TKitEditFindReplaceStatePtr TKitEditDocument::FindPatternFirst(int AOffset, const TKitString& APattern,
                                                               TKitEditSearchOptions AOptions) {
  return FindPatternFirst(AOffset, -1, sdForward, AOptions, APattern);
}

TKitEditFindReplaceStatePtr TKitEditDocument::FindPatternFirst(int AOffset, int AMaxCount,
                                                               TKitEditSearchOptions AOptions,
                                                               const TKitString& APattern) {
  return FindPatternFirst(AOffset, AMaxCount, sdForward, AOptions, APattern);
}

TKitEditFindReplaceStatePtr TKitEditDocument::FindPatternFirst(int AOffset, int AMaxCount,
                                                               TKitEditSearchDirection ADirection,
                                                               TKitEditSearchOptions AOptions,
                                                               const TKitString& APattern) {
  TKitEditFindReplaceStatePtr st = CreateSearchState(AOffset, AMaxCount, ADirection, AOptions, APattern);
  if (!SearchStep(*st, -1, true)) st.reset();
  return st;
}

bool TKitEditDocument::FindPatternNext(TKitEditFindReplaceState& AState) { return SearchStep(AState, -1, false); }

bool TKitEditDocument::FindPatternNext(int ANewStart, TKitEditFindReplaceState& AState) {
  return SearchStep(AState, KitClamp(ANewStart, 0, CharsCount()), false);
}

TKitEditFindReplaceStatePtr TKitEditDocument::ReplacePatternFirst(int AOffset, int AMaxCount,
                                                                  TKitEditSearchDirection ADirection,
                                                                  TKitEditSearchOptions AOptions,
                                                                  const TKitString& AReplacement,
                                                                  const TKitString& APattern) {
  return ReplacePatternFirst(AOffset, AMaxCount, ADirection, AOptions, AReplacement, APattern, nullptr);
}

TKitEditFindReplaceStatePtr TKitEditDocument::ReplacePatternFirst(
    int AOffset, int AMaxCount, TKitEditSearchDirection ADirection, TKitEditSearchOptions AOptions,
    const TKitString& AReplacement, const TKitString& APattern, const TKitEditReplaceEvent& AOnReplace) {
  TKitEditFindReplaceStatePtr st = CreateSearchState(AOffset, AMaxCount, ADirection, AOptions, APattern);
  st->Replacement = AReplacement;
  st->OnReplace = AOnReplace;
  if (!ReplaceStep(*st, -1, true)) st.reset();
  return st;
}

bool TKitEditDocument::ReplacePatternNext(TKitEditFindReplaceState& AState) { return ReplaceStep(AState, -1, false); }

bool TKitEditDocument::ReplacePatternNext(int ANewStart, TKitEditFindReplaceState& AState) {
  return ReplaceStep(AState, KitClamp(ANewStart, 0, CharsCount()), false);
}

TKitEditFindReplaceStatePtr TKitEditDocument::ReplacePatternAll(const TKitString& APattern,
                                                                const TKitString& AReplacement) {
  return ReplacePatternAll(0, -1, sdForward, {}, AReplacement, APattern, nullptr);
}

TKitEditFindReplaceStatePtr TKitEditDocument::ReplacePatternAll(int AOffset, int AMaxCount,
                                                                TKitEditSearchDirection ADirection,
                                                                TKitEditSearchOptions AOptions,
                                                                const TKitString& AReplacement,
                                                                const TKitString& APattern) {
  return ReplacePatternAll(AOffset, AMaxCount, ADirection, AOptions, AReplacement, APattern, nullptr);
}

TKitEditFindReplaceStatePtr TKitEditDocument::ReplacePatternAll(
    int AOffset, int AMaxCount, TKitEditSearchDirection ADirection, TKitEditSearchOptions AOptions,
    const TKitString& AReplacement, const TKitString& APattern, const TKitEditReplaceEvent& AOnReplace) {
  TKitEditFindReplaceStatePtr st = CreateSearchState(AOffset, AMaxCount, ADirection, AOptions, APattern);
  st->Replacement = AReplacement;
  st->OnReplace = AOnReplace;
  BeginCompoundEdit(true);
  bool found;
  try {
    found = ReplaceStep(*st, -1, true);
    for (bool ok = found; ok && st->LastReplaceAction != raCancel;) ok = ReplaceStep(*st, -1, false);
  } catch (...) {
    EndCompound(true);
    throw;
  }
  EndCompound(true);
  if (!found) st.reset();
  return st;
}

// --- words ---

TKitString TKitEditDocument::WordSeparatorsFor(const TKitString& ASeparators) const {
  if (ASeparators.empty()) return FFullWordSeparators;
  return ASeparators + u" \t\r\n";
}

namespace {

constexpr int kNoLimit = 0x3FFFFFFF;

}  // namespace

int TKitEditDocument::WordStart(int AOffset, int AMaxCount, const TKitString& ASeps, bool ARepeat, bool ABackward) {
  const int m = AMaxCount < 0 ? kNoLimit : AMaxCount;
  if (m == 0 || ASeps.empty()) return -1;
  const int n = CharsCount();
  if (!KitInRange(AOffset, 0, n))
    KitDocError("Invalid offset given for search in document: %d. Valid range: [%d, %d]", AOffset, 0, n);
  const int a = AOffset;
  TKitCharSeq& chars = FStorage;
  const int d = ABackward ? std::min(m, a + 1) : std::min(m, n - a);
  const int e = ABackward ? a - d : a + d;
  // The first non-separator from the offset; at the text's end from the last character.
  int r = -1;
  if (a < n) r = KitSeqScanChars(ASeps, chars, a, ABackward, true, d);
  else if (ABackward && n > 0 && d - 1 > 0) r = KitSeqScanChars(ASeps, chars, a - 1, true, true, d - 1);
  if (r < 0) return -1;
  if (ABackward) {
    const int sep = r - e > 0 ? KitSeqScanChars(ASeps, chars, r, true, false, r - e) : -1;
    // With no separator in reach the word starts where the reach ends: at the text's start,
    // or at the limit when the scan went further than the offset itself.
    int start;
    if (sep >= 0) start = sep + 1;
    else if (d > 1 || e < 0) start = e + 1;
    else return -1;
    // Already at a word's start: the previous word.
    if (start == a && ARepeat) return a > 0 ? WordStart(a - 1, start - e - 1, ASeps, false, true) : -1;
    return start;
  }
  if (r != a) return r;
  const int sep = e - r > 0 ? KitSeqScanChars(ASeps, chars, r, false, false, e - r) : -1;
  if (sep < 0) return -1;
  return e - sep > 0 ? KitSeqScanChars(ASeps, chars, sep, false, true, e - sep) : -1;
}

int TKitEditDocument::WordEnd(int AOffset, int AMaxCount, const TKitString& ASeps, bool ARepeat, bool ABackward) {
  if (AMaxCount == 0 || ASeps.empty()) return -1;
  const int n = CharsCount();
  if (!KitInRange(AOffset, 0, n))
    KitDocError("Invalid offset given for search in document: %d. Valid range: [%d, %d]", AOffset, 0, n);
  const int m = AMaxCount < 0 ? kNoLimit : AMaxCount;
  const int a = AOffset;
  TKitCharSeq& chars = FStorage;
  const int d = ABackward ? std::min(m, a + 1) : std::min(m, n - a);
  const int e = ABackward ? a - d : a + d;
  int r = -1;
  if (a < n) r = KitSeqScanChars(ASeps, chars, a, ABackward, true, d);
  else if (ABackward && n > 0 && d - 1 > 0) r = KitSeqScanChars(ASeps, chars, a - 1, true, true, d - 1);
  if (r < 0) return -1;
  int result;
  if (!ABackward) {
    const int sep = KitSeqScanChars(ASeps, chars, r, false, false, e - r);
    result = sep < 0 ? e - 1 : sep - 1;
  } else if (r == a) {
    const int sep = r - e > 0 ? KitSeqScanChars(ASeps, chars, r, true, false, r - e) : -1;
    if (sep < 0) return -1;
    result = sep - e > 0 ? KitSeqScanChars(ASeps, chars, sep, true, true, sep - e) : -1;
  } else {
    result = r;
  }
  // Already at a word's end: the next (previous) one.
  if (result == a && ARepeat) {
    const int next = ABackward ? a - 1 : a + 1;
    if (next < 0 || next > n || m - 1 <= 0) return -1;
    return WordEnd(next, m == kNoLimit ? -1 : m - 1, ASeps, false, ABackward);
  }
  return result;
}

int TKitEditDocument::FindNextWordStart(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  return WordStart(AOffset, AMaxCount, WordSeparatorsFor(ASeparators), true, false);
}

int TKitEditDocument::FindPrevWordStart(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  return WordStart(AOffset, AMaxCount, WordSeparatorsFor(ASeparators), true, true);
}

int TKitEditDocument::FindNextWordEnd(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  return WordEnd(AOffset, AMaxCount, WordSeparatorsFor(ASeparators), true, false);
}

int TKitEditDocument::FindPrevWordEnd(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  return WordEnd(AOffset, AMaxCount, WordSeparatorsFor(ASeparators), true, true);
}

namespace {

// The word from AStart to the first separator after it (the text's end when none).
TKitSegment WordFrom(TKitCharSeq& AChars, int AStart, const TKitString& ASeps) {
  if (AStart < 0) return {};
  const int sep = KitSeqFindFirstOf(ASeps, AChars, AStart);
  return KitMakeSegment(AStart, (sep < 0 ? AChars.Count() : sep) - AStart, &AChars);
}

}  // namespace

TKitSegment TKitEditDocument::FindNearWord(int AOffset, int AMaxCount, const TKitString& ASeparators,
                                           bool ABackward) {
  const TKitString seps = WordSeparatorsFor(ASeparators);
  return WordFrom(FStorage, WordStart(AOffset, AMaxCount, seps, false, ABackward), seps);
}

TKitSegment TKitEditDocument::FindNextWord(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  const TKitString seps = WordSeparatorsFor(ASeparators);
  return WordFrom(FStorage, WordStart(AOffset, AMaxCount, seps, true, false), seps);
}

TKitSegment TKitEditDocument::FindPrevWord(int AOffset, int AMaxCount, const TKitString& ASeparators) {
  const TKitString seps = WordSeparatorsFor(ASeparators);
  return WordFrom(FStorage, WordStart(AOffset, AMaxCount, seps, true, true), seps);
}

}  // namespace zv

#include "kit/editor/special_chars.h"

#include <algorithm>
#include <string>

namespace zv {

namespace {

constexpr char16_t kDefaultShowChars[kKitSpecialCharKindCount] = {
    0x2500,  // tab tail: box-drawing horizontal line
    0x25BA,  // tab head: right-pointing pointer
    0x2219,  // space: bullet operator
    0x00B6,  // CR: pilcrow
    0x00B6,  // LF
    0x00B6,  // CR LF
    0x00AC,  // wrapped line end: not sign
    0x2026,  // folded line end: horizontal ellipsis
    0x00B7,  // line-number bullet: middle dot
};

[[noreturn]] void BadShowChar() {
  KitViewError(
      "Special char should be a non-empty string with a single character or an encoded character (\"#\" followed "
      "by a decimal code)");
}

// The decimal code after "#", or -1 when the text is no number of 0..65535.
int ParseCode(const TKitString& AText) {
  if (AText.size() < 2 || AText.size() > 7) return -1;
  int v = 0;
  for (size_t i = 1; i < AText.size(); ++i) {
    if (AText[i] < u'0' || AText[i] > u'9') return -1;
    v = v * 10 + (AText[i] - u'0');
  }
  return v <= 65535 ? v : -1;
}

}  // namespace

TKitSpecialChars::TKitSpecialChars(TKitViewPartParent* AParent) : FParent(AParent) {
  if (AParent == nullptr) KitViewError("This internal View class should not be created manually.");
  std::copy(std::begin(kDefaultShowChars), std::end(kDefaultShowChars), FShowChars);
}

char16_t TKitSpecialChars::DefaultShowChar(TKitSpecialCharKind AKind) { return kDefaultShowChars[AKind]; }

template <class F>
void TKitSpecialChars::Change(F AStore) {
  FParent->BeginChange();
  try {
    AStore();
  } catch (...) {
    FParent->EndChange(true);
    throw;
  }
  FParent->EndChange(true);
}

TKitString TKitSpecialChars::GetShowChar(TKitSpecialCharKind AKind) const {
  const char16_t c = FShowChars[AKind];
  if (c >= 20 && c <= 255) return TKitString(1, c);
  const std::string digits = std::to_string(static_cast<unsigned>(c));
  return u"#" + TKitString(digits.begin(), digits.end());
}

void TKitSpecialChars::SetShowChar(TKitSpecialCharKind AKind, const TKitString& AText) {
  if (AText.empty()) BadShowChar();
  char16_t value;
  if (AText[0] == u'#' && AText.size() > 1) {
    const int code = ParseCode(AText);
    if (code >= 0) {
      value = static_cast<char16_t>(code);
    } else if (FParent->OwnerLoading()) {
      value = kDefaultShowChars[AKind];
    } else {
      BadShowChar();
    }
  } else {
    if (AText.size() != 1) BadShowChar();
    value = AText[0];
  }
  if (FShowChars[AKind] == value) return;
  Change([&] { FShowChars[AKind] = value; });
}

bool TKitSpecialChars::IsShowCharStored(TKitSpecialCharKind AKind) const {
  return FShowChars[AKind] != kDefaultShowChars[AKind];
}

void TKitSpecialChars::SetShowCharKinds(TKitSpecialCharKinds AValue) {
  if (AValue.Contains(skTabTail) || AValue.Contains(skTabHead)) AValue.Include(skTabTail).Include(skTabHead);
  if (AValue == FShowCharKinds) return;
  Change([&] { FShowCharKinds = AValue; });
}

void TKitSpecialChars::SetCharset(TKitFontCharset AValue) {
  if (AValue == FCharset) return;
  Change([&] { FCharset = AValue; });
}

void TKitSpecialChars::SetUseCharset(bool AValue) {
  if (AValue == FUseCharset) return;
  Change([&] { FUseCharset = AValue; });
}

void TKitSpecialChars::Assign(const TKitSpecialChars& ASource) {
  if (&ASource == this) return;
  Change([&] {
    FCharset = ASource.FCharset;
    FUseCharset = ASource.FUseCharset;
    std::copy(std::begin(ASource.FShowChars), std::end(ASource.FShowChars), FShowChars);
    FShowCharKinds = ASource.FShowCharKinds;
  });
}

// --- highlight ranges ---

int THighlightsSparse::FindRangeIdx(int AOffset) const {
  const auto it = std::upper_bound(FRanges.begin(), FRanges.end(), AOffset,
                                   [](int off, const TRange& r) { return off < r.End(); });
  return static_cast<int>(it - FRanges.begin());
}

void THighlightsSparse::Erase(int AFrom, int ATo) {
  if (ATo > AFrom) FRanges.erase(FRanges.begin() + AFrom, FRanges.begin() + ATo);
  if (FRanges.capacity() > FRanges.size() * 5 + 5) FRanges.shrink_to_fit();
}

void THighlightsSparse::AddRange(int AStart, int ACount) {
  if (ACount <= 0 || AStart < 0) return;
  const int end = AStart + ACount;
  const int a = FindRangeIdx(AStart);
  const int c = FindRangeIdx(end - 1);
  const int cnt = RangesCnt();
  const bool startInside = a < cnt && AStart >= FRanges[static_cast<size_t>(a)].Start;
  const bool endInside = c < cnt && FRanges[static_cast<size_t>(c)].Start < end;
  if (a != c) {
    const int newEnd = c < cnt ? std::min(FRanges[static_cast<size_t>(c)].Start, end) : end;
    TRange& r = FRanges[static_cast<size_t>(a)];
    if (!startInside) r.Start = AStart;
    r.Count = newEnd - r.Start;
    Erase(a + 1, c);
  } else if (startInside && endInside) {
    // Already covered.
  } else if (endInside) {
    TRange& r = FRanges[static_cast<size_t>(a)];
    const int rEnd = r.End();
    r.Start = AStart;
    r.Count = rEnd - AStart;
  } else {
    FRanges.insert(FRanges.begin() + a, TRange{AStart, ACount});
  }
}

bool THighlightsSparse::RemoveRange(int AStart, int ACount) {
  if (ACount == 0) return false;
  if (ACount < 0) return true;
  const int e = AStart + ACount;
  const int a = FindRangeIdx(AStart);
  const int b = FindRangeIdx(e);
  const int cnt = RangesCnt();
  const bool startInside = a < cnt && FRanges[static_cast<size_t>(a)].Start < AStart;
  const bool endInside = b < cnt && FRanges[static_cast<size_t>(b)].Start < e;
  if (a == b) {
    if (a >= cnt || (!startInside && !endInside)) return true;
    TRange& r = FRanges[static_cast<size_t>(a)];
    const int rEnd = r.End();
    if (startInside && endInside) {
      r.Count = AStart - r.Start;
      FRanges.insert(FRanges.begin() + a + 1, TRange{e, rEnd - e});
    } else {
      r.Start = e;
      r.Count = rEnd - e;
    }
    return true;
  }
  int from = a, to = b;
  if (startInside) {
    TRange& r = FRanges[static_cast<size_t>(a)];
    r.Count = AStart - r.Start;
    from = a + 1;
  }
  if (endInside) {
    TRange& r = FRanges[static_cast<size_t>(b)];
    const int rEnd = r.End();
    r.Start = e;
    r.Count = rEnd - e;
  }
  Erase(from, to);
  return true;
}

void THighlightsSparse::BeforeDelete(int AStart, int ACount) {
  if (ACount <= 0 || FRanges.empty()) return;
  const int e = AStart + ACount;
  const auto map = [&](int x) { return x < AStart ? x : (x < e ? AStart : x - ACount); };
  std::vector<TRange> out;
  out.reserve(FRanges.size());
  bool startCut = false;  // the deletion begins inside the last range kept
  for (const TRange& r : FRanges) {
    const int s = map(r.Start), en = map(r.End());
    if (en <= s) continue;  // wholly deleted
    // The deletion began inside an earlier range and ends inside this one: one range.
    if (startCut && r.Start >= AStart && r.Start < e && r.End() > e) {
      out.back().Count = en - out.back().Start;
      startCut = false;
      continue;
    }
    out.push_back({s, en - s});
    startCut = r.Start < AStart && r.End() > AStart;
  }
  FRanges.swap(out);
}

void THighlightsSparse::AfterInsert(int AStart, int ACount) {
  if (ACount <= 0 || FRanges.empty()) return;
  for (TRange& r : FRanges) {
    if (r.Start >= AStart) r.Start += ACount;
    else if (r.End() > AStart) r.Count += ACount;
  }
}

}  // namespace zv

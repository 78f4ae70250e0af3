// What the view-model tests share: a parser that reports folds from a table and a token
// for every word (runs of letters and digits, drawn red), a screen-cache parent with
// settable view settings, and small text builders.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kit/editor/edit_document.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/screen_cache.h"
#include "kit/editor/special_chars.h"

namespace zv::test {

class FakeParsedLine : public TKitEditParsedLine {
 public:
  int TokenCount() override { return static_cast<int>(Tokens.size()); }
  int GetTokenIdx(int ACol) override {
    if (Tokens.empty()) throw Exception("This line does not have any tokens");
    const int at = Tokens[0].Seg.Start + ACol;
    int idx = 0;
    for (int i = 0; i < TokenCount(); ++i)
      if (Tokens[static_cast<size_t>(i)].Seg.Start <= at) idx = i;
    return idx;
  }
  int GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) override {
    const int n = std::min({TokenCount() - AStart, ACount, static_cast<int>(AArr.size())});
    for (int i = 0; i < n; ++i) AArr[static_cast<size_t>(i)] = Tokens[static_cast<size_t>(AStart + i)];
    return std::max(0, n);
  }
  std::vector<TKitEditParsedToken> Tokens;
};

class FakeFoldParser : public TKitEditParserBase {
 public:
  std::vector<std::pair<int, int>> Folds;
  bool WordTokens = false;
  int ParsedLines = 0;

  bool IsFoldStart(int ALine) override { return GetFoldEnd(ALine) >= 0; }
  int GetFoldEnd(int ALine) override {
    for (const auto& [s, e] : Folds)
      if (s == ALine) return e;
    return -1;
  }
  bool IsFoldEnd(int ALine) override { return GetFoldStart(ALine) >= 0; }
  int GetFoldStart(int ALine) override {
    for (const auto& [s, e] : Folds)
      if (e == ALine) return s;
    return -1;
  }
  TKitEditParsedLine* GetParsedLine(int ALine) override {
    ++ParsedLines;
    FLine.Tokens.clear();
    if (!WordTokens || FDoc == nullptr) return &FLine;
    const TKitSegment seg = FDoc->GetLine(ALine);
    int i = 0;
    while (i < seg.Count) {
      const auto isWord = [&](int k) {
        const char16_t c = KitSegmentChar(seg, k);
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
      };
      if (!isWord(i)) {
        ++i;
        continue;
      }
      int j = i;
      while (j < seg.Count && isWord(j)) ++j;
      TKitEditParsedToken t;
      t.Seg = KitMakeSegment(seg.Start + i, j - i, seg.Source);
      t.TokenID = 1;
      t.Attrs.TextColor = clRed;
      t.Attrs.AttributesSet = asTextColor;
      FLine.Tokens.push_back(t);
      i = j;
    }
    return &FLine;
  }

 private:
  FakeParsedLine FLine;
};

class CacheParent : public TScreenCacheParent, public TKitViewPartParent {
 public:
  TKitViewSettings CacheViewSettings() override { return Settings; }
  void BeginChange() override {}
  void EndChange(bool) override {}
  TObject* GetOwnerComponent() override { return nullptr; }
  TKitViewSettings Settings;
};

// Lines "line 0", "line 1", ... joined by CR LF.
inline TKitString NumberedLines(int ACount, const char16_t* APrefix = u"line ") {
  TKitString text;
  for (int i = 0; i < ACount; ++i) {
    if (i > 0) text += u"\r\n";
    text += APrefix;
    const std::string n = std::to_string(i);
    text += TKitString(n.begin(), n.end());
  }
  return text;
}

// A document with a fake parser, a fake measurer (8-pixel advances) and a screen cache
// attached to it: 80 columns by 20 lines.
struct CacheFixture {
  explicit CacheFixture(const TKitString& AText, int AScreenLines = 20, int AScreenWidth = 640)
      : chars(&parent),
        cache(&parent, &chars, &measurer, TKitFont{u"Courier New", 10, clWindowText, 0}, 80, AScreenLines,
              AScreenWidth, 8, wmNoWrap) {
    auto p = std::make_unique<FakeFoldParser>();
    parser = p.get();
    doc.SetParser(std::move(p));
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    cache.AttachToDocument(doc);
    cache.UpdateCaches();
  }
  // The text of a scroll line's row.
  TKitString Row(int AY) { return KitSegmentToStr(cache.GetScrollLineInfo(AY).ContentSegment); }
  std::vector<TKitString> Rows() {
    std::vector<TKitString> r;
    const int n = cache.CalkVisibleCountScroll();
    for (int y = 0; y < n; ++y) r.push_back(Row(y));
    return r;
  }
  std::vector<int> DirtyRows() {
    std::vector<int> r;
    for (int i = 0; i < cache.LinesOnScreenScroll(); ++i)
      if (cache.IsScreenLineDirty(i)) r.push_back(i);
    return r;
  }

  CacheParent parent;
  TKitSpecialChars chars;
  TFakeTextMeasurer measurer;
  TKitEditDocument doc;
  FakeFoldParser* parser = nullptr;
  TScreenCache cache;
};

}  // namespace zv::test

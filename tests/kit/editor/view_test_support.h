// What the view-model tests share: a screen-cache parent with settable view settings, a
// fixture of a document with the fake fold parser and an attached screen cache, and small
// text builders.
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

using FakeFoldParser = TFakeFoldParser;

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

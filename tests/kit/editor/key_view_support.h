// What the keyboard, caret and editing tests share: a view over the fake host showing a
// document with the fake fold parser, and helpers that press keys and type text the way
// the window does (a key press, then the character it produces).
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "kit/editor/edit_view.h"
#include "view_test_support.h"

namespace zv {
// Points and rectangles as gtest prints them.
inline void PrintTo(const TKitPoint& P, std::ostream* AOut) { *AOut << "(" << P.X << ", " << P.Y << ")"; }
}  // namespace zv

namespace zv::test {

// A view whose hooks of the later parts are counted.
class HookedView : public TKitEditView {
 public:
  using TKitEditView::TKitEditView;
  int ListShows = 0, ListCommits = 0, SearchStarts = 0, SearchChars = 0;
  std::vector<TKitEditFillCompletionCause> Causes;
  int ListCount = 0, ListIndex = -1;
  TKitString SearchText;

 protected:
  void CompletionListShow(TKitEditFillCompletionCause ACause, bool) override {
    ++ListShows;
    Causes.push_back(ACause);
  }
  void CompletionListCommit(const TKitPoint&, TKitEditReplaceCompletionCause) override { ++ListCommits; }
  int CompletionListCount() override { return ListCount; }
  int CompletionListIndex() override { return ListIndex; }
  void SetCompletionListIndex(int AIndex) override { ListIndex = AIndex; }
  void IncrementalSearchStart() override { ++SearchStarts; }
  void IncrementalSearchAddChar(char16_t AChar) override {
    ++SearchChars;
    SearchText += AChar;
  }
};

inline constexpr TKitShiftState kShift = KitShift(ssShift);
inline constexpr TKitShiftState kCtrl = KitShift(ssCtrl);
inline constexpr TKitShiftState kAlt = KitShift(ssAlt);

struct KeyViewFixture {
  // 10 lines of 16 pixels; the gutter takes 72 of the 800 pixels.
  explicit KeyViewFixture(const TKitString& AText = u"", int AClientHeight = 160) : view(host) {
    host.Client = {0, 0, 800, AClientHeight};
    auto p = std::make_unique<FakeFoldParser>();
    parser = p.get();
    doc.SetParser(std::move(p));
    SetText(AText);
    view.SetDocument(&doc);
    host.ResetRecords();
  }
  void SetText(const TKitString& AText) { doc.RefreshText(AText.data(), static_cast<int>(AText.size())); }
  TKitString Text() { return KitSeqToStr(doc.Chars()); }
  TKitPoint Cursor() { return view.CursorPos(); }
  void Put(int AX, int AY) {
    view.SetCursorPos({AX, AY});
    view.CancelSelection();
  }
  void Setting(TKitViewSetting ASetting, bool AOn) {
    TKitViewSettings s = view.ViewSettings();
    if (AOn) s.Include(ASetting);
    else s.Exclude(ASetting);
    view.SetViewSettings(s);
  }
  // A key that produces no character (or whose character is dropped).
  void Press(uint16_t AKey, TKitShiftState AShift = 0, char16_t AChar = 0) {
    uint16_t key = AKey;
    view.KeyDown(key, AShift);
    if (AChar != 0) view.KeyPress(AChar);
  }
  // Typed text: each character's key press (letters and digits by their codes, anything
  // else by an unbound punctuation key), then the character.
  void Type(const TKitString& AText) {
    for (char16_t ch : AText) {
      uint16_t key = 0xBA;
      TKitShiftState shift = 0;
      if (ch >= u'a' && ch <= u'z') key = static_cast<uint16_t>(ch - u'a' + u'A');
      else if (ch >= u'A' && ch <= u'Z') key = ch, shift = kShift;
      else if (ch >= u'0' && ch <= u'9') key = ch;
      else if (ch == u' ') key = kVkSpace;
      else if (ch == u'\r') key = kVkReturn;
      else if (ch == u'\t') key = kVkTab;
      Press(key, shift, ch);
    }
  }

  TFakeEditHost host;
  TKitEditDocument doc;
  FakeFoldParser* parser = nullptr;
  HookedView view;
};

}  // namespace zv::test

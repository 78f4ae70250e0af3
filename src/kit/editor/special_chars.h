// Three small parts of the view: the glyphs that make tabs, spaces, line ends, wrapped and
// folded line ends and line-number bullets visible; the sorted set of highlighted ranges
// that follows the document's edits; and the cursor position kept with an undo record.
#pragma once
#include <cstdint>
#include <vector>

#include "kit/editor/edit_platform.h"
#include "kit/editor/undo.h"
#include "kit/editor/view_types.h"

namespace zv {

// How a view's parts (special characters, settings objects) ask their view to change:
// one change bracket, with or without a reset of the screen cache at its end.
class TKitViewPartParent : public TObject {
 public:
  virtual void BeginChange() = 0;
  virtual void EndChange(bool AResetCache) = 0;
  virtual TObject* GetOwnerComponent() = 0;
  // The owner is being loaded from stored settings (bad glyph texts fall back to defaults).
  virtual bool OwnerLoading() { return false; }
};

class TKitSpecialChars : public TObject {
 public:
  explicit TKitSpecialChars(TKitViewPartParent* AParent);

  // The text form: a code from 20 to 255 as the character itself, any other as "#" and the
  // decimal code.
  TKitString GetShowChar(TKitSpecialCharKind AKind) const;
  // One character, or "#" and a decimal code up to 65535.
  void SetShowChar(TKitSpecialCharKind AKind, const TKitString& AText);
  // Stored (worth saving) when it differs from its default.
  bool IsShowCharStored(TKitSpecialCharKind AKind) const;
  char16_t ShowChar(TKitSpecialCharKind AKind) const { return FShowChars[AKind]; }
  static char16_t DefaultShowChar(TKitSpecialCharKind AKind);

  TKitSpecialCharKinds ShowCharKinds() const { return FShowCharKinds; }
  // Either tab kind brings the other.
  void SetShowCharKinds(TKitSpecialCharKinds AValue);
  TKitFontCharset Charset() const { return FCharset; }
  void SetCharset(TKitFontCharset AValue);
  bool UseCharset() const { return FUseCharset; }
  void SetUseCharset(bool AValue);
  void Assign(const TKitSpecialChars& ASource);

 private:
  template <class F>
  void Change(F AStore);

  TKitViewPartParent* FParent;
  TKitFontCharset FCharset = 0;
  bool FUseCharset = true;
  char16_t FShowChars[kKitSpecialCharKindCount];
  TKitSpecialCharKinds FShowCharKinds{skFoldedLineEnd};
};

// Highlighted offset ranges: ordered by start, not overlapping (they may touch), none empty.
class THighlightsSparse {
 public:
  struct TRange {
    int Start;
    int Count;
    int End() const { return Start + Count; }
    friend bool operator==(const TRange&, const TRange&) = default;
  };

  void AddRange(int AStart, int ACount);
  // Answers whether ACount is not 0.
  bool RemoveRange(int AStart, int ACount);
  void Clear() { FRanges.clear(); }
  // The first range whose end lies after AOffset: the range holding it or the next one;
  // the count when there is none.
  int FindRangeIdx(int AOffset) const;
  void BeforeDelete(int AStart, int ACount);
  void AfterInsert(int AStart, int ACount);

  int RangesCnt() const { return static_cast<int>(FRanges.size()); }
  const TRange& Range(int AIdx) const { return FRanges[static_cast<size_t>(AIdx)]; }
  const std::vector<TRange>& Ranges() const { return FRanges; }

 private:
  void Erase(int AFrom, int ATo);  // [AFrom, ATo)
  std::vector<TRange> FRanges;
};

// The cursor a view had when it made an undo record; undo and redo put it back.
class TCursorUndoInfo : public TKitDocUndoInfo {
 public:
  TCursorUndoInfo(const TOffsetPoint& AOffPt, bool AWordTyping) : OffPt(AOffPt), WordTyping(AWordTyping) {}
  std::unique_ptr<TKitDocUndoInfo> Clone() const override {
    return std::make_unique<TCursorUndoInfo>(OffPt, WordTyping);
  }
  TOffsetPoint OffPt;
  bool WordTyping;
};

}  // namespace zv

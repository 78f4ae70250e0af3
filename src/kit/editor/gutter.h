// The gutter: the strip left of the text, an ordered collection of bars (bookmarks,
// breakpoints, line numbers, folds, wrap marks, custom), with the colours and glyphs its
// painting uses. A change of the gutter is one change bracket of its view.
#pragma once
#include <memory>
#include <vector>

#include "kit/editor/edit_platform.h"
#include "kit/editor/view_types.h"

namespace zv {

class TKitCustomEditView;
class TKitGutter;
class TKitGutterBars;

enum TKitGutterBarKind { gbBookmarkBar, gbBreakpointBar, gbLineNumberBar, gbFoldBar, gbWrapBar, gbCustom };
enum TKitGutterSetting { gsPaintWrapsOnLineNumberBar };
using TKitGutterSettings = TKitSet<TKitGutterSetting, uint8_t>;

class TKitGutterBar : public TObject {
 public:
  explicit TKitGutterBar(TKitGutterBars* ACollection);
  // The line-number bar of a view with a window is as wide as the line count needs.
  int Width() const;
  int FullWidth() const { return Width() + FLeftPadding + FRightPadding; }
  void SetWidth(int AValue);
  TKitGutterBarKind Kind() const { return FKind; }
  void SetKind(TKitGutterBarKind AValue);
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue);
  int LeftPadding() const { return FLeftPadding; }
  void SetLeftPadding(int AValue);
  int RightPadding() const { return FRightPadding; }
  void SetRightPadding(int AValue);
  void Assign(const TKitGutterBar& ASource);
  TKitGutterBars* Collection() const { return FParent; }
  TKitGutter* Gutter() const { return FGutter; }
  int Index() const;

 private:
  friend class TKitGutterBars;
  friend class TKitGutter;
  TKitGutterBars* FParent;
  TKitGutter* FGutter;
  int FWidth = 14;
  TKitGutterBarKind FKind = gbCustom;
  bool FVisible = true;
  int FLeftPadding = 2;
  int FRightPadding = 2;
};

class TKitGutterBars : public TObject {
 public:
  explicit TKitGutterBars(TKitGutter* AParent);
  int Count() const { return static_cast<int>(FItems.size()); }
  TKitGutterBar* Items(int AIndex) const;
  void SetItem(int AIndex, const TKitGutterBar& AValue) { Items(AIndex)->Assign(AValue); }
  TKitGutterBar* Add() { return AddItem(nullptr, -1); }
  // A new bar when AItem is null; a bar of another collection moves here. AIndex < 0: last.
  TKitGutterBar* AddItem(TKitGutterBar* AItem, int AIndex);
  TKitGutterBar* Insert(int AIndex) { return AddItem(nullptr, AIndex); }
  void Delete(int AIndex);
  void Clear();
  void Assign(const TKitGutterBars& ASource);
  TKitGutter* Gutter() const { return FGutter; }
  // A change of the collection or of an item.
  void Update();

 private:
  friend class TKitGutterBar;
  std::unique_ptr<TKitGutterBar> Take(TKitGutterBar* AItem);
  TKitGutter* FGutter;
  std::vector<std::unique_ptr<TKitGutterBar>> FItems;
};

class TKitGutter : public TObject {
 public:
  explicit TKitGutter(TKitCustomEditView* AParent);
  ~TKitGutter() override;
  TKitCustomEditView* View() const { return FParent; }

  // The sum of the full widths of the visible bars.
  int GetWidth() const;
  TKitGutterBars& Bars() { return *FBars; }
  const TKitGutterBars& Bars() const { return *FBars; }
  void SetBars(const TKitGutterBars& AValue);
  // Stored unless exactly the four default bars with default sizes.
  bool IsBarsStored() const;
  // "Gutter bar is invisible or not belongs to this view".
  void CheckBar(const TKitGutterBar* ABar) const;
  // The left edge of a visible bar.
  int BarLeft(const TKitGutterBar* ABar) const;

  TColor BookmarksBarBg() const { return FBookmarksBarBg; }
  void SetBookmarksBarBg(TColor AValue) { SetColor(FBookmarksBarBg, AValue); }
  TColor BookmarksBarTextColor() const { return FBookmarksBarTextColor; }
  void SetBookmarksBarTextColor(TColor AValue) { SetColor(FBookmarksBarTextColor, AValue); }
  TColor LinesBarBg() const { return FLinesBarBg; }
  void SetLinesBarBg(TColor AValue) { SetColor(FLinesBarBg, AValue); }
  TColor LinesBarTextColor() const { return FLinesBarTextColor; }
  void SetLinesBarTextColor(TColor AValue) { SetColor(FLinesBarTextColor, AValue); }
  TColor FoldsBarLineColor() const { return FFoldsBarLineColor; }
  void SetFoldsBarLineColor(TColor AValue) { SetColor(FFoldsBarLineColor, AValue); }
  TColor FoldsBarBg() const { return FFoldsBarBg; }
  void SetFoldsBarBg(TColor AValue) { SetColor(FFoldsBarBg, AValue); }
  TColor CustomBarBg() const { return FCustomBarBg; }
  void SetCustomBarBg(TColor AValue) { SetColor(FCustomBarBg, AValue); }
  int LineNumberingInterval() const { return FLineNumberingInterval; }
  void SetLineNumberingInterval(int AValue);
  TKitGutterSettings Settings() const { return FSettings; }
  void SetSettings(TKitGutterSettings AValue);

  enum TImageSlot {
    giBookmark,
    giFoldPlus,
    giFoldMinus,
    giFoldEnd,
    giBreakActive,
    giBreakInactive,
    giBreakDisabled,
    giWrapLineBar,
    giDebugFrameTop,
    giDebugFrameActive,
    giDebugFrame,
    giCount
  };
  const TKitEditImage& Image(TImageSlot ASlot) const { return FImages[ASlot]; }
  // Assigns the picture into the gutter's own (always a change).
  void SetImage(TImageSlot ASlot, const TKitEditImage& AImage);

  // The glyphs the painting draws: the gutter's picture, or the built-in default (none
  // for a fold end or a plain debug frame without a picture).
  const TKitEditImage* BookmarkGlyph() const;
  const TKitEditImage* BreakpointGlyph(TKitScreenLineProps AProps) const;
  const TKitEditImage* DebugFrameGlyph(TKitScreenLineProps AProps) const;
  const TKitEditImage* FoldGlyph(bool ACollapsed) const;
  const TKitEditImage* FoldEndGlyph() const;
  const TKitEditImage* WrapLineGlyph() const;

  void Assign(const TKitGutter& ASource);

 private:
  friend class TKitGutterBars;
  // Runs AChange inside the view's change bracket and reports scGutterSettings; during
  // construction it only runs it.
  template <class F>
  void Change(F AChange);
  void SetColor(TColor& AField, TColor AValue);
  const TKitEditImage* Pick(TImageSlot ASlot, int ADefault) const;

  bool FInConstructor = true;
  TKitCustomEditView* FParent;
  std::unique_ptr<TKitGutterBars> FBars;
  TKitEditImage FImages[giCount];
  TColor FBookmarksBarBg = 0xD8E9EC;
  TColor FBookmarksBarTextColor = 0x000000;
  TColor FLinesBarBg = 0xF4F4F4;
  TColor FLinesBarTextColor = 0xCC9999;
  TColor FFoldsBarLineColor = 0xCC9999;
  TColor FFoldsBarBg = 0xF4F4F4;
  TColor FCustomBarBg = 0xF4F4F4;
  int FLineNumberingInterval = 10;
  TKitGutterSettings FSettings{gsPaintWrapsOnLineNumberBar};
};

}  // namespace zv

// The two settings objects the view publishes: completion behaviour (which reads and
// writes the view's own fields) and the look of search highlights. Each change is one
// change bracket of the view.
#pragma once
#include "kit/editor/parser_base.h"
#include "kit/editor/view_types.h"

namespace zv {

class TKitCustomEditView;

enum TKitViewCompletionType { ctDocumentText, ctCustom, ctCustomOwnerDrawFixed, ctCustomOwnerDrawVariable, ctDisabled };
// How the completion list box draws its items.
enum TKitCompletionListStyle { clsStandard, clsOwnerDrawFixed, clsOwnerDrawVariable };

class TKitEditCompletionSettings : public TObject {
 public:
  explicit TKitEditCompletionSettings(TKitCustomEditView* AParent);
  TObject* GetOwner() const;

  int ShowTimeout() const;
  void SetShowTimeout(int AValue);
  bool ShowCompletionOnTimeout() const;
  void SetShowCompletionOnTimeout(bool AValue);
  int MinChars() const;
  void SetMinChars(int AValue);
  bool DontShowComboForOnlyMatch() const;
  void SetDontShowComboForOnlyMatch(bool AValue);
  bool CaseSensitive() const;
  void SetCaseSensitive(bool AValue);
  TKitViewCompletionType CompletionType() const;
  void SetCompletionType(TKitViewCompletionType AValue);
  int ItemHeight() const;
  void SetItemHeight(int AValue);
  const TKitString& WordSeparators() const;
  void SetWordSeparators(const TKitString& AValue);
  void Assign(const TKitEditCompletionSettings& ASource);

 private:
  template <class F>
  void Change(F AStore);
  TKitCustomEditView* FParent;
};

enum TKitEditHighlightProp { psTextColor, psBackgroundColor, psFontStyle };
using TKitEditHighlightPropsSet = TKitSet<TKitEditHighlightProp, uint8_t>;

class TKitEditHighlightSettings : public TObject {
 public:
  explicit TKitEditHighlightSettings(TKitCustomEditView* AParent);
  TObject* GetOwner() const;

  TColor TextColor() const { return FHlSettings.TextColor; }
  void SetTextColor(TColor AValue);
  TColor BackgroundColor() const { return FHlSettings.BackgroundColor; }
  void SetBackgroundColor(TColor AValue);
  uint8_t FontStyle() const { return FHlSettings.FontStyle; }
  void SetFontStyle(uint8_t AValue);
  TKitEditHighlightPropsSet PropsSet() const { return FPropsSet; }
  void SetPropsSet(TKitEditHighlightPropsSet AValue);
  bool UseHighlight() const { return FUseHl; }
  void SetUseHighlight(bool AValue);
  const TKitEditAttributes& Attributes() const { return FHlSettings; }
  void Assign(const TKitEditHighlightSettings& ASource);

 private:
  template <class F>
  void Change(F AStore);
  TKitCustomEditView* FParent;
  TKitEditAttributes FHlSettings;
  bool FUseHl = true;
  TKitEditHighlightPropsSet FPropsSet{psBackgroundColor};
};

}  // namespace zv

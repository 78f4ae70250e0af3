#include "kit/editor/view_settings.h"

#include "kit/editor/edit_view.h"

namespace zv {

// --- completion ---

TKitEditCompletionSettings::TKitEditCompletionSettings(TKitCustomEditView* AParent) : FParent(AParent) {
  if (AParent == nullptr || AParent->HasCompletionSettings())
    KitViewError("This internal View class should not be created manually.");
}

TObject* TKitEditCompletionSettings::GetOwner() const { return FParent; }

template <class F>
void TKitEditCompletionSettings::Change(F AStore) {
  FParent->BeginChange(true);
  try {
    AStore();
  } catch (...) {
    FParent->PartEndChange(false);
    throw;
  }
  FParent->PartEndChange(false);
}

int TKitEditCompletionSettings::ShowTimeout() const { return FParent->FCompletionTimeout; }
void TKitEditCompletionSettings::SetShowTimeout(int AValue) {
  if (AValue != FParent->FCompletionTimeout) Change([&] { FParent->FCompletionTimeout = AValue; });
}
bool TKitEditCompletionSettings::ShowCompletionOnTimeout() const { return FParent->FComplUseTimeout; }
void TKitEditCompletionSettings::SetShowCompletionOnTimeout(bool AValue) {
  if (AValue != FParent->FComplUseTimeout) Change([&] { FParent->FComplUseTimeout = AValue; });
}
int TKitEditCompletionSettings::MinChars() const { return FParent->FCompletionMinChars; }
void TKitEditCompletionSettings::SetMinChars(int AValue) {
  if (AValue != FParent->FCompletionMinChars) Change([&] { FParent->FCompletionMinChars = AValue; });
}
bool TKitEditCompletionSettings::DontShowComboForOnlyMatch() const { return FParent->FCompletionNoComboForOnly; }
void TKitEditCompletionSettings::SetDontShowComboForOnlyMatch(bool AValue) {
  if (AValue != FParent->FCompletionNoComboForOnly) Change([&] { FParent->FCompletionNoComboForOnly = AValue; });
}
bool TKitEditCompletionSettings::CaseSensitive() const { return FParent->FCompletionCaseSens; }
void TKitEditCompletionSettings::SetCaseSensitive(bool AValue) {
  if (AValue != FParent->FCompletionCaseSens) Change([&] { FParent->FCompletionCaseSens = AValue; });
}
TKitViewCompletionType TKitEditCompletionSettings::CompletionType() const { return FParent->FCompletionType; }
void TKitEditCompletionSettings::SetCompletionType(TKitViewCompletionType AValue) {
  if (AValue == FParent->FCompletionType) return;
  Change([&] {
    FParent->FCompletionType = AValue;
    FParent->FComplListStyle = AValue == ctCustomOwnerDrawFixed      ? clsOwnerDrawFixed
                               : AValue == ctCustomOwnerDrawVariable ? clsOwnerDrawVariable
                                                                     : clsStandard;
  });
}
int TKitEditCompletionSettings::ItemHeight() const { return FParent->FComplItemHeight; }
void TKitEditCompletionSettings::SetItemHeight(int AValue) {
  if (AValue != FParent->FComplItemHeight) Change([&] { FParent->FComplItemHeight = AValue; });
}
const TKitString& TKitEditCompletionSettings::WordSeparators() const { return FParent->FComplWordSep; }
void TKitEditCompletionSettings::SetWordSeparators(const TKitString& AValue) {
  if (AValue != FParent->FComplWordSep) Change([&] { FParent->FComplWordSep = AValue; });
}

void TKitEditCompletionSettings::Assign(const TKitEditCompletionSettings& ASource) {
  if (&ASource == this) return;
  Change([&] {
    SetShowTimeout(ASource.ShowTimeout());
    SetShowCompletionOnTimeout(ASource.ShowCompletionOnTimeout());
    SetMinChars(ASource.MinChars());
    SetDontShowComboForOnlyMatch(ASource.DontShowComboForOnlyMatch());
    SetCompletionType(ASource.CompletionType());
    SetCaseSensitive(ASource.CaseSensitive());
    SetItemHeight(ASource.ItemHeight());
    SetWordSeparators(ASource.WordSeparators());
  });
}

// --- highlights ---

TKitEditHighlightSettings::TKitEditHighlightSettings(TKitCustomEditView* AParent) : FParent(AParent) {
  if (AParent == nullptr || AParent->HasHighlightSettings())
    KitViewError("This internal View class should not be created manually.");
  FHlSettings.BackgroundColor = clYellow;
  FHlSettings.TextColor = clBlack;
  FHlSettings.FontStyle = 0;
  FHlSettings.AttributesSet = asBackgroundColor;
}

TObject* TKitEditHighlightSettings::GetOwner() const { return FParent; }

template <class F>
void TKitEditHighlightSettings::Change(F AStore) {
  FParent->BeginChange(true);
  const auto end = [&] {
    FParent->ScreenCache().SetHighlightAttrs(FHlSettings, FUseHl);
    FParent->PartEndChange(true);
  };
  try {
    AStore();
  } catch (...) {
    end();
    throw;
  }
  end();
}

void TKitEditHighlightSettings::SetTextColor(TColor AValue) {
  if (AValue != FHlSettings.TextColor) Change([&] { FHlSettings.TextColor = AValue; });
}
void TKitEditHighlightSettings::SetBackgroundColor(TColor AValue) {
  if (AValue != FHlSettings.BackgroundColor) Change([&] { FHlSettings.BackgroundColor = AValue; });
}
void TKitEditHighlightSettings::SetFontStyle(uint8_t AValue) {
  if (AValue != FHlSettings.FontStyle) Change([&] { FHlSettings.FontStyle = AValue; });
}
void TKitEditHighlightSettings::SetPropsSet(TKitEditHighlightPropsSet AValue) {
  if (AValue == FPropsSet) return;
  Change([&] {
    FPropsSet = AValue;
    uint8_t set = 0;
    if (AValue.Contains(psTextColor)) set |= asTextColor;
    if (AValue.Contains(psBackgroundColor)) set |= asBackgroundColor;
    if (AValue.Contains(psFontStyle)) set |= asFontStyle;
    FHlSettings.AttributesSet = set;
  });
}
void TKitEditHighlightSettings::SetUseHighlight(bool AValue) {
  if (AValue != FUseHl) Change([&] { FUseHl = AValue; });
}

void TKitEditHighlightSettings::Assign(const TKitEditHighlightSettings& ASource) {
  if (&ASource == this) return;
  Change([&] {
    SetTextColor(ASource.TextColor());
    SetBackgroundColor(ASource.BackgroundColor());
    SetFontStyle(ASource.FontStyle());
    SetPropsSet(ASource.PropsSet());
    SetUseHighlight(ASource.UseHighlight());
  });
}

}  // namespace zv

#include "kit/editor/gutter.h"

#include <algorithm>
#include <string>

#include "kit/editor/edit_helpers.h"
#include "kit/editor/edit_view.h"

namespace zv {

// --- bars ---

TKitGutterBar::TKitGutterBar(TKitGutterBars* ACollection)
    : FParent(ACollection), FGutter(ACollection != nullptr ? ACollection->Gutter() : nullptr) {}

int TKitGutterBar::Width() const {
  if (FKind == gbLineNumberBar && FGutter != nullptr && FGutter->View() != nullptr &&
      FGutter->View()->Host().HasWindow()) {
    const std::string digits = std::to_string(FGutter->View()->CurrentDocument().LinesCount());
    return std::max(FWidth, FGutter->View()->TextWidth(TKitString(digits.begin(), digits.end())));
  }
  return FWidth;
}

int TKitGutterBar::Index() const {
  if (FParent == nullptr) return -1;
  for (int i = 0; i < FParent->Count(); ++i)
    if (FParent->Items(i) == this) return i;
  return -1;
}

void TKitGutterBar::SetWidth(int AValue) {
  if (AValue <= 0) KitViewError("Gutter bar width should be greater than zero");
  if (AValue == FWidth) return;
  FWidth = AValue;
  if (FParent != nullptr) FParent->Update();
}

void TKitGutterBar::SetKind(TKitGutterBarKind AValue) {
  if (AValue == FKind) return;
  FKind = AValue;
  if (FParent != nullptr) FParent->Update();
}

void TKitGutterBar::SetVisible(bool AValue) {
  if (AValue == FVisible) return;
  FVisible = AValue;
  if (FParent != nullptr) FParent->Update();
}

void TKitGutterBar::SetLeftPadding(int AValue) {
  if (AValue < 0) KitViewError("Gutter bar padding should be greater or equal to zero");
  if (AValue == FLeftPadding) return;
  FLeftPadding = AValue;
  if (FParent != nullptr) FParent->Update();
}

void TKitGutterBar::SetRightPadding(int AValue) {
  if (AValue < 0) KitViewError("Gutter bar padding should be greater or equal to zero");
  if (AValue == FRightPadding) return;
  FRightPadding = AValue;
  if (FParent != nullptr) FParent->Update();
}

void TKitGutterBar::Assign(const TKitGutterBar& ASource) {
  if (&ASource == this) return;
  const int width = ASource.Width();
  const bool changed = width != FWidth || ASource.FLeftPadding != FLeftPadding ||
                       ASource.FRightPadding != FRightPadding || ASource.FVisible != FVisible;
  FWidth = std::max(1, width);
  FLeftPadding = ASource.FLeftPadding;
  FRightPadding = ASource.FRightPadding;
  FKind = ASource.FKind;
  FVisible = ASource.FVisible;
  if (changed && FParent != nullptr) FParent->Update();
}

TKitGutterBars::TKitGutterBars(TKitGutter* AParent) : FGutter(AParent) {
  if (AParent == nullptr || AParent->FBars) KitViewError("This internal View class should not be created manually.");
}

TKitGutterBar* TKitGutterBars::Items(int AIndex) const {
  if (!KitInRange(AIndex, 0, Count() - 1)) throw EListError(Format("List index out of bounds (%d)", AIndex));
  return FItems[static_cast<size_t>(AIndex)].get();
}

std::unique_ptr<TKitGutterBar> TKitGutterBars::Take(TKitGutterBar* AItem) {
  const auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& p) { return p.get() == AItem; });
  if (it == FItems.end()) return nullptr;
  std::unique_ptr<TKitGutterBar> item = std::move(*it);
  FItems.erase(it);
  return item;
}

TKitGutterBar* TKitGutterBars::AddItem(TKitGutterBar* AItem, int AIndex) {
  std::unique_ptr<TKitGutterBar> item;
  if (AItem == nullptr) {
    item = std::make_unique<TKitGutterBar>(this);
  } else {
    TKitGutterBars* from = AItem->FParent;
    item = from != nullptr ? from->Take(AItem) : nullptr;
    if (!item) KitViewError("Gutter bar is invisible or not belongs to this view");
    if (from != nullptr && from != this) from->Update();
    item->FParent = this;
    item->FGutter = FGutter;
  }
  TKitGutterBar* result = item.get();
  const int at = AIndex < 0 || AIndex > Count() ? Count() : AIndex;
  FItems.insert(FItems.begin() + at, std::move(item));
  Update();
  return result;
}

void TKitGutterBars::Delete(int AIndex) {
  Items(AIndex);
  FItems.erase(FItems.begin() + AIndex);
  Update();
}

void TKitGutterBars::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Update();
}

void TKitGutterBars::Assign(const TKitGutterBars& ASource) {
  if (&ASource == this) return;
  FGutter->Change([&] {
    FItems.clear();
    for (const auto& bar : ASource.FItems) {
      auto copy = std::make_unique<TKitGutterBar>(this);
      copy->FWidth = std::max(1, bar->Width());
      copy->FKind = bar->FKind;
      copy->FVisible = bar->FVisible;
      copy->FLeftPadding = bar->FLeftPadding;
      copy->FRightPadding = bar->FRightPadding;
      FItems.push_back(std::move(copy));
    }
  });
}

void TKitGutterBars::Update() {
  if (FGutter != nullptr) FGutter->Change([] {});
}

// --- gutter ---

TKitGutter::TKitGutter(TKitCustomEditView* AParent) : FParent(AParent) {
  if (AParent == nullptr || AParent->FGutter) KitViewError("This internal View class should not be created manually.");
  FBars = std::make_unique<TKitGutterBars>(this);
  for (TKitGutterBarKind k : {gbBreakpointBar, gbBookmarkBar, gbLineNumberBar, gbFoldBar}) FBars->Add()->FKind = k;
  FInConstructor = false;
}

TKitGutter::~TKitGutter() { FInConstructor = true; }

template <class F>
void TKitGutter::Change(F AChange) {
  if (FInConstructor || FParent == nullptr) {
    AChange();
    return;
  }
  FParent->BeginChange(true);
  try {
    AChange();
  } catch (...) {
    FParent->AddStatusChange(scGutterSettings);
    FParent->EndChange(true);
    throw;
  }
  FParent->AddStatusChange(scGutterSettings);
  FParent->EndChange(true);
}

int TKitGutter::GetWidth() const {
  int w = 0;
  for (int i = 0; i < FBars->Count(); ++i)
    if (FBars->Items(i)->Visible()) w += FBars->Items(i)->FullWidth();
  return w;
}

void TKitGutter::SetBars(const TKitGutterBars& AValue) { FBars->Assign(AValue); }

bool TKitGutter::IsBarsStored() const {
  static constexpr TKitGutterBarKind kDefault[] = {gbBreakpointBar, gbBookmarkBar, gbLineNumberBar, gbFoldBar};
  if (FBars->Count() != 4) return true;
  for (int i = 0; i < 4; ++i) {
    const TKitGutterBar* b = FBars->Items(i);
    if (b->Kind() != kDefault[i] || b->FWidth != 14 || b->LeftPadding() != 2 || b->RightPadding() != 2 ||
        !b->Visible())
      return true;
  }
  return false;
}

void TKitGutter::CheckBar(const TKitGutterBar* ABar) const {
  if (ABar == nullptr || ABar->Gutter() != this || !ABar->Visible() || ABar->Index() < 0)
    KitViewError("Gutter bar is invisible or not belongs to this view");
}

int TKitGutter::BarLeft(const TKitGutterBar* ABar) const {
  CheckBar(ABar);
  int left = 0;
  for (int i = 0; i < FBars->Count() && FBars->Items(i) != ABar; ++i)
    if (FBars->Items(i)->Visible()) left += FBars->Items(i)->FullWidth();
  return left;
}

void TKitGutter::SetColor(TColor& AField, TColor AValue) {
  if (AField == AValue) return;
  Change([&] { AField = AValue; });
}

void TKitGutter::SetLineNumberingInterval(int AValue) {
  if (AValue == FLineNumberingInterval) return;
  Change([&] { FLineNumberingInterval = std::max(1, AValue); });
}

void TKitGutter::SetSettings(TKitGutterSettings AValue) {
  if (AValue == FSettings) return;
  Change([&] { FSettings = AValue; });
}

void TKitGutter::SetImage(TImageSlot ASlot, const TKitEditImage& AImage) {
  Change([&] { FImages[ASlot] = AImage; });
}

const TKitEditImage* TKitGutter::Pick(TImageSlot ASlot, int ADefault) const {
  if (!FImages[ASlot].Empty()) return &FImages[ASlot];
  return ADefault >= 0 ? &KitEditGlyph(static_cast<TKitEditGlyph>(ADefault)) : nullptr;
}

const TKitEditImage* TKitGutter::BookmarkGlyph() const { return Pick(giBookmark, egBookmark); }

const TKitEditImage* TKitGutter::BreakpointGlyph(TKitScreenLineProps AProps) const {
  if (AProps.Contains(lpBreakpointActive)) return Pick(giBreakActive, egBreakActive);
  if (AProps.Contains(lpBreakpointDisabled)) return Pick(giBreakDisabled, egBreakDisabled);
  if (AProps.Contains(lpBreakpointInactive)) return Pick(giBreakInactive, egBreakInactive);
  return nullptr;
}

const TKitEditImage* TKitGutter::DebugFrameGlyph(TKitScreenLineProps AProps) const {
  if (AProps.Contains(lpFrameActive)) return Pick(giDebugFrameActive, egDebugActive);
  if (AProps.Contains(lpFrameTop)) return Pick(giDebugFrameTop, egDebugTop);
  if (AProps.Contains(lpFrame)) return Pick(giDebugFrame, -1);
  return nullptr;
}

const TKitEditImage* TKitGutter::FoldGlyph(bool ACollapsed) const {
  return ACollapsed ? Pick(giFoldPlus, egFoldPlus) : Pick(giFoldMinus, egFoldMinus);
}

const TKitEditImage* TKitGutter::FoldEndGlyph() const { return Pick(giFoldEnd, -1); }

const TKitEditImage* TKitGutter::WrapLineGlyph() const { return Pick(giWrapLineBar, egWrapLine); }

void TKitGutter::Assign(const TKitGutter& ASource) {
  if (&ASource == this) return;
  Change([&] {
    for (TImageSlot s : {giBookmark, giBreakActive, giBreakInactive, giBreakDisabled, giFoldPlus, giFoldMinus,
                         giFoldEnd, giDebugFrameTop, giDebugFrameActive, giDebugFrame})
      FImages[s] = ASource.FImages[s];
    FLinesBarBg = ASource.FLinesBarBg;
    FLinesBarTextColor = ASource.FLinesBarTextColor;
    FLineNumberingInterval = ASource.FLineNumberingInterval;
    FFoldsBarBg = ASource.FFoldsBarBg;
    FFoldsBarLineColor = ASource.FFoldsBarLineColor;
    FBookmarksBarBg = ASource.FBookmarksBarBg;
    FBars->Assign(*ASource.FBars);
  });
}

}  // namespace zv

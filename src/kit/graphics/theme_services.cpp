#include "kit/graphics/theme_services.h"

#include <algorithm>
#include <string>

#include "foundation/errors.h"

namespace zv {

TObject* TKitThemeRenderer::Controller() {
  throw Exception("TKitThemesRenderer.Controller method is not implemented!");
}

void TKitThemeRenderer::Init() { throw Exception("TKitThemesRenderer.Init method is not implemented!"); }

TKitThemeServices::TKitThemeServices(TKitStyleServices* Platform) : FPlatform(Platform) {
  FUseThemes = FPlatform != nullptr && FPlatform->ThemesInUse();
}

TKitThemeServices::~TKitThemeServices() = default;

bool TKitThemeServices::UseXPThemes() const {
  return FPlatform != nullptr && FPlatform->ThemesAvailable() && FPlatform->ThemesInUse();
}

TKitThemeMode TKitThemeServices::UseTheme(TKitThemeMode Mode) const {
  if (Mode == ttmNative && FCurrentRenderer != nullptr && FCurrentRenderer->Enabled()) return ttmNative;
  if (Mode != ttmNone && UseXPThemes()) return ttmPlatform;
  return ttmNone;
}

bool TKitThemeServices::ThemesEnabled(TKitThemeMode Mode) const {
  switch (Mode) {
    case ttmNone: return true;
    case ttmPlatform: return FUseThemes;
    case ttmNative: return FCurrentRenderer != nullptr && FCurrentRenderer->Enabled();
  }
  return false;
}

void TKitThemeServices::SetSubstToolBarToButton(bool Value) {
  if (Value == FSubstToolBarToButton) return;
  FSubstToolBarToButton = Value;
  ApplyThemeChange();
}

void TKitThemeServices::RegisterThemeRenderer(TKitThemeRenderer* Renderer) {
  if (Renderer == nullptr) return;
  const TKitString name = Renderer->GetThemeRendererName();
  FAvailableRenderers.emplace_back(name, Renderer);
  if (FCurrentRenderer == nullptr) SelectThemeRenderer(name);
}

void TKitThemeServices::SelectThemeRenderer(const TKitString& RendererName) {
  const auto it = std::find_if(FAvailableRenderers.begin(), FAvailableRenderers.end(),
                               [&](const auto& entry) { return entry.first == RendererName; });
  if (it != FAvailableRenderers.end()) SelectThemeRenderer(static_cast<int>(it - FAvailableRenderers.begin()));
}

void TKitThemeServices::SelectThemeRenderer(int RendererIndex) {
  if (RendererIndex < 0 || RendererIndex >= static_cast<int>(FAvailableRenderers.size())) return;
  TKitThemeRenderer* renderer = FAvailableRenderers[RendererIndex].second;
  if (renderer == nullptr) return;
  FCurrentRenderer = renderer;
  renderer->ActivateDefaultTheme({}, true);
  ApplyThemeChange();
}

bool TKitThemeServices::ActivateColorScheme(const TKitString& ColorScheme) {
  return FCurrentRenderer != nullptr && FCurrentRenderer->ActivateColorScheme(ColorScheme, true);
}

bool TKitThemeServices::ActivateTheme(const TKitString& FileName, const TKitString& ColorScheme) {
  return FCurrentRenderer != nullptr && FCurrentRenderer->ActivateTheme(FileName, ColorScheme);
}

void TKitThemeServices::DeactivateTheme() {
  if (FCurrentRenderer == nullptr) return;
  FCurrentRenderer->DeactivateTheme();
  ApplyThemeChange();
}

void TKitThemeServices::ApplyThemeChange() {
  if (FOnThemeChange) FOnThemeChange(this);
}

void TKitThemeServices::HandleSystemThemeChange() {
  if (!UseXPThemes()) return;
  FSystemThemeIsChanging = true;
  FPlatform->ApplyThemeChange();
  ApplyThemeChange();
  FSystemThemeIsChanging = false;
}

TKitThemePainter* TKitThemeServices::Painter(TKitThemeMode Mode) const {
  switch (UseTheme(Mode)) {
    case ttmPlatform: return FPlatform;
    case ttmNative: return FCurrentRenderer;
    default: return nullptr;
  }
}

bool TKitThemeServices::DrawElement(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                    const TKitRect& Rect, const TKitRect* ClipRect) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->DrawElement(Canvas, Details, Rect, ClipRect);
}

bool TKitThemeServices::DrawElement(TKitThemeMode Mode, TKitCanvas& Canvas, TKitThemedElement Element, int DetailOrd,
                                    const TKitRect& Rect, const TKitRect* ClipRect) {
  TKitThemedElementDetails details{Element, 0, 0};
  GetDetails(Element, DetailOrd, details);
  return DrawElement(Mode, Canvas, details, Rect, ClipRect);
}

bool TKitThemeServices::DrawThemeParentBackground(TKitThemeMode Mode, TObject* Window, TKitCanvas& Canvas,
                                                  const TKitRect* Rect) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->DrawThemeParentBackground(Window, Canvas, Rect);
}

bool TKitThemeServices::DrawThemeEdge(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                      const TKitRect& Rect, unsigned Edge, unsigned Flags, TKitRect* ContentRect) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->DrawThemeEdge(Canvas, Details, Rect, Edge, Flags, ContentRect);
}

bool TKitThemeServices::DrawThemeText(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                      const TKitString& Text, const TKitRect& Rect, unsigned Flags, unsigned Flags2) {
  TKitThemePainter* p = Painter(Mode);
  if (p == nullptr) return false;
  TKitThemedElementDetails details = Details;
  // Tool-bar button text in its checked-and-hot state is drawn as a button's.
  if (FSubstToolBarToButton && details.Element == teToolBar && details.Part == 1 && details.State == 4)
    details.Element = teButton;
  return p->DrawThemeText(Canvas, details, Text, Rect, Flags, Flags2);
}

TKitRect TKitThemeServices::ContentRect(TKitThemeMode Mode, TKitCanvas& Canvas,
                                        const TKitThemedElementDetails& Details, const TKitRect& BoundingRect) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr ? p->ContentRect(Canvas, Details, BoundingRect) : TKitRect{};
}

bool TKitThemeServices::GetThemeColor(TKitThemeMode Mode, const TKitThemedElementDetails& Details, int PropId,
                                      TColor& Color) {
  return GetThemeColor(Mode, Details.Element, Details.Part, Details.State, PropId, Color);
}

bool TKitThemeServices::GetThemeColor(TKitThemeMode Mode, TKitThemedElement Element, int Part, int State, int PropId,
                                      TColor& Color) {
  TKitThemePainter* p = Painter(Mode);
  if (p == nullptr) {
    Color = clNone;
    return false;
  }
  return p->GetThemeColor({Element, Part, State}, PropId, Color);
}

TColor TKitThemeServices::GetThemeSysColor(TKitThemeMode Mode, int ColorId) {
  const TKitThemeMode mode = UseTheme(Mode);
  if (mode == ttmPlatform) return ColorId == 5 ? FPlatform->EditColor() : FPlatform->GetThemeSysColor(ColorId);
  if (mode == ttmNative) return FCurrentRenderer->GetThemeSysColor(ColorId);
  return clNone;
}

bool TKitThemeServices::GetThemeFont(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                     int PropId, TKitThemeFont& Font) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->GetThemeFont(Canvas, Details, PropId, Font);
}

bool TKitThemeServices::GetThemeTextExtent(TKitThemeMode Mode, TKitCanvas& Canvas,
                                           const TKitThemedElementDetails& Details, const TKitString& Text,
                                           unsigned Flags, const TKitRect* BoundingRect, TKitRect& Extent) {
  const TKitThemeMode mode = UseTheme(Mode);
  if (mode == ttmPlatform && !FPlatform->IsSystemStyle()) {
    // A custom style measures by character count.
    Extent = {-1, 0, static_cast<int>(Text.size()) + 1, 3};
    return true;
  }
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->GetThemeTextExtent(Canvas, Details, Text, Flags, BoundingRect, Extent);
}

bool TKitThemeServices::GetThemeBackgroundExtent(TKitThemeMode Mode, TKitCanvas& Canvas,
                                                 const TKitThemedElementDetails& Details, const TKitRect& ContentRect,
                                                 TKitRect& Extent) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->GetThemeBackgroundExtent(Canvas, Details, ContentRect, Extent);
}

bool TKitThemeServices::GetThemePartSize(TKitThemeMode Mode, TKitCanvas& Canvas,
                                         const TKitThemedElementDetails& Details, const TKitRect* Rect, int SizeType,
                                         TKitPoint& Size) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr && p->GetThemePartSize(Canvas, Details, Rect, SizeType, Size);
}

int TKitThemeServices::GetThemeSysSize(TKitThemeMode Mode, int SizeId) {
  TKitThemePainter* p = Painter(Mode);
  return p != nullptr ? p->GetThemeSysSize(SizeId) : 0;
}

namespace {

// Part -> base of the detail ordinals, per element; parts not listed have base 0.
struct TPartBases {
  TKitThemedElement Element;
  std::vector<std::pair<int, int>> Bases;
};

const std::vector<std::pair<int, int>>* BasesOf(TKitThemedElement Element) {
  static const TPartBases kTable[] = {
      {teButton, {{1, 2}, {2, 8}, {3, 16}}},
      {teComboBox, {{1, 2}}},
      {teEdit, {{1, 2}, {2, 9}}},
      {teHeader, {{1, 2}, {2, 5}, {3, 8}, {4, 11}}},
      {teProgress, {{1, 2}, {2, 3}, {3, 4}, {4, 5}}},
      {teScrollBar, {{1, 2}, {2, 22}, {3, 26}, {4, 30}, {5, 35}, {6, 40}, {7, 45}, {8, 50}, {9, 55}, {10, 60}}},
      {teSpin, {{1, 2}, {2, 6}, {3, 10}, {4, 14}}},
      {teStatus, {{1, 2}, {2, 3}, {3, 4}}},
      {teTab, {{1, 2}, {2, 7}, {3, 12}, {4, 17}, {5, 22}, {6, 27}, {7, 32}, {8, 37}, {9, 42}, {10, 43}}},
      {teToolBar, {{1, 2}, {2, 10}, {3, 18}, {4, 26}, {5, 34}, {6, 42}}},
      {teTrackBar, {{1, 2}, {2, 3}, {3, 4}, {4, 9}, {5, 14}, {6, 19}, {7, 24}, {8, 29}, {9, 34}, {10, 35}}},
      {teTreeview, {{0, 1}, {1, 2}, {2, 8}, {3, 10}}},
      {teWindow, {{19, 56}}},
  };
  for (const TPartBases& e : kTable)
    if (e.Element == Element) return &e.Bases;
  return nullptr;
}

}  // namespace

int TKitThemeServices::GetDetailOrd(const TKitThemedElementDetails& Details) {
  const auto* bases = BasesOf(Details.Element);
  if (bases == nullptr) return 0;
  if (Details.Element == teComboBox && Details.Part == 0 && Details.State == 4) return 5;
  if (Details.Element == teHeader && Details.Part == 0 && Details.State == 0) return 2;
  int base = 0;
  for (const auto& [part, b] : *bases)
    if (part == Details.Part) base = b;
  if (Details.Element == teWindow && base == 0) return 0;
  return std::max(Details.State + base - 1, 0);
}

void TKitThemeServices::GetDetails(TKitThemedElement Element, int DetailOrd, TKitThemedElementDetails& Details) {
  if (Element < teButton || Element > teWindow) return;
  // The inverse of GetDetailOrd: the part with the highest base not above the ordinal.
  const auto* bases = BasesOf(Element);
  int best = 0;
  Details = {Element, 0, std::max(DetailOrd + 1, 0)};
  if (bases == nullptr) return;
  for (const auto& [part, base] : *bases)
    if (base <= DetailOrd + (part == 0 ? 1 : 0) && base >= best) {
      best = base;
      Details.Part = part;
      Details.State = DetailOrd - base + 1;
    }
}

TKitThemeServices& KitThemeServices() {
  static TKitThemeServices services;
  return services;
}

void TKitThemesControllerBase::SetEnabled(bool Value) {
  FEnabled = Value;
  TKitThemeRenderer* renderer = ThemeRenderer();
  if (renderer == nullptr) return;
  renderer->SetEnabled(Value);
  if (Value && !FDesigning) KitThemeServices().SelectThemeRenderer(renderer->GetThemeRendererName());
}

void TKitThemesControllerBase::RegisterController() {
  throw Exception(std::string(ClassName()) + ".RegisterController method undefined!");
}

void TKitThemesControllerBase::UnregisterController() {
  throw Exception(std::string(ClassName()) + ".UnregisterController method undefined!");
}

TKitThemeRenderer* TKitThemesControllerBase::ThemeRenderer() {
  throw Exception("TKitThemesControllerBase.GetThemeRenderer method is not implemented!");
}

void TKitThemesControllerBase::Notification(TObject* Component, TKitOperation Operation) {
  if (Operation == opRemove && Component == this) UnregisterController();
  if (Operation == opInsert) RegisterController();
}

}  // namespace zv

// Theme services: the one place through which controls draw themed parts and ask for theme
// metrics. A call names a mode; the services draw with the platform's visual styles, with
// the current registered renderer, or not at all. This system has no platform visual styles
// of its own: unless the shell installs a TKitStyleServices, themes are not in use and only a
// registered renderer can draw.
#pragma once
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "kit/graphics/canvas.h"
#include "kit/text/component.h"

namespace zv {

enum TKitThemeMode { ttmNone, ttmPlatform, ttmNative };

enum TKitThemedElement {
  teButton, teClock, teComboBox, teEdit, teExplorerBar, teHeader, teListView, teMenu, tePage,
  teProgress, teRebar, teScrollBar, teSpin, teStartPanel, teStatus, teTab, teTaskBand, teTaskBar,
  teToolBar, teToolTip, teTrackBar, teTrayNotify, teTreeview, teWindow
};

// One drawable detail: an element's part in a state.
struct TKitThemedElementDetails {
  TKitThemedElement Element = teButton;
  int Part = 0;
  int State = 0;
  friend bool operator==(const TKitThemedElementDetails&, const TKitThemedElementDetails&) = default;
};

enum TKitFormThemeProviderOption : uint8_t { ftpShowSysButton = 1, ftpThemedNCArea = 2 };
using TKitFormThemeProviderOptions = uint8_t;  // a set of TKitFormThemeProviderOption

struct TKitThemeFont {
  TKitString Name;
  int Height = 0;
  int Weight = 0;
  bool Italic = false;
};

// The drawing and metric operations that both the platform's visual styles and a renderer
// provide. Pointers that may be null stand for optional rectangles.
class TKitThemePainter : public TObject {
 public:
  virtual bool DrawElement(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, const TKitRect& Rect,
                           const TKitRect* ClipRect) = 0;
  virtual bool DrawThemeParentBackground(TObject* Window, TKitCanvas& Canvas, const TKitRect* Rect) = 0;
  virtual bool DrawThemeEdge(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, const TKitRect& Rect,
                             unsigned Edge, unsigned Flags, TKitRect* ContentRect) = 0;
  virtual bool DrawThemeText(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, const TKitString& Text,
                             const TKitRect& Rect, unsigned Flags, unsigned Flags2) = 0;
  virtual TKitRect ContentRect(TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                               const TKitRect& BoundingRect) = 0;
  virtual bool GetThemeBackgroundExtent(TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                        const TKitRect& ContentRect, TKitRect& Extent) = 0;
  virtual bool GetThemeColor(const TKitThemedElementDetails& Details, int PropId, TColor& Color) = 0;
  virtual bool GetThemeFont(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, int PropId,
                            TKitThemeFont& Font) = 0;
  virtual bool GetThemePartSize(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, const TKitRect* Rect,
                                int SizeType, TKitPoint& Size) = 0;
  virtual TColor GetThemeSysColor(int ColorId) = 0;
  virtual int GetThemeSysSize(int SizeId) = 0;
  virtual bool GetThemeTextExtent(TKitCanvas& Canvas, const TKitThemedElementDetails& Details, const TKitString& Text,
                                  unsigned Flags, const TKitRect* BoundingRect, TKitRect& Extent) = 0;
};

// The platform's visual styles, when the shell has any to offer.
class TKitStyleServices : public TKitThemePainter {
 public:
  virtual bool ThemesAvailable() const = 0;
  virtual bool ThemesInUse() const = 0;
  // True for the system's own visual style, false for a custom style.
  virtual bool IsSystemStyle() const = 0;
  // The style colour of edit controls (the window colour of a style).
  virtual TColor EditColor() = 0;
  virtual void ApplyThemeChange() = 0;
};

// A native renderer supplied by an add-on.
class TKitThemeRenderer : public TKitThemePainter {
 public:
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool Value) = 0;
  virtual TKitString ActiveThemeName() const = 0;
  virtual TKitString ActiveColorSchemeName() const = 0;
  virtual TKitFormThemeProviderOptions FormThemeProviderOptions() const { return 0; }
  virtual bool FormThemeProvidersEnabled() const { return false; }
  virtual void SetFormThemeProviderOptions(TKitFormThemeProviderOptions) {}
  virtual void SetFormThemeProvidersEnabled(bool) {}
  virtual TObject* Controller();
  virtual void Init();
  // The name the renderer is registered and selected under.
  virtual TKitString GetThemeRendererName() const { return {}; }
  virtual bool ActivateColorScheme(const TKitString& ColorScheme, bool DoApply) = 0;
  virtual bool ActivateTheme(const TKitString& FileName, const TKitString& ColorScheme) = 0;
  virtual bool ActivateDefaultTheme(const TKitString& ColorScheme, bool DoApply) = 0;
  virtual void DeactivateTheme() = 0;
  virtual uintptr_t GetCurrentThemeHandle() { return Enabled() ? 1 : 0; }
  virtual void RegisterFormThemeProvider(TObject*) {}
  virtual void UnregisterFormThemeProvider(TObject*) {}
};

class TKitThemeServices : public TObject {
 public:
  explicit TKitThemeServices(TKitStyleServices* Platform = nullptr);
  ~TKitThemeServices() override;
  TKitThemeServices(const TKitThemeServices&) = delete;
  TKitThemeServices& operator=(const TKitThemeServices&) = delete;

  bool SystemThemeIsChanging() const { return FSystemThemeIsChanging; }
  const TNotifyEvent& OnThemeChange() const { return FOnThemeChange; }
  // The shell's theme-change broadcast to its windows.
  void SetOnThemeChange(TNotifyEvent Handler) { FOnThemeChange = std::move(Handler); }
  TKitThemeRenderer* CurrentRenderer() const { return FCurrentRenderer; }
  // Names and renderers in registration order; the services do not own the renderers.
  const std::vector<std::pair<TKitString, TKitThemeRenderer*>>& AvailableRenderers() const {
    return FAvailableRenderers;
  }
  bool SubstToolBarToButton() const { return FSubstToolBarToButton; }
  void SetSubstToolBarToButton(bool Value);

  // Whether the platform's visual styles are in use now.
  bool UseXPThemes() const;
  TKitThemeMode UseTheme(TKitThemeMode Mode) const;
  bool ThemesEnabled(TKitThemeMode Mode) const;

  void RegisterThemeRenderer(TKitThemeRenderer* Renderer);
  void SelectThemeRenderer(const TKitString& RendererName);
  void SelectThemeRenderer(int RendererIndex);
  bool ActivateColorScheme(const TKitString& ColorScheme);
  bool ActivateTheme(const TKitString& FileName, const TKitString& ColorScheme);
  void DeactivateTheme();
  void ApplyThemeChange();
  // What the shell calls when the system reports a theme change.
  void HandleSystemThemeChange();

  bool DrawElement(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                   const TKitRect& Rect, const TKitRect* ClipRect = nullptr);
  // The detail given by its ordinal in the element's detail enumeration.
  bool DrawElement(TKitThemeMode Mode, TKitCanvas& Canvas, TKitThemedElement Element, int DetailOrd,
                   const TKitRect& Rect, const TKitRect* ClipRect = nullptr);
  bool DrawThemeParentBackground(TKitThemeMode Mode, TObject* Window, TKitCanvas& Canvas, const TKitRect* Rect);
  bool DrawThemeEdge(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                     const TKitRect& Rect, unsigned Edge, unsigned Flags, TKitRect* ContentRect);
  bool DrawThemeText(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                     const TKitString& Text, const TKitRect& Rect, unsigned Flags, unsigned Flags2);
  TKitRect ContentRect(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                       const TKitRect& BoundingRect);
  bool GetThemeColor(TKitThemeMode Mode, const TKitThemedElementDetails& Details, int PropId, TColor& Color);
  bool GetThemeColor(TKitThemeMode Mode, TKitThemedElement Element, int Part, int State, int PropId, TColor& Color);
  TColor GetThemeSysColor(TKitThemeMode Mode, int ColorId);
  bool GetThemeFont(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details, int PropId,
                    TKitThemeFont& Font);
  bool GetThemeTextExtent(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                          const TKitString& Text, unsigned Flags, const TKitRect* BoundingRect, TKitRect& Extent);
  bool GetThemeBackgroundExtent(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                                const TKitRect& ContentRect, TKitRect& Extent);
  bool GetThemePartSize(TKitThemeMode Mode, TKitCanvas& Canvas, const TKitThemedElementDetails& Details,
                        const TKitRect* Rect, int SizeType, TKitPoint& Size);
  int GetThemeSysSize(TKitThemeMode Mode, int SizeId);

  // The details of the detail ordinal DetailOrd of Element's enumeration.
  static void GetDetails(TKitThemedElement Element, int DetailOrd, TKitThemedElementDetails& Details);
  // The ordinal of a detail in its element's enumeration.
  static int GetDetailOrd(const TKitThemedElementDetails& Details);

 private:
  // The painter that serves Mode now, or none.
  TKitThemePainter* Painter(TKitThemeMode Mode) const;

  TKitStyleServices* FPlatform;
  bool FSystemThemeIsChanging = false;
  bool FUseThemes = false;
  TNotifyEvent FOnThemeChange;
  TKitThemeRenderer* FCurrentRenderer = nullptr;
  std::vector<std::pair<TKitString, TKitThemeRenderer*>> FAvailableRenderers;
  bool FSubstToolBarToButton = true;
};

// The process-wide services, created on first use.
TKitThemeServices& KitThemeServices();

enum TKitOperation { opInsert, opRemove };

// Base of the component that switches a renderer on and off.
class TKitThemesControllerBase : public TKitCustomComponent {
 public:
  explicit TKitThemesControllerBase(TObject* Owner = nullptr) : TKitCustomComponent(Owner) {}
  virtual const char* ClassName() const { return "TKitThemesControllerBase"; }
  bool Enabled() const { return FEnabled; }
  // Passes the value to the renderer; switching on selects the renderer in the services.
  void SetEnabled(bool Value);
  virtual void RegisterController();
  virtual void UnregisterController();
  virtual TKitThemeRenderer* ThemeRenderer();
  virtual TKitFormThemeProviderOptions FormThemeProviderOptions() const { return FFormThemeProviderOptions; }
  virtual bool FormThemeProvidersEnabled() const { return FFormThemeProvidersEnabled; }
  virtual void SetFormThemeProviderOptions(TKitFormThemeProviderOptions Value) { FFormThemeProviderOptions = Value; }
  virtual void SetFormThemeProvidersEnabled(bool Value) { FFormThemeProvidersEnabled = Value; }
  // The owner reports components coming and going; the controller registers itself.
  virtual void Notification(TObject* Component, TKitOperation Operation);
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }

 private:
  bool FEnabled = true;
  bool FFormThemeProvidersEnabled = false;
  TKitFormThemeProviderOptions FFormThemeProviderOptions = 0;
  bool FDesigning = false;
};

}  // namespace zv

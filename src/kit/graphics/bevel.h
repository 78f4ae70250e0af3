// The border description of the library's controls: in one of four modes a bevel paints a
// frame around a control rectangle and tells the control how much of the rectangle the frame
// takes. Also the frame routines it draws with, among them the edge drawing of 3D borders.
#pragma once
#include <cstdint>

#include "kit/graphics/canvas.h"
#include "kit/graphics/settings.h"

namespace zv {

enum TKitBevelStyle { bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow, bvSpace, bvFlat };
enum TKitBevelMode { bmCustom, bmStandard, bmEdge, bmWindows };
enum TKitBorderStyle {
  lsNone, lsSingle, lsLowered, lsRaised, lsRaisedspb, lsLoweredspb, lsRaisedExt, lsLoweredExt, lsFrameInset,
  lsFrameOffset, lsWindowBorder, lsSingleRaised, lsSingleLowered, lsDoubleRaised, lsDoubleLowered
};
enum TKitEdgeStyle { etRaisedInner, etRaisedOuter, etSunkenInner, etSunkenOuter, etBump, etEtched, etRaised, etSunken };
enum TKitFrameSide : uint8_t { fsBottom = 1, fsLeft = 2, fsRight = 4, fsTop = 8 };
using TKitFrameSides = uint8_t;  // a set of TKitFrameSide
constexpr TKitFrameSides KitAllFrameSides = fsBottom | fsLeft | fsRight | fsTop;
using TKitBevelWidth = int;   // 0..50
using TKitBorderWidth = int;  // 0..255

// Edge drawing. An edge kind combines an outer and an inner ring; the sides say where each
// ring is drawn; KitEdgeAdjust moves the rectangle inside what was drawn, KitEdgeSoft swaps
// the top-left colours of the outer and inner rings.
constexpr unsigned KitEdgeRaisedOuter = 0x1;
constexpr unsigned KitEdgeSunkenOuter = 0x2;
constexpr unsigned KitEdgeRaisedInner = 0x4;
constexpr unsigned KitEdgeSunkenInner = 0x8;
constexpr unsigned KitEdgeRaised = KitEdgeRaisedOuter | KitEdgeRaisedInner;
constexpr unsigned KitEdgeSunken = KitEdgeSunkenOuter | KitEdgeSunkenInner;
constexpr unsigned KitEdgeEtched = KitEdgeSunkenOuter | KitEdgeRaisedInner;
constexpr unsigned KitEdgeBump = KitEdgeRaisedOuter | KitEdgeSunkenInner;
constexpr unsigned KitSideLeft = 0x1;
constexpr unsigned KitSideTop = 0x2;
constexpr unsigned KitSideRight = 0x4;
constexpr unsigned KitSideBottom = 0x8;
constexpr unsigned KitSideAll = 0xF;
constexpr unsigned KitEdgeSoft = 0x1000;
constexpr unsigned KitEdgeAdjust = 0x2000;

// Draws the edge rings on the chosen sides of Rect: per ring the left and top lines in the
// ring's top-left colour, then the right and bottom lines in its bottom-right colour (so the
// latter own the top-right and bottom-left corners); the inner ring lies one pixel inside
// the outer one on the chosen sides. Colours (bevel.cpp) are system colours.
void KitDrawEdge(TKitCanvas& Canvas, TKitRect& Rect, unsigned Edge, unsigned Flags);

// A bevel frame of Width pixels; false (and R unmoved) when it takes no room by itself:
// width 0, bvNone, bvShadow, bvSpace and bvFlat (one frame in ShadowColor).
bool KitDrawBevelFrame(TKitCanvas& Canvas, TKitRect& R, TKitBevelStyle Style, int Width, TColor ShadowColor,
                       TColor LightColor);
// A drop shadow WidthOuter wide at the right and bottom (the two corners in BorderColor
// unless Transparent), then WidthInner frames in LightColor.
void KitDrawShadowFrame(TKitCanvas& Canvas, TKitRect& R, TColor LightColor, bool Transparent, int WidthInner,
                        int WidthOuter, TColor BorderColor, TColor ShadowColor);
// A standard border; ExtraFlags are added to the side flags of each edge.
void KitDrawBorder(TKitCanvas& Canvas, TKitRect& R, TKitBorderStyle Style, unsigned ExtraFlags = 0);

// The mode's and style names without their two-letter prefix.
const char* KitBevelModeName(TKitBevelMode Mode);

class TKitBevel : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  const char* ClassName() const override { return "TKitBevel"; }

  TKitBevelStyle StyleInner() const { return FBevelStyleInner; }
  void SetStyleInner(TKitBevelStyle Value) { SetStyles(&FBevelStyleInner, &FBevelStyleOuter, Value); }
  TKitBevelStyle StyleOuter() const { return FBevelStyleOuter; }
  void SetStyleOuter(TKitBevelStyle Value) { SetStyles(&FBevelStyleOuter, &FBevelStyleInner, Value); }
  TKitBevelWidth WidthInner() const { return FBevelWidthInner; }
  void SetWidthInner(TKitBevelWidth Value) { Store(FBevelWidthInner, KitClamp(Value, 0, 50)); }
  TKitBevelWidth WidthOuter() const { return FBevelWidthOuter; }
  void SetWidthOuter(TKitBevelWidth Value) { Store(FBevelWidthOuter, KitClamp(Value, 0, 50)); }
  // Index 0 BorderColor, 1 LightColor, 2 ShadowColor; another index only notifies.
  TColor GetColor(int Index) const;
  void SetColor(int Index, TColor Value);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor Value) { SetColor(0, Value); }
  TColor LightColor() const { return FLightColor; }
  void SetLightColor(TColor Value) { SetColor(1, Value); }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value) { SetColor(2, Value); }
  TKitBorderWidth BorderInnerWidth() const { return FBorderSpace; }
  void SetBorderInnerWidth(TKitBorderWidth Value) { Store(FBorderSpace, KitClamp(Value, 0, 255)); }
  TKitBorderWidth BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(TKitBorderWidth Value) { Store(FBorderWidth, KitClamp(Value, 0, 255)); }
  TKitFrameSides BorderSides() const { return FBorderSides; }
  void SetBorderSides(TKitFrameSides Value) { Store(FBorderSides, static_cast<TKitFrameSides>(Value & KitAllFrameSides)); }
  TKitEdgeStyle EdgeStyle() const { return FEdgeStyle; }
  void SetEdgeStyle(TKitEdgeStyle Value) { Store(FEdgeStyle, Value); }
  TKitBevelMode Mode() const { return FMode; }
  void SetMode(TKitBevelMode Value);
  TKitBorderStyle StandardStyle() const { return FStyle; }
  // Notifies only in bmStandard, the one mode it shows in.
  void SetStandardStyle(TKitBorderStyle Value);
  bool SupportWindowsMode() const { return FSupport; }
  void SetSupportWindowsMode(bool Value) { Store(FSupport, Value); }
  bool ModeChanging() const { return FModeChanging; }
  // The frame's thickness, computed at each change (0 until the first).
  int BevelExtend() const { return FExt; }
  int BevelExtendRight() const { return FExtr; }

  // Recomputes the extents, then notifies.
  void Change() override;
  void Assign(const TKitSettingObject* Source) override;
  // "{" + the mode's name + "}".
  TKitString GetSetStr() const override;

  // What the frame leaves of ControlRect.
  TKitRect ClientRect(const TKitRect& ControlRect) const;
  // Paints the frame around Rect; Result is what it leaves inside. Transparent leaves the
  // bands and the unpainted edge strips as they are.
  void PaintBevel(TKitCanvas& Canvas, const TKitRect& Rect, TKitRect& Result, bool Transparent) const;

 private:
  // A drop shadow is the style of both rings or of neither.
  void SetStyles(TKitBevelStyle* Field, TKitBevelStyle* Other, TKitBevelStyle Value);
  int Extent() const;
  void PaintBand(TKitCanvas& Canvas, TKitRect& R, int Width, bool Transparent) const;

  TKitBevelStyle FBevelStyleInner = bvNone;
  TKitBevelStyle FBevelStyleOuter = bvNone;
  TKitBevelWidth FBevelWidthInner = 1;
  TKitBevelWidth FBevelWidthOuter = 1;
  TColor FBorderColor = clBtnFace;
  TKitBorderWidth FBorderSpace = 0;
  TKitBorderWidth FBorderWidth = 0;
  TKitFrameSides FBorderSides = KitAllFrameSides;
  TKitEdgeStyle FEdgeStyle = etEtched;
  int FExt = 0;
  int FExtr = 0;
  TColor FLightColor = clBtnHighlight;
  TKitBevelMode FMode = bmCustom;
  TColor FShadowColor = clBtnShadow;
  TKitBorderStyle FStyle = lsSingleLowered;
  bool FSupport = false;
  bool FModeChanging = false;
};

}  // namespace zv

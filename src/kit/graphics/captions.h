// How a control draws its caption: a three-dimensional look and, for the FX caption, a
// rotation and a position. The objects hold the description; controls do the drawing.
#pragma once
#include <cstdint>

#include "kit/graphics/settings.h"

namespace zv {

enum TKitThreeDStyle {
  tdNone, tdSunken, tdRaised, tdSunkenShadow, tdRaisedShadow, tdPColorSunken, tdPColorRaised,
  tdShadow, tdOutline, tdExtrude, tdExtrudeEnh
};
enum TKitThreeDOrientation { toBottomLeft, toBottomRight, toTopLeft, toTopRight };
enum TKitDisabledStyle { dsAuto, dsStandard, ds3d, dsNone };
using TKitAngle = int;  // 0..360

// The style's name as written in stored forms ("tdRaised").
const char* KitThreeDStyleName(TKitThreeDStyle Style);

class TKit3DCaption : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  const char* ClassName() const override { return "TKit3DCaption"; }

  TKitDisabledStyle DisabledStyle() const { return FDisabledStyle; }
  void SetDisabledStyle(TKitDisabledStyle Value) { Store(FDisabledStyle, Value); }
  // Index 0 is LightDepth, 1 is ShadowDepth.
  uint8_t GetDepth(int Index) const { return Index == 0 ? FLightDepth : FShadowDepth; }
  void SetDepth(int Index, uint8_t Value) { Store(Index == 0 ? FLightDepth : FShadowDepth, Value); }
  uint8_t LightDepth() const { return FLightDepth; }
  void SetLightDepth(uint8_t Value) { SetDepth(0, Value); }
  uint8_t ShadowDepth() const { return FShadowDepth; }
  void SetShadowDepth(uint8_t Value) { SetDepth(1, Value); }
  // Index 0 is LightColor, 1 is ShadowColor.
  TColor GetColor(int Index) const { return Index == 0 ? FLightColor : FShadowColor; }
  void SetColor(int Index, TColor Value) { Store(Index == 0 ? FLightColor : FShadowColor, Value); }
  TColor LightColor() const { return FLightColor; }
  void SetLightColor(TColor Value) { SetColor(0, Value); }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value) { SetColor(1, Value); }
  TKitThreeDStyle Style() const { return FStyle; }
  void SetStyle(TKitThreeDStyle Value) { Store(FStyle, Value); }
  TKitThreeDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKitThreeDOrientation Value) { Store(FOrientation, Value); }
  int Tracing() const { return FTracing; }
  void SetTracing(int Value) { Store(FTracing, Value); }

  // Copies everything but the orientation.
  void Assign(const TKitSettingObject* Source) override;
  // "{" + the style name without its prefix + "}".
  TKitString GetSetStr() const override;

 protected:
  void CopyFrom(const TKit3DCaption& Source);

 private:
  TKitDisabledStyle FDisabledStyle = dsAuto;
  uint8_t FLightDepth = 1;
  uint8_t FShadowDepth = 1;
  TColor FLightColor = clBtnHighlight;
  TColor FShadowColor = clBtnShadow;
  TKitThreeDStyle FStyle = tdNone;
  TKitThreeDOrientation FOrientation = toTopLeft;
  int FTracing = 0;
};

class TKitFxCaption : public TKit3DCaption {
 public:
  using TKit3DCaption::TKit3DCaption;
  const char* ClassName() const override { return "TKitFxCaption"; }

  TKitAngle Angle() const { return FAngle; }
  // 360 is stored as 0, yet compared as given: turning a caption at 0 to 360 is a change.
  void SetAngle(TKitAngle Value) {
    if (Value == FAngle) return;
    FAngle = Value == 360 ? 0 : Value;
    Change();
  }
  // Index 0 is PosX, 1 is PosY.
  uint16_t GetPos(int Index) const { return Index == 0 ? FPosX : FPosY; }
  void SetPos(int Index, uint16_t Value) { Store(Index == 0 ? FPosX : FPosY, Value); }
  uint16_t PosX() const { return FPosX; }
  void SetPosX(uint16_t Value) { SetPos(0, Value); }
  uint16_t PosY() const { return FPosY; }
  void SetPosY(uint16_t Value) { SetPos(1, Value); }
  // Both positions, without a change notification.
  void SetPosXY(uint16_t X, uint16_t Y);

  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override;

 private:
  TKitAngle FAngle = 0;
  uint16_t FPosX = 0;
  uint16_t FPosY = 0;
};

}  // namespace zv

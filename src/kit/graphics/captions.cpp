#include "kit/graphics/captions.h"

#include <string>

namespace zv {

const char* KitThreeDStyleName(TKitThreeDStyle Style) {
  static const char* const kNames[] = {"tdNone",         "tdSunken",       "tdRaised", "tdSunkenShadow",
                                       "tdRaisedShadow", "tdPColorSunken", "tdPColorRaised", "tdShadow",
                                       "tdOutline",      "tdExtrude",      "tdExtrudeEnh"};
  return Style >= tdNone && Style <= tdExtrudeEnh ? kNames[Style] : "";
}

void TKit3DCaption::CopyFrom(const TKit3DCaption& Source) {
  FDisabledStyle = Source.FDisabledStyle;
  FLightDepth = Source.FLightDepth;
  FShadowDepth = Source.FShadowDepth;
  FLightColor = Source.FLightColor;
  FShadowColor = Source.FShadowColor;
  FStyle = Source.FStyle;
  FTracing = Source.FTracing;
}

void TKit3DCaption::Assign(const TKitSettingObject* Source) {
  if (const auto* src = dynamic_cast<const TKit3DCaption*>(Source)) {
    CopyFrom(*src);
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

TKitString TKit3DCaption::GetSetStr() const {
  const std::string name = KitThreeDStyleName(FStyle);
  return KitAsciiToString("{" + name.substr(name.size() >= 2 ? 2 : 0) + "}");
}

void TKitFxCaption::SetPosXY(uint16_t X, uint16_t Y) {
  BeginUpdate();
  SetPosX(X);
  SetPosY(Y);
  EndUpdate(false);
}

void TKitFxCaption::Assign(const TKitSettingObject* Source) {
  if (const auto* src = dynamic_cast<const TKitFxCaption*>(Source)) {
    CopyFrom(*src);
    FPosX = src->FPosX;
    FPosY = src->FPosY;
    FAngle = src->FAngle;
    Change();
    return;
  }
  TKit3DCaption::Assign(Source);
}

TKitString TKitFxCaption::GetSetStr() const {
  TKitString text = TKit3DCaption::GetSetStr();
  if (FAngle == 0) return text;
  if (text == u"{Disabled}")
    text = u"{";
  else
    text.back() = u',';
  return text + KitAsciiToString(" rot: " + std::to_string(FAngle)) + u"\u00B0}";
}

}  // namespace zv

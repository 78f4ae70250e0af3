#include "kit/graphics/alpha_effects.h"

#include <cmath>

#include "kit/graphics/global_container.h"

namespace zv {

void KitBitmapToMonochrome(TKitBitmap& Bitmap) {
  TKitBitmap mono(Bitmap.Width(), Bitmap.Height(), pf1bit);
  for (int y = 0; y < Bitmap.Height(); ++y)
    for (int x = 0; x < Bitmap.Width(); ++x)
      if (Bitmap.Pixel(x, y) == clWhite) mono.SetColorIndex(x, y, 1);
  Bitmap = std::move(mono);
}

// ---- alpha object ----

TKitAlphaObject::TKitAlphaObject(TObject* Owner) : TKitSettingObject(Owner), FFillObject(this) {
  FFillObject.SetOnChange([this](TObject* Sender) { NotifyChange(Sender); });
  FChangeLink.SetOnChange([this](TObject*) { RefreshListPicture(); });
}

TKitAlphaObject::~TKitAlphaObject() = default;

TKitCustomImageList* TKitAlphaObject::ImageList() const {
  // The link loses its sender when the list is destroyed.
  return FChangeLink.Sender() != nullptr ? FImageList : nullptr;
}

void TKitAlphaObject::SetImageList(TKitCustomImageList* Value) {
  if (TKitCustomImageList* old = ImageList()) old->UnRegisterChanges(&FChangeLink);
  FImageList = Value;
  if (Value != nullptr) Value->RegisterChanges(&FChangeLink);
  RefreshListPicture();
}

void TKitAlphaObject::SetStrength(float Value) {
  if (Value == FStrength) return;
  FStrength = Value;
  NotifyChange(this);
}

void TKitAlphaObject::SetIndex(int Index, int Value) {
  (Index == 0 ? FImageIndex : FListIndex) = Value;
  RefreshListPicture();
}

void TKitAlphaObject::RefreshListPicture() {
  TKitCustomImageList* list = ImageList();
  TKitBitmap picture;
  if (list != nullptr && list->IsValidItem(FListIndex, FImageIndex))
    list->GetBitmapItem(FListIndex, FImageIndex, &picture);
  FFillObject.SetListBitmap(picture);
  NotifyChange(&FFillObject);
}

bool TKitAlphaObject::Enabled() const { return FFillObject.Style() != sfNone && FStrength != 1; }

const TKitPalette* TKitAlphaObject::Palette() const {
  return FFillObject.Style() != sfNone ? FFillObject.Palette() : nullptr;
}

void TKitAlphaObject::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitAlphaObject*>(Source);
  if (src == nullptr) return TKitSettingObject::Assign(Source);
  BeginUpdate();
  FFillObject.Assign(&src->FFillObject);
  FTransparent = src->FTransparent;
  FStrength = src->FStrength;
  FImageIndex = src->FImageIndex;
  FListIndex = src->FListIndex;
  SetImageList(src->ImageList());
  EndUpdate(false);
}

TKitString TKitAlphaObject::GetSetStr() const {
  const TKitFillStyle style = FFillObject.Style();
  if (style == sfNone) return u"{Disabled}";
  const char* kind = style == sfBrush                               ? "brush"
                     : style == sfBitmap || style == sfBitmapList ? "bmp"
                     : style == sfGradient                         ? "grad"
                                                                   : "";
  return KitAsciiToString(Format("{Enabled (%s), strength: %.3f}", kind, static_cast<double>(FStrength)));
}

bool TKitAlphaObject::StoreStrength() const { return std::lround(double{FStrength} * 1000000) != 600000; }

bool TKitAlphaObject::StoreImageList() const { return ImageList() != nullptr && !IsGlobalList(ImageList()); }

bool TKitAlphaObject::HasInternal() const { return IsGlobalList(ImageList()); }

void TKitAlphaObject::WriteInternal(TKitStream& Stream) const { WriteGlobalListRef(Stream, ImageList()); }

void TKitAlphaObject::ReadInternal(TKitStream& Stream) { SetImageList(ReadGlobalListRef(Stream)); }

void TKitAlphaObject::AlphaBlend(TKitBitmap& Target) {
  if (FFillObject.Style() == sfNone || Target.Empty()) return;
  const TKitRect whole{0, 0, Target.Width(), Target.Height()};
  TKitBitmap fill(Target.Width(), Target.Height(), pf24bit);
  TKitBitmapCanvas canvas(fill);
  FFillObject.FillCanvas(canvas, whole, clWhite);
  fill.SetTransparentColor(FFillObject.Bitmap().TransparentColor());
  Target.SetPixelFormat(pf24bit);
  KitBmpBlend(Target, fill, whole, {0, 0}, Target, FStrength, {0, 0});
}

void TKitAlphaObject::ControlBlend(const TKitBitmap& OriginalBack, const TKitRect& ControlsRect, const TKitRect& Src,
                                   TKitCanvas& Target, const TKitRect& DestinationRect) {
  TKitBitmap area(KitRectWidth(ControlsRect), KitRectHeight(ControlsRect), pf24bit);
  TKitBitmapCanvas(area).StretchDraw({0, 0, area.Width(), area.Height()}, OriginalBack, ControlsRect);
  AlphaBlend(area);
  const TKitCopyMode saved = Target.CopyMode;
  Target.CopyMode = cmSrcCopy;
  Target.StretchDraw(DestinationRect, area, Src);
  Target.CopyMode = saved;
}

// ---- bitmap effect object ----

TKitBitmapEffectObject::TKitBitmapEffectObject(TObject* Owner) : TKitSettingObject(Owner), FAlphaObject(this) {
  FAlphaObject.SetOnChange([this](TObject* Sender) { NotifyChange(Sender); });
}

bool TKitBitmapEffectObject::GetBool(int Index) const {
  switch (Index) {
    case 0: return FFlipVert;
    case 1: return FFlipHoriz;
    case 2: return FGrayScale;
    case 3: return FInvert;
    case 4: return FBuffered;
    case 5: return FMonochrome;
    default: return false;
  }
}

void TKitBitmapEffectObject::SetBool(int Index, bool Value) {
  bool* fields[] = {&FFlipVert, &FFlipHoriz, &FGrayScale, &FInvert, &FBuffered, &FMonochrome};
  if (Index < 0 || Index > 5 || *fields[Index] == Value) return;
  *fields[Index] = Value;
  if (Index == 4) {
    FBufferValid = false;
    FBitmap = Value ? std::make_unique<TKitBitmap>() : nullptr;
  }
  NotifyChange(this);
}

void TKitBitmapEffectObject::SetBrightness(TKitBrightness Value) {
  Value = KitClamp(Value, -255, 255);
  if (Value == FBrightness) return;
  FBrightness = Value;
  NotifyChange(this);
}

void TKitBitmapEffectObject::NotifyChange(TObject* Sender) {
  TKitSettingObject::NotifyChange(Sender);
  FBufferValid = false;
}

bool TKitBitmapEffectObject::Enabled() const {
  return FFlipVert || FFlipHoriz || FGrayScale || FInvert || FBrightness != 0 || FAlphaObject.Enabled();
}

void TKitBitmapEffectObject::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitBitmapEffectObject*>(Source);
  if (src == nullptr) return TKitSettingObject::Assign(Source);
  BeginUpdate();
  FFlipVert = src->FFlipVert;
  FFlipHoriz = src->FFlipHoriz;
  FGrayScale = src->FGrayScale;
  FInvert = src->FInvert;
  FBrightness = src->FBrightness;
  SetBuffered(src->FBuffered);
  FAlphaObject.Assign(&src->FAlphaObject);
  EndUpdate(false);
  NotifyChange(this);
}

TKitString TKitBitmapEffectObject::GetSetStr() const {
  std::string names;
  auto add = [&](bool On, const char* Name) {
    if (!On) return;
    if (!names.empty()) names += ",";
    names += Name;
  };
  add(FAlphaObject.FillObject().Style() != sfNone, "alpha");
  add(FFlipVert, "FV");
  add(FFlipHoriz, "FH");
  add(FGrayScale, "GS");
  add(FInvert, "INV");
  add(FBrightness != 0, "B");
  return KitAsciiToString("{" + (names.empty() ? std::string("Disabled") : names) + "}");
}

bool TKitBitmapEffectObject::DrawBuffer(TKitBitmap& Target) {
  if (!FBuffered || !FBufferValid || !FBitmap) return false;
  TKitBitmapCanvas canvas(Target);
  canvas.CopyMode = cmSrcCopy;
  canvas.Draw(0, 0, *FBitmap);
  return true;
}

void TKitBitmapEffectObject::FillBuffer(const TKitBitmap& Target) {
  // The buffer takes the target's size, so that drawing it gives the whole result back.
  if (!FBuffered || FBufferValid || !FBitmap) return;
  *FBitmap = Target;
  FBufferValid = true;
}

void TKitBitmapEffectObject::ApplyEffects(TKitBitmap& Target, const TKitRect& Rect) {
  const TKitPoint pos{Rect.Left, Rect.Top};
  if (FFlipVert) KitBmpFlipVertical(Target, Rect, Target, pos);
  if (FFlipHoriz) KitBmpFlipHorizontal(Target, Rect, Target, pos);
  if (FGrayScale) KitBmpGrayScale(Target, Rect, Target, pos);
  if (FInvert) KitBmpInvert(Target, Rect, Target, pos);
  if (FBrightness != 0) KitBmpBrightness(Target, Rect, Target, FBrightness, pos);
}

void TKitBitmapEffectObject::Draw(TKitBitmap& Target) {
  if (DrawBuffer(Target)) return;
  const TKitRect whole{0, 0, Target.Width(), Target.Height()};
  const TKitPoint origin{0, 0};
  if (FFlipVert) KitBmpFlipVertical(Target, whole, Target, origin);
  if (FFlipHoriz) KitBmpFlipHorizontal(Target, whole, Target, origin);
  if (FGrayScale) KitBmpGrayScale(Target, whole, Target, origin);
  if (FInvert) KitBmpInvert(Target, whole, Target, origin);
  if (FMonochrome) KitBitmapToMonochrome(Target);
  if (FBrightness != 0) KitBmpBrightness(Target, whole, Target, FBrightness, origin);
  FAlphaObject.AlphaBlend(Target);
  FillBuffer(Target);
}

void TKitBitmapEffectObject::DrawCopy(const TKitBitmap& Source, TKitBitmap& Target) {
  Target = Source;
  Draw(Target);
}

void TKitBitmapEffectObject::DrawCopyFromRect(const TKitBitmap& Source, const TKitRect& SourceRect,
                                              TKitBitmap& Target) {
  TKitBitmapCanvas canvas(Target);
  canvas.StretchDraw({0, 0, KitRectWidth(SourceRect), KitRectHeight(SourceRect)}, Source, SourceRect);
  Draw(Target);
}

void TKitBitmapEffectObject::DrawCopyRect(const TKitBitmap& Source, const TKitRect& SourceRect,
                                          const TKitPoint& TargetPt, TKitBitmap& Target) {
  if (DrawBuffer(Target)) return;
  const TKitRect area{TargetPt.X, TargetPt.Y, TargetPt.X + KitRectWidth(SourceRect),
                      TargetPt.Y + KitRectHeight(SourceRect)};
  TKitBitmapCanvas(Target).StretchDraw(area, Source, SourceRect);
  // The effects work on the copied area one after the other, so that they combine.
  ApplyEffects(Target, area);
  FillBuffer(Target);
}

void TKitBitmapEffectObject::DrawCutRect(const TKitBitmap& Source, const TKitRect& SourceRect,
                                         const TKitRect& TargetRect, TKitBitmap& Target) {
  const int w = KitRectWidth(SourceRect), h = KitRectHeight(SourceRect);
  TKitBitmap processed(w, h, pf24bit);
  TKitBitmapCanvas(processed).StretchDraw({0, 0, w, h}, Source, SourceRect);
  Draw(processed);
  TKitBitmapCanvas target(Target);
  target.StretchDraw({0, 0, w, h}, Source, SourceRect);
  target.StretchDraw(TargetRect, processed, TargetRect);
}

void TKitBitmapEffectObject::DrawCutRect2(const TKitBitmap& Source, const TKitRect& SourceRect,
                                          const TKitRect& TargetRect, TKitBitmap& Target) {
  if (DrawBuffer(Target)) return;
  const int w = KitRectWidth(SourceRect), h = KitRectHeight(SourceRect);
  TKitBitmapCanvas(Target).StretchDraw({0, 0, w, h}, Source, SourceRect);
  ApplyEffects(Target, TargetRect);
  if (FAlphaObject.FillObject().Style() != sfNone && w > 0 && h > 0) {
    TKitBitmap fill(w + 2, h + 2, pf24bit);
    TKitBitmapCanvas canvas(fill);
    FAlphaObject.FillObject().FillCanvas(canvas, {0, 0, w, h}, clWhite);
    Target.SetPixelFormat(pf24bit);
    const TKitPoint corner{TargetRect.Left, TargetRect.Top};
    KitBmpBlend(Target, fill, TargetRect, corner, Target, FAlphaObject.Strength(), corner);
  }
  FillBuffer(Target);
}

}  // namespace zv

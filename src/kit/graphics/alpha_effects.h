// Two setting objects that post-process a picture: the alpha object lays a fill (its
// picture optionally taken from an image list) semi-transparently over a bitmap; the bitmap
// effect object mirrors, greys, inverts, makes monochrome, brightens and applies the alpha
// overlay, optionally keeping the result in a buffer.
#pragma once
#include <memory>

#include "kit/graphics/container.h"
#include "kit/graphics/pixel_effects.h"
#include "kit/graphics/shape_fill.h"

namespace zv {

class TKitAlphaObject : public TKitSettingObject {
 public:
  explicit TKitAlphaObject(TObject* Owner = nullptr);
  TKitAlphaObject(const TKitAlphaObject&) = delete;
  TKitAlphaObject& operator=(const TKitAlphaObject&) = delete;
  ~TKitAlphaObject() override;
  const char* ClassName() const override { return "TKitAlphaObject"; }

  // Not owned; null once the list is gone.
  TKitCustomImageList* ImageList() const;
  void SetImageList(TKitCustomImageList* Value);
  float Strength() const { return FStrength; }
  void SetStrength(float Value);
  // Index 0 ImageIndex, 1 ListIndex; setting refreshes the fill's list picture.
  int GetIndex(int Index) const { return Index == 0 ? FImageIndex : FListIndex; }
  void SetIndex(int Index, int Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { SetIndex(0, Value); }
  int ListIndex() const { return FListIndex; }
  void SetListIndex(int Value) { SetIndex(1, Value); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  TKitFillObject& FillObject() { return FFillObject; }
  const TKitFillObject& FillObject() const { return FFillObject; }
  void SetFillObject(const TKitFillObject& Value) { FFillObject.Assign(&Value); }

  // A fill to lay over, and not at full strength of the picture.
  bool Enabled() const;
  const TKitPalette* Palette() const;
  // From another alpha object, without a change signal.
  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override;

  // What a stored form keeps: Strength unless it is the default 0.6; the list as a
  // reference unless it is a global list, which goes into "Internal" by its signature.
  bool StoreStrength() const;
  bool StoreImageList() const;
  bool HasInternal() const;
  void WriteInternal(TKitStream& Stream) const;
  void ReadInternal(TKitStream& Stream);

  // Blends the fill over the whole target, which becomes 24-bit: Strength 1 keeps the
  // picture, 0 gives the fill.
  void AlphaBlend(TKitBitmap& Target);
  // ControlsRect of OriginalBack, blended, and its Src area drawn to DestinationRect.
  void ControlBlend(const TKitBitmap& OriginalBack, const TKitRect& ControlsRect, const TKitRect& Src,
                    TKitCanvas& Target, const TKitRect& DestinationRect);

 private:
  void RefreshListPicture();

  TKitCustomImageList* FImageList = nullptr;
  float FStrength = 0.6f;
  int FImageIndex = 0;
  int FListIndex = 0;
  bool FTransparent = false;
  TKitFillObject FFillObject;
  TKitChangeLink FChangeLink;
};

class TKitBitmapEffectObject : public TKitSettingObject {
 public:
  explicit TKitBitmapEffectObject(TObject* Owner = nullptr);
  TKitBitmapEffectObject(const TKitBitmapEffectObject&) = delete;
  TKitBitmapEffectObject& operator=(const TKitBitmapEffectObject&) = delete;
  const char* ClassName() const override { return "TKitBitmapEffectObject"; }

  TKitAlphaObject& AlphaObject() { return FAlphaObject; }
  const TKitAlphaObject& AlphaObject() const { return FAlphaObject; }
  void SetAlphaBlend(const TKitAlphaObject& Value) { FAlphaObject.Assign(&Value); }
  // 0 FlipVertical, 1 FlipHorizontal, 2 GrayScale, 3 Invert, 4 Buffered, 5 Monochrome.
  bool GetBool(int Index) const;
  void SetBool(int Index, bool Value);
  bool FlipVertical() const { return FFlipVert; }
  void SetFlipVertical(bool Value) { SetBool(0, Value); }
  bool FlipHorizontal() const { return FFlipHoriz; }
  void SetFlipHorizontal(bool Value) { SetBool(1, Value); }
  bool GrayScale() const { return FGrayScale; }
  void SetGrayScale(bool Value) { SetBool(2, Value); }
  bool Invert() const { return FInvert; }
  void SetInvert(bool Value) { SetBool(3, Value); }
  bool Buffered() const { return FBuffered; }
  void SetBuffered(bool Value) { SetBool(4, Value); }
  bool Monochrome() const { return FMonochrome; }
  void SetMonochrome(bool Value) { SetBool(5, Value); }
  TKitBrightness Brightness() const { return FBrightness; }
  // Cut to -255..255.
  void SetBrightness(TKitBrightness Value);
  bool BufferValid() const { return FBufferValid; }
  // Null unless buffered.
  const TKitBitmap* BufferBitmap() const { return FBitmap.get(); }

  // Every change makes the buffer invalid.
  void NotifyChange(TObject* Sender) override;
  // Any effect on (the monochrome flag does not count).
  bool Enabled() const;
  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override;

  // Applies the effects to the whole target in place: flips, grey scale, invert,
  // monochrome, brightness, alpha overlay. Buffered with a valid buffer, the buffer is
  // drawn instead; buffered without one, the result becomes the buffer.
  void Draw(TKitBitmap& Target);
  void DrawCopy(const TKitBitmap& Source, TKitBitmap& Target);
  void DrawCopyFromRect(const TKitBitmap& Source, const TKitRect& SourceRect, TKitBitmap& Target);
  // SourceRect copied to TargetPt, then flips, grey scale, invert and brightness on that
  // area (no overlay).
  void DrawCopyRect(const TKitBitmap& Source, const TKitRect& SourceRect, const TKitPoint& TargetPt,
                    TKitBitmap& Target);
  void DrawCutRect(const TKitBitmap& Source, const TKitRect& SourceRect, const TKitRect& TargetRect,
                   TKitBitmap& Target);
  void DrawCutRect2(const TKitBitmap& Source, const TKitRect& SourceRect, const TKitRect& TargetRect,
                    TKitBitmap& Target);

 private:
  // Draws a valid buffer onto the target; false when there is none.
  bool DrawBuffer(TKitBitmap& Target);
  void FillBuffer(const TKitBitmap& Target);
  // The flips, grey scale, invert and brightness over Rect of Target, in place.
  void ApplyEffects(TKitBitmap& Target, const TKitRect& Rect);

  TKitAlphaObject FAlphaObject;
  bool FBufferValid = false;
  bool FInvert = false;
  bool FBuffered = false;
  bool FGrayScale = false;
  bool FFlipVert = false;
  bool FMonochrome = false;
  bool FFlipHoriz = false;
  std::unique_ptr<TKitBitmap> FBitmap;
  TKitBrightness FBrightness = 0;
};

// The target as a monochrome bitmap: white pixels stay white, all others become black.
void KitBitmapToMonochrome(TKitBitmap& Bitmap);

}  // namespace zv

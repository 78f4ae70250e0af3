// The two image containers. A bitmap list holds one bitmap per item, taken from the stored
// form, a container file, the program's resources or numbered bitmap files. An image list
// holds per item a strip of equally sized images (with an optional monochrome mask strip)
// and draws single images with masking, background and blend styles.
//
// Image item stream form: the item header with the pixel-format bits; height, width and
// allocation step (4 bytes each); the masked flag (1 byte); the image count (4 bytes); when
// there are images, the strip trimmed to width x count in the bitmap encoding, then, when
// masked, the mask strip with 2 colours.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "kit/graphics/container.h"

namespace zv {

// Where bitmaps of the sdAppResource source come from; the program has no bitmap
// resources, so by default none are found.
using TKitBitmapResourceLoader = std::function<bool(int Ident, TKitBitmap& Bitmap)>;
void KitSetBitmapResourceLoader(TKitBitmapResourceLoader Loader);

// The file of an sdPath item: the folder (the container file's own for ppFixed, else the
// prefix's), the first three characters of the container file's name, Ident, ".bmp".
TKitString KitBitmapSourcePath(TKitPathPrefix Prefix, const TKitString& FileName, int Ident);

class TKitBitmapListItem : public TKitListItem {
 public:
  using TKitListItem::TKitListItem;
  const char* ClassName() const override { return "TKitBitmapListItem"; }

  // At run time an empty bitmap is first fetched from the container's source.
  TKitBitmap& Bitmap();
  // The bitmap as it is, without fetching.
  const TKitBitmap& StoredBitmap() const { return FBitmap; }
  void SetBitmap(const TKitBitmap& Value);
  TKitSavePixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TKitSavePixelFormat Value) { FPixelFormat = Value; }

  bool GetEmpty() const override { return FBitmap.Empty(); }
  uint8_t GetFlags() const override;
  void FreeData() override { FBitmap = TKitBitmap(); }
  void ReadData(TKitStream& Stream) override;
  void WriteData(TKitStream& Stream) override;
  void Assign(const TKitListItem* Source) override;

 private:
  void FetchBitmap();

  TKitBitmap FBitmap;
  TKitSavePixelFormat FPixelFormat = spfDefault;
};

class TKitBitmapList : public TKitCustomImageList {
 public:
  explicit TKitBitmapList(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitBitmapList"; }
  TKitBitmapListItem* Items(int Index) const { return static_cast<TKitBitmapListItem*>(GetItem(Index)); }
  TKitBitmapListItem* ItemByName(const TKitString& Name) const {
    return static_cast<TKitBitmapListItem*>(TKitCustomContainer::ItemByName(Name));
  }
  // The bitmap of the current item; null when there is none.
  TKitBitmap* Bitmap();

  std::unique_ptr<TKitBitmapCanvas> BmpCanvas(int Index) override;
  TKitRect ItemRect(int Index, int Item) override;
  int Dimensions(int Index, int Kind) override;
  int ItemCount(int Index) override;
  bool IsValidItem(int Index, int Item) override;
  void GetBitmapItem(int Index, int Item, TKitBitmap* Bitmap) override;
  bool Masked(int) override { return false; }
  const TKitPalette* Palette(int) override { return nullptr; }
  TColor TransparentColor(int Index, int Item) override;
  TColor GetColorAtPoint(const TKitPoint& Point, int Index, int Item) override;
  void Draw(TKitCanvas& Canvas, int X, int Y, int Index, int Item) override;
  void DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, int Item,
               unsigned Flags) override;
  void ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, int Item, TColor TransColor, uint32_t Pos,
                unsigned Flags) override;

 private:
  // The (fetched) bitmap of item Index; null outside the list.
  TKitBitmap* ItemBitmap(int Index);
};

enum TKitDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TKitImageType { itImage, itMask };

// One image of a strip: where it starts, and whether a mask was given for it.
struct TKitImageInfo {
  int16_t XOffset = 0;
  uint8_t Masked = 0;
  uint8_t Spare = 0;
};

class TKitImageListItem : public TKitListItem {
 public:
  // The widest strip an item can hold.
  static constexpr int MaxStripWidth = 32768;

  explicit TKitImageListItem(TObject* Owner = nullptr);
  // Raises EInvalidGraphicOperation "Invalid image size" for a width or height <= 0.
  static std::unique_ptr<TKitImageListItem> CreateSize(int AWidth, int AHeight);
  const char* ClassName() const override { return "TKitImageListItem"; }

  int Count() const { return static_cast<int>(FInfo.size()); }
  bool GetEmpty() const override { return FInfo.empty(); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size (> 0, different) removes every image.
  void SetWidth(int Value);
  void SetHeight(int Value);
  int AllocBy() const { return FAllocBy; }
  // At least 1.
  void SetAllocBy(int Value) { FAllocBy = std::max(Value, 1); }
  // Strip pixels in use.
  int Used() const { return FUsed; }
  TKitSavePixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TKitSavePixelFormat Value) { FPixelFormat = Value; }
  TColor BkColor() const { return FBKColor; }
  void SetBkColor(TColor Value) { FBKColor = Value; }
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value) { FBlendColor = Value; }
  TKitDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TKitDrawingStyle Value) { FDrawingStyle = Value; }
  TKitImageType ImageType() const { return FImageType; }
  void SetImageType(TKitImageType Value) { FImageType = Value; }
  bool ShareImages() const { return FShareImages; }
  void SetShareImages(bool Value) { FShareImages = Value; }
  bool Masked() const { return FMasked; }
  void SetMasked(bool Value);
  const TKitBitmap& ImageStrip() const { return FImage; }
  // For drawing into the images.
  TKitBitmap& ImageStrip() { return FImage; }
  const TKitBitmap& MaskStrip() const { return FMask; }
  // Index errors raise EListError.
  const TKitImageInfo& Info(int Index) const;

  // Image and Mask both null: a new empty slot. Otherwise a slot filled from them, or -1
  // when Image is null. An image whose height differs from the item's or whose width is
  // not a multiple of its width raises EInvalidGraphicOperation "Invalid image size"; a
  // strip that would pass MaxStripWidth raises "Too many images".
  int Add(const TKitBitmap* Image, const TKitBitmap* Mask);
  // Pixels of MaskColor become the mask (when masked).
  int AddMasked(const TKitBitmap& Image, TColor MaskColor);
  void Replace(int Index, const TKitBitmap* Image, const TKitBitmap* Mask);
  void ReplaceMasked(int Index, const TKitBitmap& Image, TColor MaskColor);
  // An index at or beyond the end adds.
  void Insert(int Index, const TKitBitmap* Image, const TKitBitmap* Mask);
  void InsertMasked(int Index, const TKitBitmap& Image, TColor MaskColor);
  void InsertImages(int Index, const TKitImageListItem& Other);
  void AddImages(const TKitImageListItem& Other);
  // An index outside the images is ignored.
  void Delete(int Index);
  void Move(int CurIndex, int NewIndex);
  // No change signal.
  void Clear();

  void GetBitmap(int Index, TKitBitmap& Image) const;
  void GetMaskBitmap(int Index, TKitBitmap& Mask) const;
  TKitRect GetImageRect(int Index) const;
  // The bottom-left pixel of the image; white outside the images.
  TColor TransparentColor(int Index) const;
  TColor GetColorAtPoint(const TKitPoint& Point, int Index) const;

  // Nothing for an index outside the images.
  void Draw(TKitCanvas& Canvas, int X, int Y, int Index);
  void DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, unsigned Flags);
  void ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, TColor TransColor, uint32_t Pos,
                unsigned Flags);

  void Assign(const TKitListItem* Source) override;
  uint8_t GetFlags() const override;
  void ReadData(TKitStream& Stream) override;
  void WriteData(TKitStream& Stream) override;

  // Count images side by side in a bitmap file; the file's name becomes the description.
  // A file that is empty or whose width does not divide by Count raises "Cannot open file".
  bool LoadFromBitmap(const TKitString& FileName, int Count, bool Masked);
  // A one-item container file: "KitIML30", count 1, offset 17, the stream form.
  void SaveToFile(const TKitString& FileName);
  void LoadFromFile(const TKitString& FileName);

 private:
  void CheckImage(const TKitBitmap& Image) const;
  void CheckIndex(int Index) const;
  void CheckSameSize(const TKitImageListItem& Other) const;
  int AllocateSlot();
  void SetStripWidth(int Width);
  void MaskedDraw(TKitCanvas& Canvas, int X, int Y, const TKitRect& Source) const;

  int FAllocBy = 4;
  int FHeight = 16;
  int FUsed = 0;
  int FWidth = 16;
  TKitSavePixelFormat FPixelFormat = spfDefault;
  TColor FBKColor = clNone;
  TColor FBlendColor = clNone;
  TKitDrawingStyle FDrawingStyle = dsNormal;
  TKitBitmap FImage;
  TKitBitmap FMask;
  std::vector<TKitImageInfo> FInfo;
  TKitImageType FImageType = itImage;
  bool FMasked = false;
  bool FShareImages = false;
};

class TKitImageList : public TKitCustomImageList {
 public:
  explicit TKitImageList(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitImageList"; }
  TKitImageListItem* Items(int Index) const { return static_cast<TKitImageListItem*>(GetItem(Index)); }
  TKitImageListItem* ItemByName(const TKitString& Name) const {
    return static_cast<TKitImageListItem*>(TKitCustomContainer::ItemByName(Name));
  }
  // The current item; null when there is none.
  TKitImageListItem* Current() const { return ValidIndex(FIndex) ? Items(FIndex) : nullptr; }
  // Another image list also gives its pixel format, and the current item becomes the first.
  void Assign(const TKitCustomContainer* Source) override;

  std::unique_ptr<TKitBitmapCanvas> BmpCanvas(int Index) override;
  TKitRect ItemRect(int Index, int Item) override;
  int Dimensions(int Index, int Kind) override;
  int ItemCount(int Index) override;
  bool IsValidItem(int Index, int Item) override;
  void GetBitmapItem(int Index, int Item, TKitBitmap* Bitmap) override;
  bool Masked(int Index) override;
  const TKitPalette* Palette(int) override { return nullptr; }
  TColor TransparentColor(int Index, int Item) override;
  TColor GetColorAtPoint(const TKitPoint& Point, int Index, int Item) override;
  void Draw(TKitCanvas& Canvas, int X, int Y, int Index, int Item) override;
  void DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, int Item,
               unsigned Flags) override;
  void ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, int Item, TColor TransColor, uint32_t Pos,
                unsigned Flags) override;

 private:
  TKitImageListItem* ItemAt(int Index) const { return ValidIndex(Index) ? Items(Index) : nullptr; }
};

}  // namespace zv

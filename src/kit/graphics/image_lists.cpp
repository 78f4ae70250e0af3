#include "kit/graphics/image_lists.h"

#include "kit/graphics/resource_stream.h"
#include "kit/graphics/settings.h"
#include "kit/text/sys_info.h"

namespace zv {

namespace {

TKitBitmapResourceLoader& ResourceLoader() {
  static TKitBitmapResourceLoader loader;
  return loader;
}

// Copies R of Source to (DX, DY) of Dest, pixel by pixel (either may be a mask).
void CopyArea(TKitBitmap& Dest, int DX, int DY, const TKitBitmap& Source, const TKitRect& R) {
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x) Dest.SetPixel(DX + x - R.Left, DY + y - R.Top, Source.Pixel(x, y));
}

// Moves the columns [X0, X1) of a strip by DX (the source is read before it is written).
void ShiftColumns(TKitBitmap& Strip, int X0, int X1, int DX) {
  if (X1 <= X0 || Strip.Empty()) return;
  const TKitBitmap copy = Strip;
  CopyArea(Strip, X0 + DX, 0, copy, {X0, 0, X1, Strip.Height()});
}

void FillArea(TKitBitmap& Bitmap, const TKitRect& R, TColor Color) {
  TKitBitmapCanvas canvas(Bitmap);
  canvas.FillRect(R, Color);
}

template <class TItem>
std::unique_ptr<TKitListItem> MakeItem(TObject* Owner) {
  return std::make_unique<TItem>(Owner);
}

[[noreturn]] void InvalidSize() { throw EInvalidGraphicOperation("Invalid image size"); }
[[noreturn]] void TooMany() { throw EInvalidGraphicOperation("Too many images"); }

}  // namespace

void KitSetBitmapResourceLoader(TKitBitmapResourceLoader Loader) { ResourceLoader() = std::move(Loader); }

TKitString KitBitmapSourcePath(TKitPathPrefix Prefix, const TKitString& FileName, int Ident) {
  const TKitString name = KitExtractFileName(FileName);
  const TKitString folder =
      Prefix == ppFixed ? FileName.substr(0, FileName.size() - name.size()) : KitGetSpecialPath(Prefix, true);
  return folder + name.substr(0, 3) + KitAsciiToString(std::to_string(Ident)) + u".bmp";
}

// ---- bitmap list ----

TKitBitmap& TKitBitmapListItem::Bitmap() {
  const TKitCustomContainer* container = Container();
  if (container != nullptr && FBitmap.Empty() && !container->Loading() && !container->Designing()) FetchBitmap();
  return FBitmap;
}

void TKitBitmapListItem::FetchBitmap() {
  const TKitCustomContainer& container = *Container();
  BeginUpdate();
  try {
    switch (container.Source()) {
      case sdComponent:
      case sdLibResource:  // a library names no bitmap that could be taken
        break;
      case sdFile: {
        TKitBitmapListItem entry;
        LoadContainerEntry(KitGetSpecialPath(container.FilePrefix(), true) + container.FileName(), icBitmap, nullptr,
                           entry, Ident());
        FBitmap = entry.FBitmap;
        break;
      }
      case sdAppResource: {
        TKitBitmap bitmap;
        if (ResourceLoader() && ResourceLoader()(Ident(), bitmap)) FBitmap = std::move(bitmap);
        break;
      }
      case sdPath:
        KitLoadBitmapFromFile(KitBitmapSourcePath(container.FilePrefix(), container.FileName(), Ident()), FBitmap);
        break;
    }
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(false);
}

void TKitBitmapListItem::SetBitmap(const TKitBitmap& Value) {
  FBitmap = Value;
  Change();
}

uint8_t TKitBitmapListItem::GetFlags() const {
  uint8_t flags = TKitListItem::GetFlags() | KitPixelFormatFlags(FPixelFormat);
  if (!FBitmap.Empty()) flags |= KitItemContent;
  return flags;
}

void TKitBitmapListItem::WriteData(TKitStream& Stream) {
  WriteHeader(Stream);
  if (!FBitmap.Empty()) KitWriteBitmap(Stream, FBitmap, Compressed(), KitPixelFormatColors(FPixelFormat));
}

void TKitBitmapListItem::ReadData(TKitStream& Stream) {
  const uint8_t flags = ReadHeader(Stream);
  FPixelFormat = KitPixelFormatOfFlags(flags);
  if (flags & KitItemContent)
    KitReadBitmap(Stream, FBitmap, Compressed());
  else
    FBitmap = TKitBitmap();
}

void TKitBitmapListItem::Assign(const TKitListItem* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitBitmapListItem*>(Source);
  if (src == nullptr) return TKitListItem::Assign(Source);
  CopyItemHeader(*src);
  // Fetching on first read is a cache fill: the source does not change in substance.
  FBitmap = const_cast<TKitBitmapListItem*>(src)->Bitmap();
  FPixelFormat = src->FPixelFormat;
}

TKitBitmapList::TKitBitmapList(TObject* Owner)
    : TKitCustomImageList(Owner, icBitmap, MakeItem<TKitBitmapListItem>) {
  static const bool registered =
      (KitRegisterObjectClass("TKitBitmapListItem", [](TObject* O) { return new TKitBitmapListItem(O); }), true);
  (void)registered;
}

TKitBitmap* TKitBitmapList::Bitmap() { return ItemBitmap(FIndex); }

TKitBitmap* TKitBitmapList::ItemBitmap(int Index) { return ValidIndex(Index) ? &Items(Index)->Bitmap() : nullptr; }

std::unique_ptr<TKitBitmapCanvas> TKitBitmapList::BmpCanvas(int Index) {
  TKitBitmap* bitmap = ItemBitmap(Index);
  return bitmap ? std::make_unique<TKitBitmapCanvas>(*bitmap) : nullptr;
}

TKitRect TKitBitmapList::ItemRect(int Index, int /*Item*/) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  return bitmap ? TKitRect{0, 0, bitmap->Width(), bitmap->Height()} : TKitRect{};
}

int TKitBitmapList::Dimensions(int Index, int Kind) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  if (bitmap == nullptr) return 0;
  return Kind == 0 ? bitmap->Width() : Kind == 1 ? bitmap->Height() : 0;
}

int TKitBitmapList::ItemCount(int Index) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  return bitmap && !bitmap->Empty() ? 1 : 0;
}

bool TKitBitmapList::IsValidItem(int Index, int /*Item*/) { return ItemCount(Index) == 1; }

void TKitBitmapList::GetBitmapItem(int Index, int /*Item*/, TKitBitmap* Bitmap) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  if (Bitmap != nullptr && bitmap != nullptr) *Bitmap = *bitmap;
}

TColor TKitBitmapList::TransparentColor(int Index, int /*Item*/) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  return bitmap ? bitmap->TransparentColor() : clWhite;
}

TColor TKitBitmapList::GetColorAtPoint(const TKitPoint& Point, int Index, int /*Item*/) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  return bitmap ? bitmap->Pixel(Point.X, Point.Y) : clWhite;
}

void TKitBitmapList::Draw(TKitCanvas& Canvas, int X, int Y, int Index, int /*Item*/) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  if (bitmap == nullptr) return;
  TKitRect result;
  KitDrawBitmap(Canvas, {X, Y, X + bitmap->Width(), Y + bitmap->Height()}, *bitmap, result, 0, 0);
}

void TKitBitmapList::DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, int /*Item*/,
                             unsigned Flags) {
  Result = {};
  const TKitBitmap* bitmap = ItemBitmap(Index);
  if (bitmap != nullptr) KitDrawBitmap(Canvas, Target, *bitmap, Result, bitmap->TransparentColor(), Flags);
}

void TKitBitmapList::ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, int /*Item*/, TColor TransColor,
                              uint32_t Pos, unsigned Flags) {
  const TKitBitmap* bitmap = ItemBitmap(Index);
  if (bitmap != nullptr) KitDrawBitmapClipped(Canvas, Target, *bitmap, TransColor, Pos, Flags);
}

// ---- image list item ----

TKitImageListItem::TKitImageListItem(TObject* Owner) : TKitListItem(Owner), FMask(0, 0, pf1bit) {}

std::unique_ptr<TKitImageListItem> TKitImageListItem::CreateSize(int AWidth, int AHeight) {
  if (AWidth <= 0 || AHeight <= 0) InvalidSize();
  auto item = std::make_unique<TKitImageListItem>();
  item->FWidth = AWidth;
  item->FHeight = AHeight;
  return item;
}

void TKitImageListItem::SetWidth(int Value) {
  if (Value <= 0 || Value == FWidth) return;
  FWidth = Value;
  Clear();
  Change();
}

void TKitImageListItem::SetHeight(int Value) {
  if (Value <= 0 || Value == FHeight) return;
  FHeight = Value;
  Clear();
  Change();
}

void TKitImageListItem::SetMasked(bool Value) {
  if (Value == FMasked) return;
  FMasked = Value;
  FMask = TKitBitmap(Value ? FImage.Width() : 0, FHeight, pf1bit);
  for (TKitImageInfo& info : FInfo) info.Masked = Value;
  Change();
}

const TKitImageInfo& TKitImageListItem::Info(int Index) const {
  CheckIndex(Index);
  return FInfo[static_cast<size_t>(Index)];
}

void TKitImageListItem::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
}

void TKitImageListItem::CheckImage(const TKitBitmap& Image) const {
  if (Image.Height() != FHeight || Image.Width() % FWidth != 0) InvalidSize();
}

void TKitImageListItem::CheckSameSize(const TKitImageListItem& Other) const {
  if (Other.FWidth != FWidth || Other.FHeight != FHeight) InvalidSize();
}

void TKitImageListItem::SetStripWidth(int Width) {
  FImage.SetSize(Width, FHeight);
  if (FMasked) FMask.SetSize(Width, FHeight);
}

int TKitImageListItem::AllocateSlot() {
  const int used = FUsed + FWidth;
  if (FImage.Width() < used) {
    const int64_t width = std::max<int64_t>(FImage.Width() + int64_t{FAllocBy} * FWidth, used);
    if (width > MaxStripWidth) TooMany();
    SetStripWidth(static_cast<int>(width));
  }
  FUsed = used;
  FInfo.push_back({static_cast<int16_t>(FWidth * Count()), 0, 0});
  return Count() - 1;
}

int TKitImageListItem::Add(const TKitBitmap* Image, const TKitBitmap* Mask) {
  if (Image == nullptr && Mask == nullptr) {
    const int index = AllocateSlot();
    Change();
    return index;
  }
  if (Image == nullptr) return -1;
  CheckImage(*Image);
  if (FMasked && Mask != nullptr) CheckImage(*Mask);
  const int index = AllocateSlot();
  Replace(index, Image, Mask);
  return index;
}

int TKitImageListItem::AddMasked(const TKitBitmap& Image, TColor MaskColor) {
  CheckImage(Image);
  const int index = AllocateSlot();
  ReplaceMasked(index, Image, MaskColor);
  return index;
}

void TKitImageListItem::Replace(int Index, const TKitBitmap* Image, const TKitBitmap* Mask) {
  if (Image == nullptr) return;
  CheckImage(*Image);
  if (FMasked && Mask != nullptr) CheckImage(*Mask);
  CheckIndex(Index);
  TKitImageInfo& info = FInfo[static_cast<size_t>(Index)];
  CopyArea(FImage, info.XOffset, 0, *Image, {0, 0, FWidth, FHeight});
  if (FMasked) {
    info.Masked = Mask != nullptr;
    if (Mask != nullptr)
      CopyArea(FMask, info.XOffset, 0, *Mask, {0, 0, FWidth, FHeight});
    else
      FillArea(FMask, {info.XOffset, 0, info.XOffset + FWidth, FHeight}, clBlack);
  }
  Change();
}

void TKitImageListItem::ReplaceMasked(int Index, const TKitBitmap& Image, TColor MaskColor) {
  if (!FMasked) return Replace(Index, &Image, nullptr);
  TKitBitmap image, mask;
  KitMakeTransparentPairFromBitmap(Image, &mask, &image, MaskColor);
  Replace(Index, &image, &mask);
}

void TKitImageListItem::Insert(int Index, const TKitBitmap* Image, const TKitBitmap* Mask) {
  if (Index >= Count()) {
    Add(Image, Mask);
    return;
  }
  CheckIndex(Index);
  if (Image == nullptr) return;
  CheckImage(*Image);
  if (FMasked && Mask != nullptr) CheckImage(*Mask);
  AllocateSlot();
  const int x0 = FWidth * Index;
  ShiftColumns(FImage, x0, FUsed - FWidth, FWidth);
  if (FMasked) ShiftColumns(FMask, x0, FUsed - FWidth, FWidth);
  // The records move with their images, masked flags included.
  const TKitImageInfo slot = FInfo.back();
  FInfo.pop_back();
  FInfo.insert(FInfo.begin() + Index, slot);
  for (int i = Index; i < Count(); ++i) FInfo[static_cast<size_t>(i)].XOffset = static_cast<int16_t>(FWidth * i);
  Replace(Index, Image, Mask);
}

void TKitImageListItem::InsertMasked(int Index, const TKitBitmap& Image, TColor MaskColor) {
  if (!FMasked) return Insert(Index, &Image, nullptr);
  TKitBitmap image, mask;
  KitMakeTransparentPairFromBitmap(Image, &mask, &image, MaskColor);
  Insert(Index, &image, &mask);
}

void TKitImageListItem::InsertImages(int Index, const TKitImageListItem& Other) {
  CheckSameSize(Other);
  // Copies first: Other may be this item.
  const bool withMask = FMasked && Other.FMasked;
  std::vector<TKitBitmap> images(static_cast<size_t>(Other.Count())), masks(withMask ? images.size() : 0);
  std::vector<bool> ownMask(images.size());
  for (int i = 0; i < Other.Count(); ++i) {
    Other.GetBitmap(i, images[static_cast<size_t>(i)]);
    if (withMask) Other.GetMaskBitmap(i, masks[static_cast<size_t>(i)]);
    ownMask[static_cast<size_t>(i)] = Other.FInfo[static_cast<size_t>(i)].Masked != 0;
  }
  // Beyond the end the images go to the end, in their order.
  Index = std::min(Index, Count());
  TKitUpdateScope<TKitImageListItem> update(*this);
  for (int i = Other.Count() - 1; i >= 0; --i) {
    const TKitBitmap& image = images[static_cast<size_t>(i)];
    if (withMask)
      Insert(Index, &image, ownMask[static_cast<size_t>(i)] ? &masks[static_cast<size_t>(i)] : nullptr);
    else if (FMasked)
      InsertMasked(Index, image, image.TransparentColor());
    else
      Insert(Index, &image, nullptr);
  }
}

void TKitImageListItem::AddImages(const TKitImageListItem& Other) {
  CheckSameSize(Other);
  if (Other.GetEmpty()) return;
  const int64_t used = int64_t{Other.Count()} * FWidth + FUsed;
  if (used > MaxStripWidth) TooMany();
  TKitUpdateScope<TKitImageListItem> update(*this);
  const TKitBitmap strip = Other.FImage, mask = Other.FMask;  // Other may be this item
  const std::vector<TKitImageInfo> infos = Other.FInfo;
  const int otherUsed = Other.Count() * FWidth;
  if (FImage.Width() < used) SetStripWidth(static_cast<int>(used));
  CopyArea(FImage, FUsed, 0, strip, {0, 0, otherUsed, FHeight});
  if (FMasked && Other.FMasked) CopyArea(FMask, FUsed, 0, mask, {0, 0, otherUsed, FHeight});
  for (const TKitImageInfo& info : infos)
    FInfo.push_back({static_cast<int16_t>(FWidth * Count()), info.Masked, info.Spare});
  FUsed = static_cast<int>(used);
}

void TKitImageListItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  if (FUsed == FImage.Width()) {
    const int64_t width = FImage.Width() + int64_t{FAllocBy} * FWidth;
    if (width <= MaxStripWidth) SetStripWidth(static_cast<int>(width));
  }
  const int x0 = FWidth * Index, oldUsed = FUsed;
  FUsed -= FWidth;
  ShiftColumns(FImage, x0 + FWidth, oldUsed, -FWidth);
  if (FMasked) ShiftColumns(FMask, x0 + FWidth, oldUsed, -FWidth);
  for (int i = Index + 1; i < Count(); ++i) {
    TKitImageInfo& info = FInfo[static_cast<size_t>(i)];
    info.XOffset = static_cast<int16_t>(info.XOffset - FWidth);
  }
  FInfo.erase(FInfo.begin() + Index);
  Change();
}

void TKitImageListItem::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  // Checked before the image leaves its place, so that a bad target loses nothing.
  if (NewIndex < 0) CheckIndex(NewIndex);
  TKitBitmap image, mask;
  GetBitmap(CurIndex, image);
  const bool withMask = FMasked && FInfo[static_cast<size_t>(CurIndex)].Masked;
  if (withMask) GetMaskBitmap(CurIndex, mask);
  TKitUpdateScope<TKitImageListItem> update(*this);
  Delete(CurIndex);
  Insert(NewIndex, &image, withMask ? &mask : nullptr);
}

void TKitImageListItem::Clear() {
  FImage = TKitBitmap();
  FMask = TKitBitmap(0, 0, pf1bit);
  FUsed = 0;
  FInfo.clear();
}

void TKitImageListItem::GetBitmap(int Index, TKitBitmap& Image) const {
  const TKitRect r = GetImageRect(Index);
  Image = TKitBitmap(FWidth, FHeight, pf24bit);
  CopyArea(Image, 0, 0, FImage, r);
}

void TKitImageListItem::GetMaskBitmap(int Index, TKitBitmap& Mask) const {
  if (!FMasked) return;
  const TKitRect r = GetImageRect(Index);
  Mask = TKitBitmap(FWidth, FHeight, pf1bit);
  CopyArea(Mask, 0, 0, FMask, r);
}

TKitRect TKitImageListItem::GetImageRect(int Index) const {
  const int x = Info(Index).XOffset;
  return {x, 0, x + FWidth, FHeight};
}

TColor TKitImageListItem::TransparentColor(int Index) const {
  if (Index < 0 || Index >= Count()) return clWhite;
  return FImage.Pixel(FInfo[static_cast<size_t>(Index)].XOffset, FHeight - 1);
}

TColor TKitImageListItem::GetColorAtPoint(const TKitPoint& Point, int Index) const {
  if (Index < 0 || Index >= Count()) return clWhite;
  return FImage.Pixel(Point.X + FInfo[static_cast<size_t>(Index)].XOffset, Point.Y);
}

void TKitImageListItem::MaskedDraw(TKitCanvas& Canvas, int X, int Y, const TKitRect& Source) const {
  const TKitCopyMode saved = Canvas.CopyMode;
  const TKitRect target{X, Y, X + FWidth, Y + FHeight};
  Canvas.CopyMode = cmSrcAnd;
  Canvas.StretchDraw(target, FMask, Source);
  Canvas.CopyMode = cmSrcPaint;
  Canvas.StretchDraw(target, FImage, Source);
  Canvas.CopyMode = saved;
}

void TKitImageListItem::Draw(TKitCanvas& Canvas, int X, int Y, int Index) {
  if (Index < 0 || Index >= Count()) return;
  const TKitRect source = GetImageRect(Index);
  if (!FMasked || FImageType != itImage) {
    Canvas.StretchDraw({X, Y, X + FWidth, Y + FHeight}, FMasked ? FMask : FImage, source);
    return;
  }
  const bool throughWork =
      FDrawingStyle == dsFocus || FDrawingStyle == dsSelected || (FDrawingStyle == dsNormal && FBKColor != clNone);
  if (!throughWork) {
    MaskedDraw(Canvas, X, Y, source);
    return;
  }
  TKitBitmap work(FWidth, FHeight, pf24bit);
  if (FBKColor != clNone) FillArea(work, {0, 0, FWidth, FHeight}, FBKColor);
  TKitBitmapCanvas workCanvas(work);
  MaskedDraw(workCanvas, 0, 0, source);
  if (FDrawingStyle != dsNormal && FBlendColor != clNone)
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        const bool on = FDrawingStyle == dsSelected ? ((x & 1) != (y & 1)) : (x % 2 == 0 || y % 2 == 0);
        if (on) work.SetPixel(x, y, KitColorToRGB(FBlendColor));
      }
  const TKitCopyMode saved = Canvas.CopyMode;
  Canvas.CopyMode = cmSrcCopy;
  Canvas.Draw(X, Y, work);
  Canvas.CopyMode = saved;
}

void TKitImageListItem::DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index,
                                unsigned Flags) {
  Result = {};
  if (Index < 0 || Index >= Count()) return;
  const TKitRect source = GetImageRect(Index);
  if (FMasked)
    KitDrawPicture(Canvas, Target, FImage, Result, &FMask, nullptr, 0, Flags | KitDrawMasked, source);
  else
    KitDrawPicture(Canvas, Target, FImage, Result, nullptr, nullptr, 0x2000000 | TransparentColor(Index), Flags,
                   source);
}

void TKitImageListItem::ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, TColor TransColor,
                                 uint32_t Pos, unsigned Flags) {
  if (Index < 0 || Index >= Count()) return;
  const TKitRect source = GetImageRect(Index);
  if (FMasked)
    KitDrawPictureClipped(Canvas, Target, FImage, 0, Pos, Flags | KitDrawMasked, &FMask, source);
  else
    KitDrawPictureClipped(Canvas, Target, FImage, TransColor, Pos, Flags, nullptr, source);
}

void TKitImageListItem::Assign(const TKitListItem* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitImageListItem*>(Source);
  if (src == nullptr) return TKitListItem::Assign(Source);
  CopyItemHeader(*src);
  FPixelFormat = src->FPixelFormat;
  FAllocBy = src->FAllocBy;
  FBKColor = src->FBKColor;
  FBlendColor = src->FBlendColor;
  FDrawingStyle = src->FDrawingStyle;
  FHeight = src->FHeight;
  FImageType = src->FImageType;
  FMasked = src->FMasked;
  FShareImages = src->FShareImages;
  FWidth = src->FWidth;
  Clear();
  AddImages(*src);
}

uint8_t TKitImageListItem::GetFlags() const { return TKitListItem::GetFlags() | KitPixelFormatFlags(FPixelFormat); }

void TKitImageListItem::WriteData(TKitStream& Stream) {
  WriteHeader(Stream);
  KitWriteInteger(Stream, FHeight);
  KitWriteInteger(Stream, FWidth);
  KitWriteInteger(Stream, FAllocBy);
  KitWriteByte(Stream, FMasked);
  KitWriteInteger(Stream, Count());
  if (Count() == 0) return;
  FUsed = FWidth * Count();
  SetStripWidth(FUsed);
  KitWriteBitmap(Stream, FImage, Compressed(), KitPixelFormatColors(FPixelFormat));
  if (FMasked) KitWriteBitmap(Stream, FMask, Compressed(), 2);
}

void TKitImageListItem::ReadData(TKitStream& Stream) {
  FPixelFormat = KitPixelFormatOfFlags(ReadHeader(Stream));
  const int height = KitReadInteger(Stream), width = KitReadInteger(Stream), allocBy = KitReadInteger(Stream);
  const bool masked = KitReadByte(Stream) != 0;
  const int count = KitReadInteger(Stream);
  // Sizes from the data must describe a strip this item can hold before anything is kept.
  if (width <= 0 || height <= 0 || count < 0) InvalidSize();
  if (int64_t{count} * width > MaxStripWidth) TooMany();
  TKitBitmap image, mask(0, 0, pf1bit);
  if (count > 0) {
    KitReadBitmap(Stream, image, Compressed());
    if (image.Height() != height || image.Width() < count * width || image.Width() > MaxStripWidth) InvalidSize();
    image.SetPixelFormat(pf24bit);
    if (masked) {
      KitReadBitmap(Stream, mask, Compressed());
      if (mask.Width() != image.Width() || mask.Height() != height) InvalidSize();
      if (mask.PixelFormat() != pf1bit) mask.SetPixelFormat(pf1bit);
    }
  }
  FHeight = height;
  FWidth = width;
  FAllocBy = std::max(allocBy, 1);
  FMasked = masked;
  Clear();
  FImage = std::move(image);
  if (masked) FMask = std::move(mask);
  FUsed = count * width;
  for (int i = 0; i < count; ++i) FInfo.push_back({static_cast<int16_t>(width * i), masked, 0});
}

bool TKitImageListItem::LoadFromBitmap(const TKitString& FileName, int Count, bool Masked) {
  TKitBitmap bitmap;
  KitLoadBitmapFromFile(FileName, bitmap);
  if (bitmap.Empty() || Count <= 0 || bitmap.Width() % Count != 0) KitRaiseCannotOpen(FileName);
  if (bitmap.Width() > MaxStripWidth) TooMany();
  Clear();
  FHeight = bitmap.Height();
  FWidth = bitmap.Width() / Count;
  FMasked = Masked;
  if (Masked) {
    KitMakeTransparentPairFromBitmap(bitmap, &FMask, &FImage, bitmap.TransparentColor());
  } else {
    FImage = std::move(bitmap);
    FImage.SetPixelFormat(pf24bit);
  }
  FUsed = FImage.Width();
  for (int i = 0; i < Count; ++i) FInfo.push_back({static_cast<int16_t>(FWidth * i), Masked, 0});
  SetDescription(KitExtractFileName(FileName));
  Change();
  return true;
}

void TKitImageListItem::SaveToFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmCreate);
  KitWriteSignature(file, icImageList);
  KitWriteInteger(file, 1);
  KitWriteInteger(file, 17);
  WriteData(file);
}

void TKitImageListItem::LoadFromFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  if (!KitReadSignature(file, icImageList)) KitRaiseCannotOpen(FileName);
  file.Seek(8, TSeekOrigin::soCurrent);
  ReadData(file);
}

// ---- image list ----

TKitImageList::TKitImageList(TObject* Owner) : TKitCustomImageList(Owner, icImageList, MakeItem<TKitImageListItem>) {
  static const bool registered =
      (KitRegisterObjectClass("TKitImageListItem", [](TObject* O) { return new TKitImageListItem(O); }), true);
  (void)registered;
}

void TKitImageList::Assign(const TKitCustomContainer* Source) {
  const auto* src = dynamic_cast<const TKitImageList*>(Source);
  if (src == nullptr || src == this) return TKitCustomContainer::Assign(Source);
  TKitUpdateScope<TKitCustomContainer> update(*this);
  Clear();
  AddList(*src);
  FDefault = src->FDefault;
  FDefaultPixel = src->FDefaultPixel;
  FIndex = 0;
}

std::unique_ptr<TKitBitmapCanvas> TKitImageList::BmpCanvas(int Index) {
  TKitImageListItem* item = ItemAt(Index);
  return item ? std::make_unique<TKitBitmapCanvas>(item->ImageStrip()) : nullptr;
}

TKitRect TKitImageList::ItemRect(int Index, int Item) {
  return IsValidItem(Index, Item) ? Items(Index)->GetImageRect(Item) : TKitRect{};
}

int TKitImageList::Dimensions(int Index, int Kind) {
  const TKitImageListItem* item = ItemAt(Index);
  if (item == nullptr) return 0;
  return Kind == 0 ? item->Width() : Kind == 1 ? item->Height() : 0;
}

int TKitImageList::ItemCount(int Index) {
  const TKitImageListItem* item = ItemAt(Index);
  return item ? item->Count() : -1;
}

bool TKitImageList::IsValidItem(int Index, int Item) {
  const TKitImageListItem* item = ItemAt(Index);
  return item != nullptr && Item >= 0 && Item < item->Count();
}

void TKitImageList::GetBitmapItem(int Index, int Item, TKitBitmap* Bitmap) {
  if (Bitmap != nullptr && IsValidItem(Index, Item)) Items(Index)->GetBitmap(Item, *Bitmap);
}

bool TKitImageList::Masked(int Index) {
  const TKitImageListItem* item = ItemAt(Index);
  return item != nullptr && item->Masked();
}

TColor TKitImageList::TransparentColor(int Index, int Item) {
  const TKitImageListItem* item = ItemAt(Index);
  return item ? item->TransparentColor(Item) : clWhite;
}

TColor TKitImageList::GetColorAtPoint(const TKitPoint& Point, int Index, int Item) {
  const TKitImageListItem* item = ItemAt(Index);
  return item ? item->GetColorAtPoint(Point, Item) : clWhite;
}

void TKitImageList::Draw(TKitCanvas& Canvas, int X, int Y, int Index, int Item) {
  if (TKitImageListItem* item = ItemAt(Index)) item->Draw(Canvas, X, Y, Item);
}

void TKitImageList::DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, int Item,
                            unsigned Flags) {
  Result = {};
  if (TKitImageListItem* item = ItemAt(Index)) item->DrawExt(Canvas, Target, Result, Item, Flags);
}

void TKitImageList::ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, int Item, TColor TransColor,
                             uint32_t Pos, unsigned Flags) {
  if (TKitImageListItem* item = ItemAt(Index)) item->ClipDraw(Canvas, Target, Item, TransColor, Pos, Flags);
}

}  // namespace zv

// Resource containers: components that own an ordered list of items (bitmaps, image
// strips, waves, string lists), write them into one stream and keep them in container
// files.
//
// Item header (before each item's content):
//   flag byte: bit 0 compressed, bit 1 a description follows, bit 2 an ident follows,
//              bit 3 content follows, bits 4..7 the pixel format (0x10 mono, 0x20 4-bit,
//              0x40 8-bit, 0x80 16-bit); the concrete items add bit 3 and bits 4..7
//   [bit 1] length byte, then the description in Windows-1252 (cut to 255 bytes)
//   [bit 2] ident, 4 bytes little-endian (kept as 16 bits)
// Container stream: item count (4 bytes), [offset table: count x 4 bytes, absolute stream
// positions of the items], the items one after the other.
// Container file: a 9-byte signature (length byte 8 and eight characters), then the
// stream form with its offset table: the first offset is at byte 13.
//
// The stored form of an item (the "Internal" property of a form) is its stream form:
// SaveToStream and LoadFromStream.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/graphics/bitmap_drawing.h"
#include "kit/graphics/change_link.h"
#include "kit/text/helpers.h"
#include "kit/text/stream.h"

namespace zv {

enum TKitListItemClassType { icImageList, icBitmap, icWave, icStringList, icGeneric, icImageListItem, icInvalid };
enum TKitContainerSource { sdComponent, sdFile, sdAppResource, sdLibResource, sdPath };
enum TKitSavePixelFormat { spfDefault, spfMono, spf4bit, spf8bit, spf16bit };

constexpr uint8_t KitItemCompressed = 0x01;
constexpr uint8_t KitItemDescription = 0x02;
constexpr uint8_t KitItemIdent = 0x04;
constexpr uint8_t KitItemContent = 0x08;

// The eight characters of a kind's signature (empty for icInvalid).
const char* KitContainerSignature(TKitListItemClassType Kind);
// The file extension of a kind, with a "." in front when WithDot and it is not empty.
TKitString ItemFileExtension(TKitListItemClassType Kind, bool WithDot);
// The header bits of a pixel format, the format of header bits, and the colour count the
// bitmap writer takes for it (-1: the bitmap's own form).
uint8_t KitPixelFormatFlags(TKitSavePixelFormat Format);
TKitSavePixelFormat KitPixelFormatOfFlags(uint8_t Flags);
int KitPixelFormatColors(TKitSavePixelFormat Format);

class TKitCustomContainer;

// BeginUpdate now, EndUpdate(true) at the end of the scope (without the change signal when
// an exception leaves the scope).
template <class T>
class TKitUpdateScope {
 public:
  explicit TKitUpdateScope(T& Object) : FObject(Object), FExceptions(std::uncaught_exceptions()) {
    FObject.BeginUpdate();
  }
  ~TKitUpdateScope() { FObject.EndUpdate(std::uncaught_exceptions() == FExceptions); }
  TKitUpdateScope(const TKitUpdateScope&) = delete;
  TKitUpdateScope& operator=(const TKitUpdateScope&) = delete;

 private:
  T& FObject;
  int FExceptions;
};

class TKitListItem : public TKitCustomComponent {
 public:
  explicit TKitListItem(TObject* Owner = nullptr) : TKitCustomComponent(Owner) {}
  TKitListItem(const TKitListItem&) = delete;
  TKitListItem& operator=(const TKitListItem&) = delete;
  virtual const char* ClassName() const { return "TKitListItem"; }

  const TKitString& Description() const { return FDescription; }
  void SetDescription(const TKitString& Value) { FDescription = Value; }
  uint16_t Ident() const { return FIdent; }
  void SetIdent(uint16_t Value) { FIdent = Value; }
  bool Compressed() const { return FCompressed; }
  void SetCompressed(bool Value) { FCompressed = Value; }
  bool Empty() const { return GetEmpty(); }
  // The owning container, or null; the position in it, or -1.
  TKitCustomContainer* Container() const;
  int ListIndex() const;

  virtual bool GetEmpty() const { return false; }
  virtual void ReadData(TKitStream& /*Stream*/) {}
  virtual void WriteData(TKitStream& /*Stream*/) {}
  virtual uint8_t GetFlags() const;
  virtual void FreeData() {}
  // Another item of a kind this class knows; the base refuses ("Cannot assign a %s to a %s").
  virtual void Assign(const TKitListItem* Source);
  // The base change, then the container's OnChange with this item as the sender.
  void Change() override;

  void LoadFromStream(TKitStream& Stream) { ReadData(Stream); }
  void SaveToStream(TKitStream& Stream) { WriteData(Stream); }
  void CopyItemHeader(const TKitListItem& Source);

 protected:
  friend class TKitCustomContainer;
  void WriteHeader(TKitStream& Stream) const;
  // Reads the header into the fields and answers the flag byte.
  uint8_t ReadHeader(TKitStream& Stream);

 private:
  TKitString FDescription;
  uint16_t FIdent = 0;
  bool FCompressed = false;
};

// Makes a new item of a container's item class with the given owner.
using TKitListItemFactory = std::function<std::unique_ptr<TKitListItem>(TObject* Owner)>;

class TKitCustomContainer : public TKitBaseController {
 public:
  TKitCustomContainer(TObject* Owner, TKitListItemClassType ListType, TKitListItemFactory ListClass);
  ~TKitCustomContainer() override;
  virtual const char* ClassName() const { return "TKitCustomContainer"; }

  bool DefaultCompressed() const { return FDefault; }
  void SetDefaultCompressed(bool Value) { FDefault = Value; }
  TKitPathPrefix FilePrefix() const { return FPrefix; }
  void SetFilePrefix(TKitPathPrefix Value);
  TKitContainerSource Source() const { return FSource; }
  // A new source empties every item's data (not while loading).
  void SetSource(TKitContainerSource Value);
  const TKitString& FileName() const { return FFileName; }
  void SetFileName(const TKitString& Value) { FFileName = Value; }
  TKitListItemClassType ListType() const { return FListType; }
  // Design mode mirrors containers into the global one; this program never designs.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }

  int Count() const { return GetCount(); }
  bool Empty() const { return GetEmpty(); }
  // Index errors raise EListError "List index out of bounds (%d)".
  TKitListItem* Items(int Index) const { return GetItem(Index); }
  // The first item whose description equals Name exactly; null when none.
  TKitListItem* ItemByName(const TKitString& Name) const;
  virtual int GetCount() const { return static_cast<int>(FList.size()); }
  virtual bool GetEmpty() const { return FList.empty(); }
  virtual TKitListItem* GetItem(int Index) const;

  // Item null: a new item of the container's class. The container becomes the owner.
  int Add(std::unique_ptr<TKitListItem> Item = nullptr);
  void Insert(int Index, std::unique_ptr<TKitListItem> Item = nullptr);
  // A new item per item of Other, assigned from it.
  void AddList(const TKitCustomContainer& Other);
  void Delete(int Index);
  void Clear();
  void Move(int CurIndex, int NewIndex);
  int IndexOf(const TKitListItem* Item) const;
  // A container of the same kind: its items and DefaultCompressed, with one change signal.
  virtual void Assign(const TKitCustomContainer* Source);

  void LoadFromStream(TKitStream& Stream) { LoadFromStreamEx(Stream, false); }
  void SaveToStream(TKitStream& Stream) { SaveToStreamEx(Stream, false); }
  virtual void LoadFromStreamEx(TKitStream& Stream, bool WithIndex);
  virtual void SaveToStreamEx(TKitStream& Stream, bool WithIndex);
  // A signature other than the kind's raises Exception "Cannot open file %s".
  void LoadFromFile(const TKitString& FileName);
  void SaveToFile(const TKitString& FileName);

 protected:
  std::unique_ptr<TKitListItem> NewItem() { return FListClass(this); }
  void CheckIndex(int Index) const;

  bool FDefault = false;
  TKitPathPrefix FPrefix = ppProgram;
  TKitContainerSource FSource = sdComponent;
  TKitString FFileName;
  std::vector<std::unique_ptr<TKitListItem>> FList;
  TKitListItemFactory FListClass;
  TKitListItemClassType FListType;
  bool FDesigning = false;
};

// The image containers: a container with a current item, a pixel format for saving and
// the drawing interface, addressed by (list item, image within it).
class TKitCustomImageList : public TKitCustomContainer {
 public:
  using TKitCustomContainer::TKitCustomContainer;
  ~TKitCustomImageList() override { FDestroying = true; }
  const char* ClassName() const override { return "TKitCustomImageList"; }
  int getKitPackage() const override { return pi_Kit_RTLX; }
  void Change() override {
    if (!FDestroying) TKitCustomContainer::Change();
  }

  int Index() const { return FIndex; }
  // Raises EInvalidGraphicOperation "List index out of bounds (%d)" outside the list.
  void SetIndex(int Value);
  TKitSavePixelFormat DefaultPixel() const { return FDefaultPixel; }
  void SetDefaultPixel(TKitSavePixelFormat Value) { FDefaultPixel = Value; }

  // A canvas on the item's picture; null outside the list.
  virtual std::unique_ptr<TKitBitmapCanvas> BmpCanvas(int Index) = 0;
  virtual TKitRect ItemRect(int Index, int Item) = 0;
  // Kind 0 the width, 1 the height of the item's images.
  virtual int Dimensions(int Index, int Kind) = 0;
  virtual int ItemCount(int Index) = 0;
  virtual bool IsValidItem(int Index, int Item) = 0;
  virtual void GetBitmapItem(int Index, int Item, TKitBitmap* Bitmap) = 0;
  virtual bool Masked(int Index) = 0;
  // Bitmaps carry no logical palette here: null.
  virtual const TKitPalette* Palette(int Index) = 0;
  virtual TColor TransparentColor(int Index, int Item) = 0;
  virtual TColor GetColorAtPoint(const TKitPoint& Point, int Index, int Item) = 0;
  virtual void Draw(TKitCanvas& Canvas, int X, int Y, int Index, int Item) = 0;
  virtual void DrawExt(TKitCanvas& Canvas, const TKitRect& Target, TKitRect& Result, int Index, int Item,
                       unsigned Flags) = 0;
  virtual void ClipDraw(TKitCanvas& Canvas, const TKitRect& Target, int Index, int Item, TColor TransColor,
                        uint32_t Pos, unsigned Flags) = 0;

 protected:
  bool ValidIndex(int Index) const { return Index >= 0 && Index < Count(); }

  int FIndex = 0;
  TKitSavePixelFormat FDefaultPixel = spfDefault;

 private:
  bool FDestroying = false;
};

// The kind of a container file by its signature (icInvalid for none) and its item count;
// for a known kind OffsetList (when given) receives the item offsets.
TKitListItemClassType DetectContainerFile(const TKitString& FileName, int& Count, std::vector<int32_t>* OffsetList);
// Reads entry Index of a container file into Item. Without an offset list the file must be
// of ExpectedKind (else Exception "Cannot open file %s"). An index outside the entries
// raises EListError.
bool LoadContainerEntry(const TKitString& FileName, TKitListItemClassType ExpectedKind,
                        const std::vector<int32_t>* OffsetList, TKitListItem& Item, int Index);

// "Cannot open file %s" with the file's name.
[[noreturn]] void KitRaiseCannotOpen(const TKitString& FileName);
// Reads 9 bytes and tells whether they are the kind's signature.
bool KitReadSignature(TKitStream& Stream, TKitListItemClassType Kind);
void KitWriteSignature(TKitStream& Stream, TKitListItemClassType Kind);

}  // namespace zv

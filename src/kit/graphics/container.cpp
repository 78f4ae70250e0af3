#include "kit/graphics/container.h"

#include <cstring>

#include "kit/graphics/resource_stream.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

// icImageListItem shares the image list's text, so detection finds icImageList first.
const char* const kSignatures[] = {"KitIML30", "KitBML30", "KitWVL30", "KitSLL30", "KitGLL50", "KitIML30", ""};
const char* const kExtensions[] = {"iml", "bmp", "wav", "txt", "*", "bmp", ""};

[[noreturn]] void RaiseListIndex(int Index) { throw EListError(Format("List index out of bounds (%d)", Index)); }

}  // namespace

const char* KitContainerSignature(TKitListItemClassType Kind) {
  return Kind >= icImageList && Kind <= icInvalid ? kSignatures[Kind] : "";
}

TKitString ItemFileExtension(TKitListItemClassType Kind, bool WithDot) {
  const std::string ext = Kind >= icImageList && Kind <= icInvalid ? kExtensions[Kind] : "";
  if (ext.empty()) return {};
  return KitAsciiToString(WithDot ? "." + ext : ext);
}

uint8_t KitPixelFormatFlags(TKitSavePixelFormat Format) {
  static const uint8_t kFlags[] = {0, 0x10, 0x20, 0x40, 0x80};
  return Format >= spfDefault && Format <= spf16bit ? kFlags[Format] : 0;
}

TKitSavePixelFormat KitPixelFormatOfFlags(uint8_t Flags) {
  if (Flags & 0x10) return spfMono;
  if (Flags & 0x20) return spf4bit;
  if (Flags & 0x40) return spf8bit;
  if (Flags & 0x80) return spf16bit;
  return spfDefault;
}

int KitPixelFormatColors(TKitSavePixelFormat Format) {
  static const int kColors[] = {-1, 2, 16, 256, 65536};
  return Format >= spfDefault && Format <= spf16bit ? kColors[Format] : -1;
}

void KitRaiseCannotOpen(const TKitString& FileName) {
  throw Exception(Format("Cannot open file %s", KitToPlatformText(FileName).c_str()));
}

bool KitReadSignature(TKitStream& Stream, TKitListItemClassType Kind) {
  uint8_t head[9];
  if (Stream.Read(head, 9) != 9) return false;
  const char* text = KitContainerSignature(Kind);
  return head[0] == 8 && std::strlen(text) == 8 && std::memcmp(head + 1, text, 8) == 0;
}

void KitWriteSignature(TKitStream& Stream, TKitListItemClassType Kind) {
  uint8_t head[9] = {8};
  std::memcpy(head + 1, KitContainerSignature(Kind), 8);
  Stream.WriteBuffer(head, 9);
}

// ---- item ----

TKitCustomContainer* TKitListItem::Container() const { return dynamic_cast<TKitCustomContainer*>(Owner()); }

int TKitListItem::ListIndex() const {
  const TKitCustomContainer* container = Container();
  return container ? container->IndexOf(this) : -1;
}

uint8_t TKitListItem::GetFlags() const {
  uint8_t flags = 0;
  if (FCompressed) flags |= KitItemCompressed;
  if (!FDescription.empty()) flags |= KitItemDescription;
  if (FIdent != 0) flags |= KitItemIdent;
  return flags;
}

void TKitListItem::Assign(const TKitListItem* Source) {
  throw EConvertError(Format("Cannot assign a %s to a %s", Source ? Source->ClassName() : "nil", ClassName()));
}

void TKitListItem::Change() {
  TKitCustomComponent::Change();
  if (TKitCustomContainer* container = Container(); container && container->OnChange()) container->OnChange()(this);
}

void TKitListItem::CopyItemHeader(const TKitListItem& Source) {
  FCompressed = Source.FCompressed;
  FDescription = Source.FDescription;
  FIdent = Source.FIdent;
}

void TKitListItem::WriteHeader(TKitStream& Stream) const {
  const uint8_t flags = GetFlags();
  KitWriteByte(Stream, flags);
  if (flags & KitItemDescription) {
    // One length byte: the 8-bit text is cut to 255 bytes rather than let the length wrap.
    std::string text = KitStringToAnsi(FDescription);
    if (text.size() > 255) text.resize(255);
    KitWriteByte(Stream, static_cast<uint8_t>(text.size()));
    Stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  }
  if (flags & KitItemIdent) KitWriteInteger(Stream, FIdent);
}

uint8_t TKitListItem::ReadHeader(TKitStream& Stream) {
  const uint8_t flags = KitReadByte(Stream);
  FCompressed = (flags & KitItemCompressed) != 0;
  FDescription.clear();
  if (flags & KitItemDescription) {
    const uint8_t length = KitReadByte(Stream);
    FDescription = KitAnsiToString(KitStreamReadAnsiString(Stream, length));
  }
  FIdent = flags & KitItemIdent ? static_cast<uint16_t>(KitReadInteger(Stream)) : 0;
  return flags;
}

// ---- container ----

TKitCustomContainer::TKitCustomContainer(TObject* Owner, TKitListItemClassType ListType,
                                         TKitListItemFactory ListClass)
    : TKitBaseController(Owner), FListClass(std::move(ListClass)), FListType(ListType) {}

TKitCustomContainer::~TKitCustomContainer() {
  // The items go first, without a change signal, while the container is still whole.
  BeginUpdate();
  FList.clear();
}

void TKitCustomContainer::SetFilePrefix(TKitPathPrefix Value) {
  if (Value == FPrefix) return;
  FPrefix = Value;
  Change();
}

void TKitCustomContainer::SetSource(TKitContainerSource Value) {
  if (Value != FSource && !Loading())
    for (auto& item : FList) item->FreeData();
  FSource = Value;
  Change();
}

void TKitCustomContainer::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseListIndex(Index);
}

TKitListItem* TKitCustomContainer::GetItem(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].get();
}

TKitListItem* TKitCustomContainer::ItemByName(const TKitString& Name) const {
  for (const auto& item : FList)
    if (item->Description() == Name) return item.get();
  return nullptr;
}

int TKitCustomContainer::Add(std::unique_ptr<TKitListItem> Item) {
  if (!Item) Item = NewItem();
  Item->FOwner = this;
  FList.push_back(std::move(Item));
  Change();
  return Count() - 1;
}

void TKitCustomContainer::Insert(int Index, std::unique_ptr<TKitListItem> Item) {
  if (Index < 0 || Index > Count()) RaiseListIndex(Index);
  if (!Item) Item = NewItem();
  Item->FOwner = this;
  FList.insert(FList.begin() + Index, std::move(Item));
  Change();
}

void TKitCustomContainer::AddList(const TKitCustomContainer& Other) {
  // Other may be this container: only the items it had at the start are copied.
  const int count = Other.Count();
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<TKitListItem> item = NewItem();
    item->Assign(Other.FList[static_cast<size_t>(i)].get());
    item->FOwner = this;
    FList.push_back(std::move(item));
  }
  Change();
}

void TKitCustomContainer::Delete(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
  Change();
}

void TKitCustomContainer::Clear() {
  FList.clear();
  Change();
}

void TKitCustomContainer::Move(int CurIndex, int NewIndex) {
  if (CurIndex != NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    std::unique_ptr<TKitListItem> item = std::move(FList[static_cast<size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(item));
  }
  Change();
}

int TKitCustomContainer::IndexOf(const TKitListItem* Item) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i].get() == Item) return static_cast<int>(i);
  return -1;
}

void TKitCustomContainer::Assign(const TKitCustomContainer* Source) {
  if (Source == this) return;
  if (Source == nullptr || Source->FListType != FListType)
    throw EConvertError(
        Format("Cannot assign a %s to a %s", Source ? Source->ClassName() : "nil", ClassName()));
  TKitUpdateScope<TKitCustomContainer> update(*this);
  Clear();
  FDefault = Source->FDefault;
  AddList(*Source);
}

void TKitCustomContainer::SaveToStreamEx(TKitStream& Stream, bool WithIndex) {
  KitWriteInteger(Stream, Count());
  if (!WithIndex || FList.empty()) {
    for (auto& item : FList) item->SaveToStream(Stream);
    return;
  }
  const int64_t table = Stream.Position();
  std::vector<int32_t> offsets;
  Stream.SetPosition(table + 4 * int64_t{Count()});
  for (auto& item : FList) {
    offsets.push_back(static_cast<int32_t>(Stream.Position()));
    item->SaveToStream(Stream);
  }
  const int64_t end = Stream.Position();
  Stream.SetPosition(table);
  for (int32_t offset : offsets) KitWriteInteger(Stream, offset);
  Stream.SetPosition(end);
}

void TKitCustomContainer::LoadFromStreamEx(TKitStream& Stream, bool WithIndex) {
  TKitUpdateScope<TKitCustomContainer> update(*this);
  Clear();
  const int64_t count = KitReadInteger(Stream);
  // Every item takes at least its flag byte: a count the data cannot hold is refused.
  const int64_t left = Stream.Size() - Stream.Position();
  if (count < 0 || count > left || (WithIndex && 4 * count > left)) throw EReadError("Stream read error");
  if (WithIndex) Stream.Seek(4 * count, TSeekOrigin::soCurrent);
  for (int64_t i = 0; i < count; ++i) {
    std::unique_ptr<TKitListItem> item = NewItem();
    TKitListItem* p = item.get();
    Add(std::move(item));
    p->LoadFromStream(Stream);
  }
}

void TKitCustomContainer::LoadFromFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  if (!KitReadSignature(file, FListType)) KitRaiseCannotOpen(FileName);
  LoadFromStreamEx(file, true);
}

void TKitCustomContainer::SaveToFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmCreate);
  KitWriteSignature(file, FListType);
  SaveToStreamEx(file, true);
}

void TKitCustomImageList::SetIndex(int Value) {
  if (Value == FIndex) return;
  if (Value < 0 || Value >= Count())
    throw EInvalidGraphicOperation(Format("List index out of bounds (%d)", Value));
  FIndex = Value;
}

// ---- container files ----

TKitListItemClassType DetectContainerFile(const TKitString& FileName, int& Count, std::vector<int32_t>* OffsetList) {
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  Count = 0;
  uint8_t head[9];
  if (file.Read(head, 9) != 9) return icInvalid;
  TKitListItemClassType kind = icInvalid;
  for (int k = icImageList; k < icInvalid; ++k) {
    const char* text = kSignatures[k];
    if (head[0] == 8 && std::memcmp(head + 1, text, 8) == 0) {
      kind = static_cast<TKitListItemClassType>(k);
      break;
    }
  }
  uint8_t b[4];
  if (kind == icInvalid) {
    if (file.Read(b, 4) == 4) Count = static_cast<int32_t>(KitGetLE32(b));
    return kind;
  }
  Count = KitReadInteger(file);
  if (OffsetList != nullptr) {
    OffsetList->clear();
    if (Count < 0 || 4 * int64_t{Count} > file.Size() - file.Position()) throw EReadError("Stream read error");
    for (int i = 0; i < Count; ++i) OffsetList->push_back(KitReadInteger(file));
  }
  return kind;
}

bool LoadContainerEntry(const TKitString& FileName, TKitListItemClassType ExpectedKind,
                        const std::vector<int32_t>* OffsetList, TKitListItem& Item, int Index) {
  std::vector<int32_t> own;
  if (OffsetList == nullptr) {
    int count;
    if (DetectContainerFile(FileName, count, &own) != ExpectedKind) KitRaiseCannotOpen(FileName);
    OffsetList = &own;
  }
  if (Index < 0 || Index >= static_cast<int>(OffsetList->size())) RaiseListIndex(Index);
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  const int32_t offset = (*OffsetList)[static_cast<size_t>(Index)];
  if (offset < 0 || offset >= file.Size()) throw EReadError("Stream read error");
  file.SetPosition(offset);
  Item.LoadFromStream(file);
  return true;
}

}  // namespace zv

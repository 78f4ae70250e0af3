#include "kit/graphics/global_container.h"

#include <memory>

#include "kit/graphics/resource_stream.h"

namespace zv {

namespace {

std::unique_ptr<TKitContainer>& Global() {
  static std::unique_ptr<TKitContainer> global;
  return global;
}

std::unique_ptr<TKitPrintResDataModule>& PrintModule() {
  static std::unique_ptr<TKitPrintResDataModule> module;
  return module;
}

}  // namespace

const char* const KitGlobalBitmapListName = "Global BitmapList";
const char* const KitGlobalImageListName = "Global ImageList";

TKitContainer::TKitContainer(TObject* Owner) : TKitBaseController(Owner) {
  for (TKitCustomContainer* list : std::initializer_list<TKitCustomContainer*>{&FBitmapList, &FImageList,
                                                                                &FWaveList, &FStringList})
    list->SetOnChange([this, list](TObject*) { NotifyChange(list); });
}

TKitContainer::~TKitContainer() {
  for (TKitCustomContainer* list : std::initializer_list<TKitCustomContainer*>{&FBitmapList, &FImageList,
                                                                                &FWaveList, &FStringList})
    list->SetOnChange(nullptr);
}

void TKitContainer::NotifyChange(TObject* Component) {
  TKitContainer* global = KitGlobalContainer();
  if (FDesigning && global != nullptr && global != this) {
    if (Component == &FBitmapList) global->FBitmapList.Assign(&FBitmapList);
    if (Component == &FImageList) global->FImageList.Assign(&FImageList);
    if (Component == &FWaveList) global->FWaveList.Assign(&FWaveList);
    if (Component == &FStringList) global->FStringList.Assign(&FStringList);
  }
  TKitBaseController::NotifyChange(Component);
}

TKitContainer* KitGlobalContainer() { return Global().get(); }

void KitCreateGlobalContainer() {
  if (!Global()) Global() = std::make_unique<TKitContainer>();
}

void KitFreeGlobalContainer() { Global().reset(); }

TKitPrintResDataModule::TKitPrintResDataModule() {
  SetName(u"KitPrintResDataModule");
  FPrintToolbarImgList.SetName(u"PrintToolbarImgList");
}

TKitPrintResDataModule* KitPrintResDataModule() { return PrintModule().get(); }

void KitCreatePrintResDataModule() {
  if (!PrintModule()) PrintModule() = std::make_unique<TKitPrintResDataModule>();
}

void KitFreePrintResDataModule() { PrintModule().reset(); }

std::string WriteGlobalListRef(const TKitCustomImageList* List) {
  const TKitContainer* global = KitGlobalContainer();
  if (global == nullptr || List == nullptr) return {};
  if (List == &global->BitmapList()) return KitContainerSignature(icBitmap);
  if (List == &global->ImageList()) return KitContainerSignature(icImageList);
  return {};
}

TKitCustomImageList* ReadGlobalListRef(const std::string& Ref) {
  TKitContainer* global = KitGlobalContainer();
  if (global == nullptr) return nullptr;
  if (Ref == KitContainerSignature(icImageList)) return &global->ImageList();
  if (Ref == KitContainerSignature(icBitmap)) return &global->BitmapList();
  return nullptr;
}

void WriteGlobalListRef(TKitStream& Stream, const TKitCustomImageList* List) {
  const std::string ref = WriteGlobalListRef(List);
  if (ref.empty()) return;
  KitWriteByte(Stream, static_cast<uint8_t>(ref.size()));
  Stream.WriteBuffer(ref.data(), static_cast<int64_t>(ref.size()));
}

TKitCustomImageList* ReadGlobalListRef(TKitStream& Stream) {
  const uint8_t length = KitReadByte(Stream);
  std::string ref(length, '\0');
  Stream.ReadBuffer(ref.data(), length);
  return ReadGlobalListRef(ref);
}

bool IsGlobalList(const TKitCustomImageList* List) { return List != nullptr && !WriteGlobalListRef(List).empty(); }

bool IsValidListItem(TKitCustomImageList* List, int Index, int Item) {
  return List != nullptr && List->IsValidItem(Index, Item);
}

void GetListBitmap(TKitCustomImageList* List, int Index, int Item, TKitBitmap* Bitmap) {
  if (List != nullptr && Bitmap != nullptr) List->GetBitmapItem(Index, Item, Bitmap);
}

}  // namespace zv

// The container that bundles one list of each kind, the process-wide instance of it, and
// the helpers with which other controls refer to its bitmap and image lists and query any
// image list alike.
#pragma once
#include "kit/graphics/image_lists.h"
#include "kit/graphics/wave_lists.h"

namespace zv {

class TKitContainer : public TKitBaseController {
 public:
  explicit TKitContainer(TObject* Owner = nullptr);
  ~TKitContainer() override;
  TKitContainer(const TKitContainer&) = delete;
  TKitContainer& operator=(const TKitContainer&) = delete;

  TKitBitmapList& BitmapList() { return FBitmapList; }
  const TKitBitmapList& BitmapList() const { return FBitmapList; }
  TKitImageList& ImageList() { return FImageList; }
  const TKitImageList& ImageList() const { return FImageList; }
  TKitWaveList& WaveList() { return FWaveList; }
  TKitStringListContainer& StringList() { return FStringList; }
  // Each copies the given list into the owned one.
  void SetBitmapList(const TKitBitmapList& Value) { FBitmapList.Assign(&Value); }
  void SetImageList(const TKitImageList& Value) { FImageList.Assign(&Value); }
  void SetWaveList(const TKitWaveList& Value) { FWaveList.Assign(&Value); }
  void SetStringList(const TKitStringListContainer& Value) { FStringList.Assign(&Value); }

  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }
  // While designing, a changed list of this container is copied into the global one.
  void NotifyChange(TObject* Component) override;

 private:
  TKitBitmapList FBitmapList{this};
  TKitImageList FImageList{this};
  TKitWaveList FWaveList{this};
  TKitStringListContainer FStringList{this};
  bool FDesigning = false;
};

// The global container: made by KitGraphicsInitialize, freed by KitGraphicsFinalize; null
// outside that time.
TKitContainer* KitGlobalContainer();
void KitCreateGlobalContainer();
void KitFreeGlobalContainer();
extern const char* const KitGlobalBitmapListName;  // "Global BitmapList"
extern const char* const KitGlobalImageListName;   // "Global ImageList"

// The print data module: a component (named "KitPrintResDataModule") holding the image
// list of the print toolbar, "PrintToolbarImgList". Nothing here prints or shows a print
// preview, so the list holds no pictures. Made by KitGraphicsInitialize after the global
// container and freed by KitGraphicsFinalize before it; null outside that time.
class TKitPrintResDataModule : public TComponent {
 public:
  TKitPrintResDataModule();
  TKitImageList& PrintToolbarImgList() { return FPrintToolbarImgList; }

 private:
  TKitImageList FPrintToolbarImgList{this};
};

TKitPrintResDataModule* KitPrintResDataModule();
void KitCreatePrintResDataModule();
void KitFreePrintResDataModule();

// The signature of the global bitmap or image list, empty for any other list; and back
// (null for any other text).
std::string WriteGlobalListRef(const TKitCustomImageList* List);
TKitCustomImageList* ReadGlobalListRef(const std::string& Ref);
// The stored form of a reference: a length byte and the text (nothing for other lists).
void WriteGlobalListRef(TKitStream& Stream, const TKitCustomImageList* List);
TKitCustomImageList* ReadGlobalListRef(TKitStream& Stream);
bool IsGlobalList(const TKitCustomImageList* List);
bool IsValidListItem(TKitCustomImageList* List, int Index, int Item);
void GetListBitmap(TKitCustomImageList* List, int Index, int Item, TKitBitmap* Bitmap);

}  // namespace zv

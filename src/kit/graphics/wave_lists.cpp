#include "kit/graphics/wave_lists.h"

#include "kit/graphics/resource_stream.h"
#include "kit/graphics/settings.h"

namespace zv {

uint8_t TKitWaveListItem::GetFlags() const {
  return TKitListItem::GetFlags() | (FWave.Empty() ? 0 : KitItemContent);
}

void TKitWaveListItem::WriteData(TKitStream& Stream) {
  WriteHeader(Stream);
  KitWriteWave(Stream, FWave, Compressed());
}

void TKitWaveListItem::ReadData(TKitStream& Stream) {
  const uint8_t flags = ReadHeader(Stream);
  if (flags & KitItemContent) {
    KitReadWave(Stream, FWave, Compressed());
    return;
  }
  // The writer puts the empty form of a wave without sound here: step over it, or every
  // later item would be read from the wrong place.
  TKitMemoryStream empty;
  if (Compressed()) {
    KitExpandBlob(Stream, empty);
  } else {
    const int64_t length = KitReadInteger(Stream);
    if (length < 0 || length > Stream.Size() - Stream.Position()) throw EReadError("Stream read error");
    Stream.Seek(length, TSeekOrigin::soCurrent);
  }
  FWave.FreeWave();
}

void TKitWaveListItem::Assign(const TKitListItem* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitWaveListItem*>(Source);
  if (src == nullptr) return TKitListItem::Assign(Source);
  CopyItemHeader(*src);
  FWave.Assign(&src->FWave);
}

TKitWaveList::TKitWaveList(TObject* Owner)
    : TKitCustomContainer(Owner, icWave, [](TObject* O) { return std::make_unique<TKitWaveListItem>(O); }) {
  static const bool registered =
      (KitRegisterObjectClass("TKitWaveListItem", [](TObject* O) { return new TKitWaveListItem(O); }), true);
  (void)registered;
}

uint8_t TKitStringListItem::GetFlags() const {
  return TKitListItem::GetFlags() | (FStrList.empty() ? 0 : KitItemContent);
}

void TKitStringListItem::WriteData(TKitStream& Stream) {
  WriteHeader(Stream);
  if (!FStrList.empty()) KitWriteStrings(Stream, FStrList, Compressed());
}

void TKitStringListItem::ReadData(TKitStream& Stream) {
  if (ReadHeader(Stream) & KitItemContent)
    KitReadStrings(Stream, FStrList, Compressed());
  else
    FStrList.clear();
}

void TKitStringListItem::Assign(const TKitListItem* Source) {
  if (Source == this) return;
  const auto* src = dynamic_cast<const TKitStringListItem*>(Source);
  if (src == nullptr) return TKitListItem::Assign(Source);
  CopyItemHeader(*src);
  FStrList = src->FStrList;
}

TKitStringListContainer::TKitStringListContainer(TObject* Owner)
    : TKitCustomContainer(Owner, icStringList, [](TObject* O) { return std::make_unique<TKitStringListItem>(O); }) {
  static const bool registered =
      (KitRegisterObjectClass("TKitStringListItem", [](TObject* O) { return new TKitStringListItem(O); }), true);
  (void)registered;
}

}  // namespace zv

#include "kit/editor/width_cache.h"

#include "kit/editor/char_seq.h"

namespace zv {

namespace {
constexpr int kBlockSize = 256;
}

TCharWidthCache::TCharWidthCache() : FItems(static_cast<size_t>(FSize), nullptr) {}

int TCharWidthCache::GetCharWidth(char16_t AChar, TKitFontCharset ACharSet, TKitFontStyles AFs) const {
  const int32_t code = Key(AChar, ACharSet, AFs);
  for (const TItem* i = FItems[KitSedIntHash(static_cast<uint32_t>(code)) & (FSize - 1)]; i != nullptr; i = i->Next)
    if (i->Code == code) return i->Width;
  return -1;
}

void TCharWidthCache::SetCharWidth(char16_t AChar, TKitFontCharset ACharSet, TKitFontStyles AFs, int AWidth) {
  if (FBlocks.empty() || FBlockUsed == kBlockSize) {
    FBlocks.push_back(std::make_unique<TItem[]>(kBlockSize));
    FBlockUsed = 0;
  }
  TItem* item = &FBlocks.back()[static_cast<size_t>(FBlockUsed++)];
  item->Code = Key(AChar, ACharSet, AFs);
  item->Width = AWidth;
  item->Next = nullptr;
  // Appended at the tail of its chain.
  TItem** pos = &FItems[KitSedIntHash(static_cast<uint32_t>(item->Code)) & (FSize - 1)];
  while (*pos != nullptr) pos = &(*pos)->Next;
  *pos = item;
}

void TCharWidthCache::Clear() {
  std::fill(FItems.begin(), FItems.end(), nullptr);
  FBlocks.clear();
  FBlockUsed = 0;
}

TAttrsCache::TAttrsCache(TKitTextMeasurer* AMeasurer, const TKitFont* AFont) : FItems(64) {
  Reset(AMeasurer, AFont);
}

TKitMeasuredFont* TAttrsCache::Find(int32_t ACode) const {
  for (const TItem* i = FItems[KitSedIntHash(static_cast<uint32_t>(ACode)) & FHashMask].get(); i != nullptr;
       i = i->Next.get())
    if (i->Code == ACode) return i->FontObj.get();
  return nullptr;
}

TKitMeasuredFont* TAttrsCache::GetFont(TKitFontStyles AFs, TKitFontCharset ACharset) {
  const int32_t code = static_cast<int32_t>((uint32_t{ACharset} << 16) | AFs);
  if (TKitMeasuredFont* f = Find(code)) return f;
  if (!FHasFont || FMeasurer == nullptr) return nullptr;
  TKitFont font = FFont;
  font.Style = AFs;
  auto item = std::make_unique<TItem>();
  item->Code = code;
  item->FontObj = FMeasurer->CreateFont(font, ACharset);
  TKitMeasuredFont* result = item->FontObj.get();
  // New entries go to the head of their chain.
  auto& head = FItems[KitSedIntHash(static_cast<uint32_t>(code)) & FHashMask];
  item->Next = std::move(head);
  head = std::move(item);
  ++FCount;
  return result;
}

void TAttrsCache::Reset(TKitTextMeasurer* AMeasurer, const TKitFont* AFont) {
  // Chains are unlinked one by one, so a long chain cannot exhaust the stack.
  for (auto& head : FItems)
    while (head) head = std::move(head->Next);
  FCount = 0;
  FMeasurer = AMeasurer;
  FHasFont = AFont != nullptr;
  if (AFont != nullptr) {
    FFont = *AFont;
    GetFont(AFont->Style, 0);
  }
}

}  // namespace zv

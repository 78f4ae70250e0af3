// The two caches of text measuring: the pixel width of each (character, style, character
// set), and one font per (style, character set) made from the view's font. Both are hash
// tables that answer a hit without allocating.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "kit/editor/edit_platform.h"

namespace zv {

class TCharWidthCache {
 public:
  TCharWidthCache();
  ~TCharWidthCache() { Clear(); }
  TCharWidthCache(const TCharWidthCache&) = delete;
  TCharWidthCache& operator=(const TCharWidthCache&) = delete;

  // The cached width, or -1 when the key is not cached (a width of 0 can be cached).
  int GetCharWidth(char16_t AChar, TKitFontCharset ACharSet, TKitFontStyles AFs) const;
  // Appends an entry without looking for an equal key: callers add only after a miss.
  void SetCharWidth(char16_t AChar, TKitFontCharset ACharSet, TKitFontStyles AFs, int AWidth);
  void Clear();

 private:
  struct TItem {
    int32_t Code;
    int32_t Width;
    TItem* Next;
  };
  static int32_t Key(char16_t AChar, TKitFontCharset ACharSet, TKitFontStyles AFs) {
    return static_cast<int32_t>(AChar | (uint32_t{AFs} << 16) | (uint32_t{ACharSet} << 24));
  }
  int FSize = 1024;
  std::vector<TItem*> FItems;
  // Entries come from blocks that live until Clear.
  std::vector<std::unique_ptr<TItem[]>> FBlocks;
  int FBlockUsed = 0;
};

class TAttrsCache {
 public:
  // AFont may be null: the table is empty then and makes no fonts.
  TAttrsCache(TKitTextMeasurer* AMeasurer, const TKitFont* AFont);
  ~TAttrsCache() { Reset(nullptr, nullptr); }
  TAttrsCache(const TAttrsCache&) = delete;
  TAttrsCache& operator=(const TAttrsCache&) = delete;

  // The base font with the style AFs and the character set; null without a base font or
  // a measurer.
  TKitMeasuredFont* GetFont(TKitFontStyles AFs, TKitFontCharset ACharset);
  // Frees every font and takes AFont as the new base, making its own entry at once.
  void Reset(TKitTextMeasurer* AMeasurer, const TKitFont* AFont);
  int Count() const { return FCount; }

 private:
  struct TItem {
    int32_t Code;
    std::unique_ptr<TKitMeasuredFont> FontObj;
    std::unique_ptr<TItem> Next;
  };
  TKitMeasuredFont* Find(int32_t ACode) const;
  std::vector<std::unique_ptr<TItem>> FItems;
  int FHashMask = 63;
  int FCount = 0;
  TKitTextMeasurer* FMeasurer = nullptr;
  bool FHasFont = false;
  TKitFont FFont;
};

}  // namespace zv

// A PNG file held as an ordered list of chunk objects: the chunk base class, the registry
// that maps a chunk type to its class, the list with its placement rules, the small
// ancillary chunks, the CRC and zlib helpers, and the error family of the PNG units.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "kit/text/stream.h"

namespace zv {

ZV_ERROR_CLASS(EKitPNGOutMemory, Exception)
ZV_ERROR_CLASS(EKitPNGError, Exception)
ZV_ERROR_CLASS(EKitPNGUnexpectedEnd, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidIHDR, Exception)
ZV_ERROR_CLASS(EKitPNGMissingMultipleIDAT, Exception)
ZV_ERROR_CLASS(EKitPNGZLIBError, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidPalette, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidFileHeader, Exception)
ZV_ERROR_CLASS(EKitPNGIHDRNotFirst, Exception)
ZV_ERROR_CLASS(EKitPNGSizeExceeds, Exception)
ZV_ERROR_CLASS(EKitPNGUnknownCompression, Exception)
ZV_ERROR_CLASS(EKitPNGUnknownInterlace, Exception)
ZV_ERROR_CLASS(EKitPNGNoImageData, Exception)
ZV_ERROR_CLASS(EKitPNGCouldNotLoadResource, Exception)
ZV_ERROR_CLASS(EKitPNGCannotChangeTransparent, Exception)
ZV_ERROR_CLASS(EKitPNGHeaderNotPresent, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidNewSize, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidSpec, Exception)
ZV_ERROR_CLASS(EKitPNGInvalidSourceSize, Exception)
ZV_ERROR_CLASS(EKitPNGDifferentBitDepth, Exception)

// The messages of the PNG errors.
namespace KitPNGText {
extern const char* const InvalidFileHeader;
extern const char* const UnexpectedEnd;
extern const char* const IHDRNotFirst;
extern const char* const NoImageData;
extern const char* const InvalidIHDR;
extern const char* const SizeExceeds;
extern const char* const UnknownCompression;
extern const char* const UnknownInterlace;
extern const char* const MissingMultipleIDAT;
extern const char* const ZLIBError;  // followed by the zlib error text
extern const char* const InvalidPalette;
extern const char* const ExistentCriticalChunk;
extern const char* const InvalidImage;
extern const char* const ChunksNotCompatible;
extern const char* const NoSuchPaletteEntry;
extern const char* const HeaderNotPresent;
extern const char* const InvalidSpec;
extern const char* const CouldNotLoadResource;
extern const char* const OutMemory;
extern const char* const CannotChangeTransparent;
extern const char* const InvalidNewSize;
extern const char* const DifferentBitDepth;
extern const char* const InvalidSourceSize;
}  // namespace KitPNGText

// The text of a zlib result code (-6..2) as the PNG errors quote it.
std::string KitPNGZlibErrorText(int Code);

class TKitPNGObject;
class TKitPNGChunk;
class TKitPNGChunkIHDR;

using TKitPNGChunkName = std::array<char, 4>;
TKitPNGChunkName KitPNGChunkName(const char* Type);

// A chunk class: its type, its parent class and how to make one.
struct TKitPNGChunkClassInfo {
  const char* TypeName;  // empty for the base class
  const TKitPNGChunkClassInfo* Parent;
  std::unique_ptr<TKitPNGChunk> (*Create)(TKitPNGObject* Owner);
  bool InheritsFrom(const TKitPNGChunkClassInfo* Other) const;
};
using TKitPNGChunkClass = const TKitPNGChunkClassInfo*;

#define ZV_PNG_CHUNK_CLASS()                  \
  static TKitPNGChunkClass ClassType();        \
  TKitPNGChunkClass ChunkClass() const override { return ClassType(); }

class TKitPNGChunk {
 public:
  explicit TKitPNGChunk(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "") {}
  virtual ~TKitPNGChunk() = default;
  TKitPNGChunk(const TKitPNGChunk&) = delete;
  TKitPNGChunk& operator=(const TKitPNGChunk&) = delete;

  static TKitPNGChunkClass ClassType();
  virtual TKitPNGChunkClass ChunkClass() const { return ClassType(); }

  // Copies the type and the data bytes.
  virtual void Assign(const TKitPNGChunk& Source);
  // Reads Size data bytes and the CRC (not compared); false ends the file reading.
  virtual bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size);
  virtual bool SaveToStream(TKitStream& Stream) { return SaveData(Stream); }

  // The position in the owner's chunk list, -1 when absent.
  int Index() const;
  // The owner's first chunk as the header; none when the list is empty or starts otherwise.
  TKitPNGChunkIHDR* Header() const;
  uint8_t* Data() { return fData.data(); }
  const uint8_t* Data() const { return fData.data(); }
  uint32_t DataSize() const { return fDataSize; }
  TKitPNGObject* Owner() const { return fOwner; }
  std::string Name() const { return std::string(fName.data(), 4); }
  const TKitPNGChunkName& ChunkName() const { return fName; }

  // The data keeps its bytes up to the smaller size; new bytes are zero.
  void ResizeData(uint32_t NewSize);
  // Writes length, type, data and CRC.
  bool SaveData(TKitStream& Stream);

 protected:
  TKitPNGChunk(TKitPNGObject* Owner, const char* TypeName);

  std::vector<uint8_t> fData;  // always one byte more than fDataSize
  uint32_t fDataSize = 0;
  TKitPNGObject* fOwner;
  TKitPNGChunkName fName{};

  friend std::unique_ptr<TKitPNGChunk> CreateChunkForType(TKitPNGObject* Owner, const TKitPNGChunkName& ChunkName);
};

class TKitPNGChunkIEND : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkIEND(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "IEND") {}
  ZV_PNG_CHUNK_CLASS()
};

enum TUnitType : uint8_t { utUnknown, utMeter };

class TKitPNGChunkpHYs : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkpHYs(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "pHYs") {}
  ZV_PNG_CHUNK_CLASS()
  void Assign(const TKitPNGChunk& Source) override;
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  uint32_t PPUnitX = 0;
  uint32_t PPUnitY = 0;
  TUnitType UnitType = utUnknown;
};

class TKitPNGChunktIME : public TKitPNGChunk {
 public:
  explicit TKitPNGChunktIME(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "tIME") {}
  ZV_PNG_CHUNK_CLASS()
  void Assign(const TKitPNGChunk& Source) override;
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  uint16_t Year = 0;
  uint8_t Month = 0;
  uint8_t Day = 0;
  uint8_t Hour = 0;
  uint8_t Minute = 0;
  uint8_t Second = 0;
};

class TKitPNGChunkTEXT : public TKitPNGChunk {
 public:
  explicit TKitPNGChunkTEXT(TKitPNGObject* Owner) : TKitPNGChunk(Owner, "tEXt") {}
  ZV_PNG_CHUNK_CLASS()
  void Assign(const TKitPNGChunk& Source) override;
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
  std::string Keyword;
  std::string Text;

 protected:
  TKitPNGChunkTEXT(TKitPNGObject* Owner, const char* TypeName) : TKitPNGChunk(Owner, TypeName) {}
};

// A text chunk whose text is stored deflated; Text is the plain text.
class TKitPNGChunkzTXT : public TKitPNGChunkTEXT {
 public:
  explicit TKitPNGChunkzTXT(TKitPNGObject* Owner) : TKitPNGChunkTEXT(Owner, "zTXt") {}
  ZV_PNG_CHUNK_CLASS()
  bool LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) override;
  bool SaveToStream(TKitStream& Stream) override;
};

// The chunks of one image, owned through the list.
class TKitPNGList {
 public:
  explicit TKitPNGList(TKitPNGObject* Owner) : fOwner(Owner) {}
  int Count() const { return static_cast<int>(fItems.size()); }
  TKitPNGChunk* GetItem(int Index) const {
    return Index >= 0 && Index < Count() ? fItems[Index].get() : nullptr;
  }
  int IndexOf(const TKitPNGChunk* Chunk) const;
  // The first chunk of the class or of a class derived from it.
  TKitPNGChunk* ItemFromClass(TKitPNGChunkClass ChunkClass) const;
  TKitPNGChunk* FindChunk(TKitPNGChunkClass ChunkClass) const { return ItemFromClass(ChunkClass); }
  template <class T>
  T* Find() const {
    return static_cast<T*>(ItemFromClass(T::ClassType()));
  }
  // Removes and destroys the chunk.
  void RemoveChunk(TKitPNGChunk* Chunk);
  // Creates a chunk of the class and places it by the placement rules.
  TKitPNGChunk* Add(TKitPNGChunkClass ChunkClass);
  template <class T>
  T* Add() {
    return static_cast<T*>(Add(T::ClassType()));
  }

  void Clear() { fItems.clear(); }
  // Keeps the first Count chunks.
  void Truncate(int Count) {
    if (Count < this->Count()) fItems.resize(static_cast<size_t>(Count));
  }
  void Append(std::unique_ptr<TKitPNGChunk> Chunk) { fItems.push_back(std::move(Chunk)); }
  // Inserts at Position, or at the end when Position is past it.
  void Insert(std::unique_ptr<TKitPNGChunk> Chunk, int Position);

 private:
  TKitPNGObject* fOwner;
  std::vector<std::unique_ptr<TKitPNGChunk>> fItems;
};

// The chunk class registry: IEND, IHDR, IDAT, PLTE, gAMA, tRNS, pHYs, tIME, tEXt, zTXt are
// registered on first use; more classes may be added.
void RegisterChunk(TKitPNGChunkClass ChunkClass);
// Makes the registry and the CRC table (the library's start-up calls it).
void KitPNGInitialize();
// A chunk of the first registered class whose type equals ChunkName byte for byte, else a
// plain chunk; its name is ChunkName.
std::unique_ptr<TKitPNGChunk> CreateChunkForType(TKitPNGObject* Owner, const TKitPNGChunkName& ChunkName);

// The CRC-32 of PNG over Size bytes, continuing Crc (start with 0).
uint32_t KitPNGUpdateCrc(uint32_t Crc, const uint8_t* Data, size_t Size);
// Writes one chunk in file form.
void KitPNGWriteChunk(TKitStream& Stream, const TKitPNGChunkName& Name, const uint8_t* Data, uint32_t Size);
uint32_t KitPNGReadBE32(const uint8_t* P);
void KitPNGWriteBE32(uint8_t* P, uint32_t Value);

// One whole zlib stream; false with the zlib error text on failure. Inflated output is
// limited to MaxInflatedSize bytes (more counts as a failure).
constexpr size_t MaxInflatedSize = size_t(1) << 26;
bool DeflateBuffer(const uint8_t* Input, size_t Length, int Level, std::vector<uint8_t>& Output,
                   std::string& ErrorText);
bool InflateBuffer(const uint8_t* Input, size_t Length, std::vector<uint8_t>& Output, std::string& ErrorText);

}  // namespace zv

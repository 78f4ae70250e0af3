#include "kit/graphics/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "kit/graphics/png_image.h"

namespace zv {

namespace KitPNGText {
const char* const InvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corrupted, try obtaining it again.";
const char* const UnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the file.";
const char* const IHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not the "
    "first)";
const char* const NoImageData = "This \"Portable Network Graphics\" image contains no data.";
const char* const InvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of data (ihdr) "
    "might be corrupted";
const char* const SizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds the "
    "maximum size, which is 65535 pixels length.";
const char* const UnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not be "
    "decoded.";
const char* const UnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.";
const char* const MissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
const char* const ZLIBError =
    "Could not decompress the image because it contains invalid compressed data.\r\n Description: ";
const char* const InvalidPalette = "The \"Portable Network Graphics\" image contains an invalid palette.";
const char* const ExistentCriticalChunk =
    "The program tried to add a existent critical chunk to the current image which is not allowed.";
const char* const InvalidImage = "It's not allowed to add a new chunk because the current image is invalid.";
const char* const ChunksNotCompatible = "The chunks must be compatible to be assigned.";
const char* const NoSuchPaletteEntry = "There is no such palette entry.";
const char* const HeaderNotPresent = "This operation is not valid because the current image contains no valid header.";
const char* const InvalidSpec =
    "The \"Portable Network Graphics\" could not be created because invalid image type parameters have being "
    "provided.";
const char* const CouldNotLoadResource = "The png image could not be loaded from the resource ID.";
const char* const OutMemory =
    "Some operation could not be performed because the system is out of resources. Close some windows and try "
    "again.";
const char* const CannotChangeTransparent =
    "Setting bit transparency color is not allowed for png images containing alpha value for each pixel "
    "(COLOR_RGBALPHA and COLOR_GRAYSCALEALPHA)";
const char* const InvalidNewSize = "The new size provided for image resizing is invalid.";
const char* const DifferentBitDepth = "Source and destanation have different bit depth";
const char* const InvalidSourceSize = "Source rect is bigger than destination size";
}  // namespace KitPNGText

std::string KitPNGZlibErrorText(int Code) {
  static const char* const kTexts[] = {"incompatible version (-6)", "buffer error (-5)", "insufficient memory (-4)",
                                       "data error (-3)",           "stream error (-2)", "file error (-1)",
                                       "(0)",                       "stream end (1)",    "need dictionary (2)"};
  return Code >= -6 && Code <= 2 ? kTexts[Code + 6] : "(" + std::to_string(Code) + ")";
}

TKitPNGChunkName KitPNGChunkName(const char* Type) {
  TKitPNGChunkName name{};
  std::memcpy(name.data(), Type, std::min<size_t>(std::strlen(Type), 4));
  return name;
}

bool TKitPNGChunkClassInfo::InheritsFrom(const TKitPNGChunkClassInfo* Other) const {
  for (const TKitPNGChunkClassInfo* c = this; c != nullptr; c = c->Parent)
    if (c == Other) return true;
  return false;
}

uint32_t KitPNGReadBE32(const uint8_t* P) {
  return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3];
}

void KitPNGWriteBE32(uint8_t* P, uint32_t Value) {
  P[0] = static_cast<uint8_t>(Value >> 24);
  P[1] = static_cast<uint8_t>(Value >> 16);
  P[2] = static_cast<uint8_t>(Value >> 8);
  P[3] = static_cast<uint8_t>(Value);
}

uint32_t KitPNGUpdateCrc(uint32_t Crc, const uint8_t* Data, size_t Size) {
  // zlib's CRC-32 is the one PNG defines (reflected 0xEDB88320, complemented).
  while (Size > 0) {
    const auto n = static_cast<uInt>(std::min<size_t>(Size, 1u << 30));
    Crc = static_cast<uint32_t>(crc32(Crc, Data, n));
    Data += n;
    Size -= n;
  }
  return Crc;
}

void KitPNGWriteChunk(TKitStream& Stream, const TKitPNGChunkName& Name, const uint8_t* Data, uint32_t Size) {
  uint8_t head[8];
  KitPNGWriteBE32(head, Size);
  std::memcpy(head + 4, Name.data(), 4);
  uint32_t crc = KitPNGUpdateCrc(0, head + 4, 4);
  crc = KitPNGUpdateCrc(crc, Data, Size);
  uint8_t tail[4];
  KitPNGWriteBE32(tail, crc);
  Stream.WriteBuffer(head, 8);
  Stream.WriteBuffer(Data, Size);
  Stream.WriteBuffer(tail, 4);
}

// ---- chunk base ----

TKitPNGChunk::TKitPNGChunk(TKitPNGObject* Owner, const char* TypeName) : fData(1, 0), fOwner(Owner) {
  if (std::strlen(TypeName) == 4) std::memcpy(fName.data(), TypeName, 4);
}

TKitPNGChunkClass TKitPNGChunk::ClassType() {
  static const TKitPNGChunkClassInfo info{
      "", nullptr, [](TKitPNGObject* Owner) -> std::unique_ptr<TKitPNGChunk> {
        return std::make_unique<TKitPNGChunk>(Owner);
      }};
  return &info;
}

void TKitPNGChunk::Assign(const TKitPNGChunk& Source) {
  fName = Source.fName;
  fData = Source.fData;
  fDataSize = Source.fDataSize;
}

bool TKitPNGChunk::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& /*ChunkName*/, uint32_t Size) {
  ResizeData(Size);
  if (Size > 0) Stream.Read(fData.data(), Size);
  uint8_t crc[4];
  Stream.Read(crc, 4);
  return true;
}

int TKitPNGChunk::Index() const { return fOwner != nullptr ? fOwner->Chunks().IndexOf(this) : -1; }

TKitPNGChunkIHDR* TKitPNGChunk::Header() const {
  if (fOwner == nullptr) return nullptr;
  TKitPNGChunk* first = fOwner->Chunks().GetItem(0);
  return first != nullptr && first->ChunkClass()->InheritsFrom(TKitPNGChunkIHDR::ClassType())
             ? static_cast<TKitPNGChunkIHDR*>(first)
             : nullptr;
}

void TKitPNGChunk::ResizeData(uint32_t NewSize) {
  fData.resize(static_cast<size_t>(NewSize) + 1);
  fData[NewSize] = 0;
  fDataSize = NewSize;
}

bool TKitPNGChunk::SaveData(TKitStream& Stream) {
  KitPNGWriteChunk(Stream, fName, fData.data(), fDataSize);
  return true;
}

// ---- registry ----

namespace {

struct TRegistry {
  std::mutex Lock;
  std::vector<TKitPNGChunkClass> Classes;
};

TRegistry& Registry() {
  static TRegistry* registry = [] {
    auto* r = new TRegistry;
    r->Classes = {TKitPNGChunkIEND::ClassType(), TKitPNGChunkIHDR::ClassType(), TKitPNGChunkIDAT::ClassType(),
                  TKitPNGChunkPLTE::ClassType(), TKitPNGChunkgAMA::ClassType(), TKitPNGChunktRNS::ClassType(),
                  TKitPNGChunkpHYs::ClassType(), TKitPNGChunktIME::ClassType(), TKitPNGChunkTEXT::ClassType(),
                  TKitPNGChunkzTXT::ClassType()};
    return r;
  }();
  return *registry;
}

}  // namespace

void KitPNGInitialize() {
  Registry();
  get_crc_table();
}

void RegisterChunk(TKitPNGChunkClass ChunkClass) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  r.Classes.push_back(ChunkClass);
}

std::unique_ptr<TKitPNGChunk> CreateChunkForType(TKitPNGObject* Owner, const TKitPNGChunkName& ChunkName) {
  TKitPNGChunkClass cls = TKitPNGChunk::ClassType();
  {
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (TKitPNGChunkClass c : r.Classes)
      if (std::strlen(c->TypeName) == 4 && std::memcmp(c->TypeName, ChunkName.data(), 4) == 0) {
        cls = c;
        break;
      }
  }
  std::unique_ptr<TKitPNGChunk> chunk = cls->Create(Owner);
  chunk->fName = ChunkName;
  return chunk;
}

// ---- list ----

int TKitPNGList::IndexOf(const TKitPNGChunk* Chunk) const {
  for (int i = 0; i < Count(); ++i)
    if (fItems[i].get() == Chunk) return i;
  return -1;
}

TKitPNGChunk* TKitPNGList::ItemFromClass(TKitPNGChunkClass ChunkClass) const {
  for (const auto& item : fItems)
    if (item->ChunkClass()->InheritsFrom(ChunkClass)) return item.get();
  return nullptr;
}

void TKitPNGList::RemoveChunk(TKitPNGChunk* Chunk) {
  const int i = IndexOf(Chunk);
  if (i >= 0) fItems.erase(fItems.begin() + i);
}

void TKitPNGList::Insert(std::unique_ptr<TKitPNGChunk> Chunk, int Position) {
  Position = KitClamp(Position, 0, Count());
  fItems.insert(fItems.begin() + Position, std::move(Chunk));
}

TKitPNGChunk* TKitPNGList::Add(TKitPNGChunkClass ChunkClass) {
  const bool building = fOwner != nullptr && fOwner->BeingCreated;
  auto is = [&](TKitPNGChunkClass c) { return ChunkClass == c; };
  if (!building && (is(TKitPNGChunkIHDR::ClassType()) || is(TKitPNGChunkIDAT::ClassType()) ||
                    is(TKitPNGChunkPLTE::ClassType()) || is(TKitPNGChunkIEND::ClassType())))
    TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::ExistentCriticalChunk);
  if ((is(TKitPNGChunkgAMA::ClassType()) || is(TKitPNGChunktRNS::ClassType()) || is(TKitPNGChunkpHYs::ClassType())) &&
      ItemFromClass(ChunkClass) != nullptr)
    TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::ExistentCriticalChunk);
  const TKitPNGChunk* iend = ItemFromClass(TKitPNGChunkIEND::ClassType());
  const TKitPNGChunk* ihdr = ItemFromClass(TKitPNGChunkIHDR::ClassType());
  if ((iend == nullptr || ihdr == nullptr) && !building)
    TKitPNGObject::RaiseError<EKitPNGError>(KitPNGText::InvalidImage);

  std::unique_ptr<TKitPNGChunk> chunk = ChunkClass->Create(fOwner);
  TKitPNGChunk* result = chunk.get();
  auto after = [&](TKitPNGChunkClass c) { return IndexOf(ItemFromClass(c)) + 1; };
  int position;
  if (is(TKitPNGChunkgAMA::ClassType()) || is(TKitPNGChunkpHYs::ClassType()) || is(TKitPNGChunkPLTE::ClassType())) {
    position = after(TKitPNGChunkIHDR::ClassType());
  } else if (is(TKitPNGChunkIEND::ClassType())) {
    position = Count();
  } else if (is(TKitPNGChunkIHDR::ClassType())) {
    position = 0;
  } else if (is(TKitPNGChunktRNS::ClassType())) {
    if (ItemFromClass(TKitPNGChunkPLTE::ClassType()) != nullptr)
      position = after(TKitPNGChunkPLTE::ClassType());
    else if (const TKitPNGChunk* idat = ItemFromClass(TKitPNGChunkIDAT::ClassType()))
      position = IndexOf(idat);
    else
      position = after(TKitPNGChunkIHDR::ClassType());
  } else {
    position = iend != nullptr ? IndexOf(iend) : Count();
  }
  Insert(std::move(chunk), position);
  return result;
}

// ---- zlib helpers ----

bool DeflateBuffer(const uint8_t* Input, size_t Length, int Level, std::vector<uint8_t>& Output,
                   std::string& ErrorText) {
  Output.clear();
  z_stream z{};
  int ret = deflateInit(&z, Level);
  if (ret != Z_OK) {
    ErrorText = KitPNGZlibErrorText(ret);
    return false;
  }
  z.next_in = const_cast<Bytef*>(Input);
  z.avail_in = static_cast<uInt>(Length);
  uint8_t window[256];
  do {
    z.next_out = window;
    z.avail_out = sizeof window;
    ret = deflate(&z, Z_FINISH);
    if (ret < 0 && ret != Z_BUF_ERROR) break;
    Output.insert(Output.end(), window, window + (sizeof window - z.avail_out));
  } while (ret != Z_STREAM_END);
  deflateEnd(&z);
  if (ret != Z_STREAM_END) {
    ErrorText = KitPNGZlibErrorText(ret);
    return false;
  }
  return true;
}

bool InflateBuffer(const uint8_t* Input, size_t Length, std::vector<uint8_t>& Output, std::string& ErrorText) {
  Output.clear();
  z_stream z{};
  int ret = inflateInit(&z);
  if (ret != Z_OK) {
    ErrorText = KitPNGZlibErrorText(ret);
    return false;
  }
  z.next_in = const_cast<Bytef*>(Input);
  z.avail_in = static_cast<uInt>(Length);
  uint8_t window[256];
  do {
    z.next_out = window;
    z.avail_out = sizeof window;
    ret = inflate(&z, Z_NO_FLUSH);
    // Without progress (input used up before the stream end) the stream is cut short.
    if (ret == Z_BUF_ERROR || (ret == Z_OK && z.avail_out == sizeof window && z.avail_in == 0)) ret = Z_DATA_ERROR;
    if (ret < 0 || ret == Z_NEED_DICT) break;
    Output.insert(Output.end(), window, window + (sizeof window - z.avail_out));
    if (Output.size() > MaxInflatedSize) {
      ret = Z_MEM_ERROR;
      break;
    }
  } while (ret != Z_STREAM_END);
  inflateEnd(&z);
  if (ret != Z_STREAM_END) {
    ErrorText = KitPNGZlibErrorText(ret);
    Output.clear();
    return false;
  }
  return true;
}

// ---- ancillary chunks ----

#define ZV_PNG_CLASS_INFO(Class, Type, ParentClass)                                                         \
  TKitPNGChunkClass Class::ClassType() {                                                                    \
    static const TKitPNGChunkClassInfo info{                                                                \
        Type, ParentClass::ClassType(),                                                                     \
        [](TKitPNGObject* Owner) -> std::unique_ptr<TKitPNGChunk> { return std::make_unique<Class>(Owner); }}; \
    return &info;                                                                                           \
  }

ZV_PNG_CLASS_INFO(TKitPNGChunkIEND, "IEND", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkpHYs, "pHYs", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunktIME, "tIME", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkTEXT, "tEXt", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkzTXT, "zTXt", TKitPNGChunkTEXT)
ZV_PNG_CLASS_INFO(TKitPNGChunkIHDR, "IHDR", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkPLTE, "PLTE", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunktRNS, "tRNS", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkgAMA, "gAMA", TKitPNGChunk)
ZV_PNG_CLASS_INFO(TKitPNGChunkIDAT, "IDAT", TKitPNGChunk)

void TKitPNGChunkpHYs::Assign(const TKitPNGChunk& Source) {
  TKitPNGChunk::Assign(Source);
  if (const auto* src = dynamic_cast<const TKitPNGChunkpHYs*>(&Source)) {
    PPUnitX = src->PPUnitX;
    PPUnitY = src->PPUnitY;
    UnitType = src->UnitType;
  }
}

bool TKitPNGChunkpHYs::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize == 9) {
    PPUnitX = KitPNGReadBE32(fData.data());
    PPUnitY = KitPNGReadBE32(fData.data() + 4);
    UnitType = static_cast<TUnitType>(fData[8]);
  }
  return result;
}

bool TKitPNGChunkpHYs::SaveToStream(TKitStream& Stream) {
  ResizeData(9);
  KitPNGWriteBE32(fData.data(), PPUnitX);
  KitPNGWriteBE32(fData.data() + 4, PPUnitY);
  fData[8] = UnitType;
  return TKitPNGChunk::SaveToStream(Stream);
}

void TKitPNGChunktIME::Assign(const TKitPNGChunk& Source) {
  TKitPNGChunk::Assign(Source);
  if (const auto* src = dynamic_cast<const TKitPNGChunktIME*>(&Source)) {
    Year = src->Year;
    Month = src->Month;
    Day = src->Day;
    Hour = src->Hour;
    Minute = src->Minute;
    Second = src->Second;
  }
}

bool TKitPNGChunktIME::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize == 7) {
    Year = static_cast<uint16_t>((fData[0] << 8) | fData[1]);
    Month = fData[2];
    Day = fData[3];
    Hour = fData[4];
    Minute = fData[5];
    Second = fData[6];
  }
  return result;
}

bool TKitPNGChunktIME::SaveToStream(TKitStream& Stream) {
  ResizeData(7);
  const uint8_t bytes[7] = {static_cast<uint8_t>(Year >> 8), static_cast<uint8_t>(Year), Month, Day, Hour, Minute,
                            Second};
  std::memcpy(fData.data(), bytes, 7);
  return TKitPNGChunk::SaveToStream(Stream);
}

void TKitPNGChunkTEXT::Assign(const TKitPNGChunk& Source) {
  TKitPNGChunk::Assign(Source);
  if (const auto* src = dynamic_cast<const TKitPNGChunkTEXT*>(&Source)) {
    Keyword = src->Keyword;
    Text = src->Text;
  }
}

bool TKitPNGChunkTEXT::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunk::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize > 2) {
    const char* data = reinterpret_cast<const char*>(fData.data());
    const size_t keyLength = strnlen(data, fDataSize);
    Keyword.assign(data, keyLength);
    Text = keyLength < fDataSize ? std::string(data + keyLength + 1, fDataSize - keyLength - 1) : std::string();
  }
  return result;
}

bool TKitPNGChunkTEXT::SaveToStream(TKitStream& Stream) {
  ResizeData(static_cast<uint32_t>(Keyword.size() + Text.size() + 1));
  std::memcpy(fData.data(), Keyword.data(), Keyword.size());
  fData[Keyword.size()] = 0;
  std::memcpy(fData.data() + Keyword.size() + 1, Text.data(), Text.size());
  return TKitPNGChunk::SaveToStream(Stream);
}

bool TKitPNGChunkzTXT::LoadFromStream(TKitStream& Stream, const TKitPNGChunkName& ChunkName, uint32_t Size) {
  const bool result = TKitPNGChunkTEXT::LoadFromStream(Stream, ChunkName, Size);
  if (fDataSize > 3) {
    const char* data = reinterpret_cast<const char*>(fData.data());
    const size_t keyLength = strnlen(data, fDataSize);
    Keyword.assign(data, keyLength);
    Text.clear();
    if (keyLength + 2 <= fDataSize && fData[keyLength + 1] == 0) {
      std::vector<uint8_t> text;
      std::string error;
      if (InflateBuffer(fData.data() + keyLength + 2, fDataSize - keyLength - 2, text, error))
        Text.assign(text.begin(), text.end());
    }
  }
  return result;
}

bool TKitPNGChunkzTXT::SaveToStream(TKitStream& Stream) {
  if (Text.empty()) Text = " ";
  std::vector<uint8_t> compressed;
  std::string error;
  const int level = fOwner != nullptr ? fOwner->CompressionLevel() : Z_DEFAULT_COMPRESSION;
  if (!DeflateBuffer(reinterpret_cast<const uint8_t*>(Text.data()), Text.size(), level, compressed, error))
    return false;
  ResizeData(static_cast<uint32_t>(Keyword.size() + compressed.size() + 2));
  std::memcpy(fData.data(), Keyword.data(), Keyword.size());
  fData[Keyword.size()] = 0;
  fData[Keyword.size() + 1] = 0;
  std::memcpy(fData.data() + Keyword.size() + 2, compressed.data(), compressed.size());
  return TKitPNGChunk::SaveToStream(Stream);
}

}  // namespace zv

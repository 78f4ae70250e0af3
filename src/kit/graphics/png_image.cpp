#include "kit/graphics/png_image.h"

#include <cstring>

namespace zv {

namespace {
const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
}

TKitPNGObject::TKitPNGObject() { ResetGamma(); }

TKitPNGObject::~TKitPNGObject() { fChunkList.Clear(); }

void TKitPNGObject::ResetGamma() {
  for (int i = 0; i < 256; ++i) GammaTable[i] = InverseGamma[i] = static_cast<uint8_t>(i);
}

void TKitPNGObject::ClearChunks() {
  fChunkList.Clear();
  ResetGamma();
}

TKitPNGChunkIHDR* TKitPNGObject::Header() const {
  TKitPNGChunk* first = fChunkList.GetItem(0);
  if (first == nullptr || !first->ChunkClass()->InheritsFrom(TKitPNGChunkIHDR::ClassType()))
    RaiseError<EKitPNGHeaderNotPresent>(KitPNGText::HeaderNotPresent);
  return static_cast<TKitPNGChunkIHDR*>(first);
}

int TKitPNGObject::Width() const {
  TKitPNGChunk* first = fChunkList.GetItem(0);
  return first != nullptr && first->ChunkClass() == TKitPNGChunkIHDR::ClassType()
             ? static_cast<int>(static_cast<TKitPNGChunkIHDR*>(first)->Width())
             : 0;
}

int TKitPNGObject::Height() const {
  TKitPNGChunk* first = fChunkList.GetItem(0);
  return first != nullptr && first->ChunkClass() == TKitPNGChunkIHDR::ClassType()
             ? static_cast<int>(static_cast<TKitPNGChunkIHDR*>(first)->Height())
             : 0;
}

uint8_t* TKitPNGObject::GetScanline(int Line) { return Header()->Image().ScanLine(Line); }

uint8_t* TKitPNGObject::GetAlphaScanline(int Line) {
  TKitPNGChunkIHDR* header = Header();
  if (header->ColorType() != COLOR_GRAYSCALEALPHA && header->ColorType() != COLOR_RGBALPHA) return nullptr;
  return header->Image().AlphaScanLine(Line);
}

TKitPalette* TKitPNGObject::Palette() const {
  TKitPNGChunk* first = fChunkList.GetItem(0);
  if (first == nullptr || first->ChunkClass() != TKitPNGChunkIHDR::ClassType()) return nullptr;
  return static_cast<TKitPNGChunkIHDR*>(first)->ImagePalette.get();
}

void TKitPNGObject::SetPalette(std::unique_ptr<TKitPalette> Value) {
  TKitPNGChunk* first = fChunkList.GetItem(0);
  if (first == nullptr || first->ChunkClass() != TKitPNGChunkIHDR::ClassType()) return;
  auto* header = static_cast<TKitPNGChunkIHDR*>(first);
  if (!header->HasPalette || Value == nullptr) return;
  TKitRGBQuad* table = header->Image().ColorTable();
  const size_t n = std::min<size_t>(Value->Entries.size(), 256);
  for (size_t i = 0; i < n; ++i)
    table[i] = {Value->Entries[i].Blue, Value->Entries[i].Green, Value->Entries[i].Red, 0};
  header->ImagePalette = std::move(Value);
}

void TKitPNGObject::CreateBlank(unsigned ColorType, unsigned BitDepth, unsigned Width, unsigned Height) {
  const bool typeOk = ColorType == 0 || ColorType == 2 || ColorType == 3 || ColorType == 4 || ColorType == 6;
  const bool depthOk = BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
  if (!typeOk || !depthOk || (ColorType == COLOR_PALETTE && BitDepth == 16) ||
      (ColorType == COLOR_RGB && BitDepth < 8))
    RaiseError<EKitPNGInvalidSpec>(KitPNGText::InvalidSpec);
  if (BitDepth == 2) BitDepth = 4;
  ClearChunks();
  BeingCreated = true;
  try {
    fChunkList.Add<TKitPNGChunkIEND>();
    auto* header = fChunkList.Add<TKitPNGChunkIHDR>();
    header->IHDRData.ColorType = static_cast<uint8_t>(ColorType);
    header->IHDRData.BitDepth = static_cast<uint8_t>(BitDepth);
    header->IHDRData.Width = Width;
    header->IHDRData.Height = Height;
    header->AllocateImage();
    if (header->HasPalette) fChunkList.Add<TKitPNGChunkPLTE>()->SetCount(1 << BitDepth);
    fChunkList.Add<TKitPNGChunkIDAT>();
  } catch (...) {
    BeingCreated = false;
    throw;
  }
  BeingCreated = false;
}

void TKitPNGObject::LoadFromStream(TKitStream& Stream) {
  ClearChunks();
  uint8_t signature[8];
  if (Stream.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0)
    RaiseError<EKitPNGInvalidFileHeader>(KitPNGText::InvalidFileHeader);
  bool haveIdat = false;
  for (;;) {
    uint8_t head[8];
    // A chunk needs its length and type.
    if (Stream.Read(head, 8) != 8) RaiseError<EKitPNGUnexpectedEnd>(KitPNGText::UnexpectedEnd);
    const uint32_t length = KitPNGReadBE32(head);
    TKitPNGChunkName name;
    std::memcpy(name.data(), head + 4, 4);
    if (fChunkList.Count() == 0 && std::memcmp(name.data(), "IHDR", 4) != 0) {
      fChunkList.Clear();
      RaiseError<EKitPNGIHDRNotFirst>(KitPNGText::IHDRNotFirst);
    }
    // A length that the file cannot hold is the file's end, not a size to allocate.
    if (length > 0x7FFFFFFFu || length > Stream.Size() - Stream.Position())
      RaiseError<EKitPNGUnexpectedEnd>(KitPNGText::UnexpectedEnd);
    const bool isIdat = std::memcmp(name.data(), "IDAT", 4) == 0;
    if (std::memcmp(name.data(), "cHRM", 4) == 0 || (isIdat && haveIdat)) {
      Stream.Seek(int64_t(length) + 4, TSeekOrigin::soCurrent);
      continue;
    }
    haveIdat = haveIdat || isIdat;
    fChunkList.Append(CreateChunkForType(this, name));
    if (!fChunkList.GetItem(fChunkList.Count() - 1)->LoadFromStream(Stream, name, length)) break;
    if (std::memcmp(name.data(), "IEND", 4) == 0) break;
  }
  if (!haveIdat) RaiseError<EKitPNGNoImageData>(KitPNGText::NoImageData);
  if (fOnChange) fOnChange(this);
}

void TKitPNGObject::SaveToStream(TKitStream& Stream) {
  Stream.WriteBuffer(kSignature, 8);
  for (int i = 0; i < fChunkList.Count(); ++i) fChunkList.GetItem(i)->SaveToStream(Stream);
}

}  // namespace zv

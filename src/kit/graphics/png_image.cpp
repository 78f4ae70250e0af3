#include "kit/graphics/png_image.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "kit/text/helpers.h"
#include "kit/text/resources.h"

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

namespace zv {

namespace {

// Runs F, turning a bitmap that cannot be allocated into the PNG unit's error.
template <class F>
void WithImageMemory(F Body) {
  try {
    Body();
  } catch (const EKitOutOfResources&) {
    TKitPNGObject::RaiseError<EKitPNGOutMemory>(KitPNGText::OutMemory);
  }
}

bool HasAlphaPlane(uint8_t ColorType) { return ColorType == COLOR_GRAYSCALEALPHA || ColorType == COLOR_RGBALPHA; }

// Copies Count pixels from (SX, SY) of Src to (DX, DY) of Dst, bitmaps of one format.
void CopyPixels(const TKitBitmap& Src, int SX, int SY, TKitBitmap& Dst, int DX, int DY, int Count) {
  const int bits = Src.BitsPerPixel();
  if (bits >= 8) {
    const int bytes = bits / 8;
    std::memcpy(Dst.ScanLine(DY) + DX * bytes, Src.ScanLine(SY) + SX * bytes, static_cast<size_t>(Count) * bytes);
    return;
  }
  for (int i = 0; i < Count; ++i) Dst.SetColorIndex(DX + i, DY, Src.ColorIndex(SX + i, SY));
}

}  // namespace

TKitPNGChunkIHDR& TKitPNGObject::BitmapHeader() const {
  TKitPNGChunkIHDR* header = Header();
  if (header->Image().Empty()) RaiseError<EKitPNGHeaderNotPresent>(KitPNGText::HeaderNotPresent);
  return *header;
}

void TKitPNGObject::LoadFromFile(const TKitString& FileName) {
  TKitFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TKitPNGObject::LoadFromResourceName(const TKitString& Name) {
  const std::span<const uint8_t> bytes = KitFindResource(u"RCDATA", Name);
  if (bytes.empty()) RaiseError<EKitPNGCouldNotLoadResource>(KitPNGText::CouldNotLoadResource);
  TKitMemoryStream stream(TKitByteArray(bytes.begin(), bytes.end()));
  LoadFromStream(stream);
}

void TKitPNGObject::LoadFromResourceID(int ResID) { LoadFromResourceName(KitAsciiToString(std::to_string(ResID))); }

void TKitPNGObject::SaveToFile(const TKitString& FileName) {
  TKitFileStream stream(FileName, fmCreate);
  SaveToStream(stream);
}

void TKitPNGObject::Assign(const TKitPNGObject* Source) {
  if (Source == nullptr)
    ClearChunks();
  else if (Source != this)
    CopyFromPNG(*Source);
}

void TKitPNGObject::Assign(const TKitBitmap& Source) {
  AssignHandle(Source, Source.Transparent(), Source.TransparentColor());
}

void TKitPNGObject::CopyFromPNG(const TKitPNGObject& Source) {
  if (&Source == this) return;
  fInterlaceMethod = Source.fInterlaceMethod;
  SetMaxIdatSize(Source.fMaxIdatSize);
  fCompressionLevel = Source.fCompressionLevel;
  fFilters = Source.fFilters;
  ClearChunks();
  // The bitmap holds display values: the copy needs the source's tables to write them back.
  std::memcpy(GammaTable, Source.GammaTable, sizeof GammaTable);
  std::memcpy(InverseGamma, Source.InverseGamma, sizeof InverseGamma);
  for (int i = 0; i < Source.fChunkList.Count(); ++i) {
    const TKitPNGChunk* chunk = Source.fChunkList.GetItem(i);
    // Stored first, so that the header's palette finds its image while it is assigned.
    fChunkList.Append(chunk->ChunkClass()->Create(this));
    fChunkList.GetItem(i)->Assign(*chunk);
  }
}

void TKitPNGObject::AssignTo(TKitBitmap& Dest) const {
  const TKitPNGChunk* first = fChunkList.GetItem(0);
  if (first == nullptr || first->ChunkClass() != TKitPNGChunkIHDR::ClassType() ||
      static_cast<const TKitPNGChunkIHDR*>(first)->Image().Empty())
    throw EConvertError("Cannot assign a TKitPNGObject to a TKitBitmap");
  const TKitPNGChunkIHDR& header = *static_cast<const TKitPNGChunkIHDR*>(first);
  TKitBitmap result = header.Image();
  result.SetTransparent(false);
  result.SetTransparentColor(clDefault);
  const TKitPNGTransparencyMode mode = TransparencyMode();
  if (mode == ptmBit) {
    result.SetTransparent(true);
    result.SetTransparentColor(TransparentColor());
  } else if (mode == ptmPartial && HasAlphaPlane(header.ColorType())) {
    result.SetPixelFormat(pf32bit);
    for (int y = 0; y < result.Height(); ++y) {
      uint8_t* row = result.ScanLine(y);
      const uint8_t* alpha = result.AlphaScanLine(y);
      for (int x = 0; x < result.Width(); ++x) row[4 * x + 3] = alpha[x];
    }
  }
  Dest = std::move(result);
}

void TKitPNGObject::AssignHandle(const TKitBitmap& Bitmap, bool Transparent, TColor TransparentColor) {
  ClearChunks();
  if (Bitmap.Empty()) return;
  try {
    const int bits = Bitmap.BitsPerPixel();
    fChunkList.Append(std::make_unique<TKitPNGChunkIHDR>(this));
    auto* header = static_cast<TKitPNGChunkIHDR*>(fChunkList.GetItem(0));
    header->IHDRData.Width = static_cast<uint32_t>(Bitmap.Width());
    header->IHDRData.Height = static_cast<uint32_t>(Bitmap.Height());
    header->IHDRData.BitDepth = static_cast<uint8_t>(bits < 16 ? bits : 8);
    header->IHDRData.ColorType = bits < 16 ? COLOR_PALETTE : bits == 32 ? COLOR_RGBALPHA : COLOR_RGB;
    header->AllocateImage();
    TKitBitmap& image = header->Image();
    if (bits < 16) {
      std::memcpy(image.Bits(), Bitmap.Bits(), static_cast<size_t>(Bitmap.ImageSize()));
      auto palette = std::make_unique<TKitPalette>();
      for (int i = 0; i < (1 << bits); ++i) {
        const TKitRGBQuad& q = Bitmap.ColorTable()[i];
        palette->Entries.push_back({q.Red, q.Green, q.Blue, 0});
      }
      auto plte = std::make_unique<TKitPNGChunkPLTE>(this);
      plte->SetCount(1 << bits);
      fChunkList.Append(std::move(plte));
      SetPalette(std::move(palette));
    } else if (bits == 24) {
      std::memcpy(image.Bits(), Bitmap.Bits(), static_cast<size_t>(Bitmap.ImageSize()));
    } else {
      for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x) image.SetPixel(x, y, Bitmap.Pixel(x, y));
    }
    if (bits == 32) {
      // A fresh 32-bit bitmap has only zero fourth bytes: that is no alpha, not a clear image.
      bool fourthBytes = false;
      for (int y = 0; y < Bitmap.Height() && !fourthBytes; ++y)
        for (int x = 0; x < Bitmap.Width() && !fourthBytes; ++x) fourthBytes = Bitmap.ScanLine(y)[4 * x + 3] != 0;
      for (int y = 0; y < Bitmap.Height(); ++y) {
        uint8_t* alpha = image.AlphaScanLine(y);
        for (int x = 0; x < Bitmap.Width(); ++x)
          alpha[x] = Bitmap.HasAlpha() ? Bitmap.AlphaScanLine(y)[x] : fourthBytes ? Bitmap.ScanLine(y)[4 * x + 3] : 255;
      }
    }
    // PNG allows no transparent colour beside an alpha channel.
    if (Transparent && bits != 32) fChunkList.Append(std::make_unique<TKitPNGChunktRNS>(this));
    fChunkList.Append(std::make_unique<TKitPNGChunkIDAT>(this));
    fChunkList.Append(std::make_unique<TKitPNGChunkIEND>(this));
    if (Transparent && bits != 32) SetTransparentColor(TransparentColor);
  } catch (const EKitOutOfResources&) {
    ClearChunks();
    RaiseError<EKitPNGOutMemory>(KitPNGText::OutMemory);
  } catch (...) {
    ClearChunks();
    throw;
  }
}

TKitPNGTransparencyMode TKitPNGObject::TransparencyMode() const {
  const TKitPNGChunkIHDR* header = Header();
  const TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>();
  switch (header->ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB: return trns != nullptr ? ptmBit : ptmNone;
    case COLOR_PALETTE:
      if (trns == nullptr) return ptmNone;
      return trns->BitTransparency() ? ptmBit : ptmPartial;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA: return ptmPartial;
    default: return ptmNone;
  }
}

TColor TKitPNGObject::TransparentColor() const {
  const TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>();
  return trns != nullptr ? trns->TransparentColor() : 0;
}

void TKitPNGObject::SetTransparentColor(TColor Value) {
  const TKitPNGChunk* first = fChunkList.GetItem(0);
  if (first == nullptr || first->ChunkClass() != TKitPNGChunkIHDR::ClassType()) return;
  const auto* header = static_cast<const TKitPNGChunkIHDR*>(first);
  if (HasAlphaPlane(header->ColorType()))
    RaiseError<EKitPNGCannotChangeTransparent>(KitPNGText::CannotChangeTransparent);
  TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>();
  if (trns == nullptr) trns = fChunkList.Add<TKitPNGChunktRNS>();
  TColor rgb = KitColorToRGB(Value);
  if (header->ColorType() == COLOR_GRAYSCALE) {
    // A gray image's tRNS holds a sample value: the nearest gray level's.
    const auto level = static_cast<uint8_t>(header->Image().NearestColorIndex(rgb));
    rgb = KitRGB(level, level, level);
  }
  trns->SetTransparentColor(rgb);
}

void TKitPNGObject::RemoveTransparency() {
  TKitPNGChunkIHDR* header = Header();
  switch (header->ColorType()) {
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
      header->SetColorType(header->ColorType() == COLOR_GRAYSCALEALPHA ? COLOR_GRAYSCALE : COLOR_RGB);
      header->Image().FreeAlpha();
      break;
    default:
      if (TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>()) fChunkList.RemoveChunk(trns);
      break;
  }
}

void TKitPNGObject::CreateAlpha() {
  TKitPNGChunkIHDR& header = BitmapHeader();
  const uint8_t type = header.ColorType();
  if (type == COLOR_PALETTE) {
    TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>();
    if (trns == nullptr) trns = fChunkList.Add<TKitPNGChunktRNS>();
    std::memset(trns->PaletteValues, 255, sizeof trns->PaletteValues);
    trns->ResizeData(1u << std::min<int>(header.BitDepth(), 8));
    trns->SetBitTransparency(false);
    return;
  }
  if (type != COLOR_GRAYSCALE && type != COLOR_RGB) return;
  WithImageMemory([&] {
    const TKitBitmap old = header.Image();
    const TKitPNGIHDRData oldData = header.IHDRData;
    std::unique_ptr<TKitPalette> oldPalette =
        header.ImagePalette ? std::make_unique<TKitPalette>(*header.ImagePalette) : nullptr;
    header.IHDRData.ColorType = type == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
    if (header.IHDRData.BitDepth < 8) header.IHDRData.BitDepth = 8;
    try {
      header.AllocateImage();
    } catch (...) {
      header.IHDRData = oldData;
      header.Image() = old;
      header.ImagePalette = std::move(oldPalette);
      throw;
    }
    TKitBitmap& image = header.Image();
    const int oldBits = old.BitsPerPixel();
    for (int y = 0; y < old.Height(); ++y) {
      if (oldBits == image.BitsPerPixel()) {
        std::memcpy(image.ScanLine(y), old.ScanLine(y), static_cast<size_t>(old.BytesPerRow()));
      } else {
        // 1- and 4-bit gray levels spread over 0..255.
        const int top = (1 << oldBits) - 1;
        for (int x = 0; x < old.Width(); ++x) image.ScanLine(y)[x] = static_cast<uint8_t>(old.ColorIndex(x, y) * 255 / top);
      }
    }
    image.AllocateAlpha(255);
  });
}

void TKitPNGObject::AddtEXt(const std::string& Keyword, const std::string& Text) {
  auto* chunk = fChunkList.Add<TKitPNGChunkTEXT>();
  chunk->Keyword = Keyword;
  chunk->Text = Text;
}

void TKitPNGObject::AddzTXt(const std::string& Keyword, const std::string& Text) {
  auto* chunk = fChunkList.Add<TKitPNGChunkzTXT>();
  chunk->Keyword = Keyword;
  chunk->Text = Text;
}

TKitPNGChunkpHYs* TKitPNGObject::PixelInformation() {
  TKitPNGChunkpHYs* chunk = fChunkList.Find<TKitPNGChunkpHYs>();
  if (chunk == nullptr) {
    chunk = fChunkList.Add<TKitPNGChunkpHYs>();
    chunk->UnitType = utMeter;
  }
  return chunk;
}

void TKitPNGObject::Resize(int CX, int CY) {
  if (CX < 1 || CY < 1 || CX > 65535 || CY > 65535) RaiseError<EKitPNGInvalidNewSize>(KitPNGText::InvalidNewSize);
  TKitPNGChunkIHDR& header = BitmapHeader();
  TKitBitmap& image = header.Image();
  const int oldW = image.Width(), oldH = image.Height();
  WithImageMemory([&] { image.SetSize(CX, CY); });
  if (image.HasAlpha())
    for (int y = 0; y < CY; ++y) {
      // New alpha is opaque.
      const int from = y < oldH ? std::min(oldW, CX) : 0;
      std::memset(image.AlphaScanLine(y) + from, 255, static_cast<size_t>(CX - from));
    }
  header.SetWidth(static_cast<uint32_t>(CX));
  header.SetHeight(static_cast<uint32_t>(CY));
}

void TKitPNGObject::Rotate(const TKitPoint& AOldCenter, TKitPoint& ANewCenter, double AAngle) {
  TKitPNGChunkIHDR& header = BitmapHeader();
  if (header.ColorType() != COLOR_RGBALPHA || !std::isfinite(AAngle)) return;
  const TKitBitmap& source = header.Image();
  const int w = source.Width(), h = source.Height();
  const double s = std::sin(AAngle), c = std::cos(AAngle);
  const auto round = [](double V) { return static_cast<int64_t>(std::nearbyint(V)); };
  const int64_t nw = std::llabs(round(h * s)) + std::llabs(round(w * c));
  const int64_t nh = std::llabs(round(w * s)) + std::llabs(round(h * c));
  if (nw < 1 || nh < 1 || nw > 65535 || nh > 65535) RaiseError<EKitPNGInvalidNewSize>(KitPNGText::InvalidNewSize);
  TKitBitmap work;
  WithImageMemory([&] {
    work = TKitBitmap(static_cast<int>(nw), static_cast<int>(nh), pf24bit);
    work.AllocateAlpha(0);  // what no source pixel reaches stays clear
  });
  if (std::fabs(AAngle) * std::max(w, h) > 1) {
    for (int y = 0; y < nh; ++y) {
      uint8_t* row = work.ScanLine(y);
      uint8_t* alpha = work.AlphaScanLine(y);
      const int64_t v = 2 * int64_t(y) - nh + 1;
      for (int x = 0; x < nw; ++x) {
        const int64_t u = 2 * int64_t(x) - nw + 1;
        const int64_t sx = (round(u * c - v * s) + w - 1) / 2, sy = (round(u * s + v * c) + h - 1) / 2;
        if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
        std::memcpy(row + 3 * x, source.ScanLine(static_cast<int>(sy)) + 3 * sx, 3);
        alpha[x] = source.AlphaScanLine(static_cast<int>(sy))[sx];
      }
    }
  } else {
    // Too small a turn to move a pixel: the picture stays, cut or extended.
    for (int y = 0; y < std::min<int64_t>(nh, h); ++y) {
      const int n = static_cast<int>(std::min<int64_t>(nw, w));
      std::memcpy(work.ScanLine(y), source.ScanLine(y), static_cast<size_t>(n) * 3);
      std::memcpy(work.AlphaScanLine(y), source.AlphaScanLine(y), static_cast<size_t>(n));
    }
  }
  const double dx = AOldCenter.X - w / 2, dy = AOldCenter.Y - h / 2;
  const double r = std::sqrt(dx * dx + dy * dy);
  const double ux = r < 1 ? 1 : dx / r, uy = r < 1 ? 0 : dy / r;
  ANewCenter.X = static_cast<int>(round(r * (ux * c - uy * s)) + nw / 2);
  ANewCenter.Y = static_cast<int>(nh / 2 - round(r * (ux * s + uy * c)));
  header.Image() = std::move(work);
  header.SetWidth(static_cast<uint32_t>(nw));
  header.SetHeight(static_cast<uint32_t>(nh));
}

namespace {

bool Inside(const TKitRect& R, int Width, int Height) {
  return R.Left >= 0 && R.Top >= 0 && R.Right <= Width && R.Bottom <= Height;
}

}  // namespace

void TKitPNGObject::CopyRect(const TKitRect& ADest, const TKitPNGObject& APng, const TKitRect& ASource) {
  const TKitPNGChunkIHDR& source = APng.BitmapHeader();
  const TKitPNGChunk* first = fChunkList.GetItem(0);
  TKitPNGChunkIHDR* target = first != nullptr && first->ChunkClass() == TKitPNGChunkIHDR::ClassType()
                                 ? static_cast<TKitPNGChunkIHDR*>(fChunkList.GetItem(0))
                                 : nullptr;
  if (target != nullptr && (target->BitDepth() != source.BitDepth() ||
                            target->Image().BitsPerPixel() != source.Image().BitsPerPixel()))
    RaiseError<EKitPNGDifferentBitDepth>(KitPNGText::DifferentBitDepth);
  const int w = KitRectWidth(ASource), h = KitRectHeight(ASource);
  const TKitRect dest{ADest.Left, ADest.Top, ADest.Left + std::max(w, 0), ADest.Top + std::max(h, 0)};
  if (target == nullptr || w < 0 || h < 0 || !Inside(ASource, APng.Width(), APng.Height()) ||
      !Inside(dest, Width(), Height()))
    RaiseError<EKitPNGInvalidSourceSize>(KitPNGText::InvalidSourceSize);
  // Copying within one image reads from a copy, so that overlapping blocks come out whole.
  const TKitBitmap own = &APng == this ? source.Image() : TKitBitmap();
  const TKitBitmap& from = &APng == this ? own : source.Image();
  TKitBitmap& to = target->Image();
  const bool alpha = from.HasAlpha() && to.HasAlpha();
  for (int r = 0; r < h; ++r) {
    CopyPixels(from, ASource.Left, ASource.Top + r, to, dest.Left, dest.Top + r, w);
    if (alpha)
      std::memcpy(to.AlphaScanLine(dest.Top + r) + dest.Left, from.AlphaScanLine(ASource.Top + r) + ASource.Left,
                  static_cast<size_t>(w));
  }
}

void TKitPNGObject::MaskRect(const TKitRect& ADest, const TKitPNGObject& APng) {
  const TKitPNGChunkIHDR& source = APng.BitmapHeader();
  if (!HasAlphaPlane(source.ColorType())) RaiseError<EKitPNGDifferentBitDepth>(KitPNGText::DifferentBitDepth);
  const int w = APng.Width(), h = APng.Height();
  if (!Inside({ADest.Left, ADest.Top, ADest.Left + w, ADest.Top + h}, Width(), Height()))
    RaiseError<EKitPNGInvalidSourceSize>(KitPNGText::InvalidSourceSize);
  TKitBitmap& to = BitmapHeader().Image();
  if (!to.HasAlpha()) RaiseError<EKitPNGDifferentBitDepth>(KitPNGText::DifferentBitDepth);
  if (&APng == this) return;  // the plane onto itself at (0, 0): nothing moves
  for (int r = 0; r < h; ++r)
    std::memcpy(to.AlphaScanLine(ADest.Top + r) + ADest.Left, source.Image().AlphaScanLine(r), static_cast<size_t>(w));
}

}  // namespace zv

// The PNG picture: the chunk list of a PNG file, its header's bitmap, the gamma tables and
// the settings of the encoder.
#pragma once
#include <cstdint>
#include <memory>

#include "kit/graphics/canvas.h"
#include "kit/graphics/png_image_data.h"
#include "kit/text/component.h"

namespace zv {

enum TKitPNGFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TKitPNGFilters = uint8_t;  // a set of TKitPNGFilter
constexpr TKitPNGFilters KitPNGFilter(TKitPNGFilter Filter) { return static_cast<TKitPNGFilters>(1u << Filter); }
enum TKitPNGInterlaceMethod { imNone, imAdam7 };
enum TKitPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

class TKitPNGObject : public TObject {
 public:
  TKitPNGObject();
  ~TKitPNGObject() override;
  TKitPNGObject(const TKitPNGObject&) = delete;
  TKitPNGObject& operator=(const TKitPNGObject&) = delete;

  // A blank (zero) image: IHDR, [PLTE], IDAT, IEND. Bit depth 2 is taken as 4; colour types
  // other than 0, 2, 3, 4, 6, bit depths other than 1, 2, 4, 8, 16, palette with 16 bits and
  // RGB below 8 raise EKitPNGInvalidSpec.
  void CreateBlank(unsigned ColorType, unsigned BitDepth, unsigned Width, unsigned Height);

  // Reads a PNG file; on an error the chunks read so far stay and the exception passes on.
  void LoadFromStream(TKitStream& Stream);
  void SaveToStream(TKitStream& Stream);
  void LoadFromFile(const TKitString& FileName);
  void SaveToFile(const TKitString& FileName);
  // Loads the program's raw-data resource (type "RCDATA", see kit/text/resources.h) of that
  // name; a numbered resource is the one named by the number's decimal digits. One that is
  // not there raises EKitPNGCouldNotLoadResource; one that is no PNG, the loader's error.
  void LoadFromResourceName(const TKitString& Name);
  void LoadFromResourceID(int ResID);

  // Null empties the image; another image is copied (CopyFromPNG); a bitmap goes through
  // AssignHandle with its own transparency.
  void Assign(const TKitPNGObject* Source);
  void Assign(const TKitBitmap& Source);
  void AssignTo(TKitPNGObject& Dest) const { Dest.CopyFromPNG(*this); }
  // The bitmap becomes a copy of the image's bitmap: transparent with the tRNS colour for
  // bit transparency, 32 bits with the alpha in every fourth byte for gray or RGB + alpha.
  // An image without a header cannot be assigned (EConvertError).
  void AssignTo(TKitBitmap& Dest) const;
  // Builds IHDR, [PLTE], [tRNS], IDAT, IEND from the bitmap: below 16 bits a palette image of
  // the bitmap's depth, 16 and 24 bits RGB, 32 bits RGB + alpha, whose alpha is the bitmap's
  // alpha plane, else its fourth bytes unless they are all 0, else opaque. An empty bitmap
  // gives an empty image. An image with alpha takes no transparent colour.
  void AssignHandle(const TKitBitmap& Bitmap, bool Transparent, TColor TransparentColor);
  // The encoder settings, the gamma tables and a copy of every chunk.
  void CopyFromPNG(const TKitPNGObject& Source);

  TKitPNGList& Chunks() { return fChunkList; }
  const TKitPNGList& Chunks() const { return fChunkList; }
  // The first chunk when it is the header; otherwise raises EKitPNGHeaderNotPresent.
  TKitPNGChunkIHDR* Header() const;
  int Width() const;
  int Height() const;
  // Both resize (Resize), keeping the other dimension.
  void SetWidth(int Value) { Resize(Value, Height()); }
  void SetHeight(int Value) { Resize(Width(), Value); }
  bool Empty() const { return fChunkList.Count() == 0; }
  // A canvas on the image's bitmap, valid while the header chunk lives.
  TKitBitmapCanvas Canvas() { return TKitBitmapCanvas(BitmapHeader().Image()); }
  // Image row Line of the bitmap (row 0 is the top) and of the alpha plane (none without).
  uint8_t* GetScanline(int Line);
  uint8_t* GetAlphaScanline(int Line);

  TKitPalette* Palette() const;
  // Takes the palette; with a colour table its entries become the table's.
  void SetPalette(std::unique_ptr<TKitPalette> Value);

  TKitPNGFilters Filters() const { return fFilters; }
  void SetFilters(TKitPNGFilters Value) { fFilters = Value; }
  int CompressionLevel() const { return fCompressionLevel; }
  void SetCompressionLevel(int Value) { fCompressionLevel = KitClamp(Value, 0, 9); }
  TKitPNGInterlaceMethod InterlaceMethod() const { return fInterlaceMethod; }
  void SetInterlaceMethod(TKitPNGInterlaceMethod Value) { fInterlaceMethod = Value; }
  int MaxIdatSize() const { return fMaxIdatSize; }
  // At least 65535.
  void SetMaxIdatSize(int Value) { fMaxIdatSize = std::max(Value, 65535); }

  // Needs the header (EKitPNGHeaderNotPresent).
  TKitPNGTransparencyMode TransparencyMode() const;
  bool Transparent() const { return TransparencyMode() != ptmNone; }
  // The tRNS colour, 0 without tRNS.
  TColor TransparentColor() const;
  // Adds tRNS when missing (gray images take the nearest gray level); raises
  // EKitPNGCannotChangeTransparent for images with alpha; nothing without a header.
  void SetTransparentColor(TColor Value);
  // Drops tRNS; gray and RGB + alpha lose the alpha plane and become gray and RGB.
  void RemoveTransparency();
  // Gray and RGB gain an opaque alpha plane (gray below 8 bits becomes 8-bit gray, the one
  // depth PNG allows with alpha); palette images get an opaque tRNS entry per colour.
  void CreateAlpha();

  // A tEXt or zTXt chunk before IEND.
  void AddtEXt(const std::string& Keyword, const std::string& Text);
  void AddzTXt(const std::string& Keyword, const std::string& Text);
  bool HasPixelInformation() const { return fChunkList.Find<TKitPNGChunkpHYs>() != nullptr; }
  // The pHYs chunk, added (in metres) when missing.
  TKitPNGChunkpHYs* PixelInformation();

  // Draws the image stretched into Rect: opaque, leaving out the transparent colour, or
  // blended by the alpha values. Nothing for an empty image.
  void Draw(TKitCanvas& Canvas, const TKitRect& Rect) const;
  void DrawAt(TKitCanvas& Canvas, int X, int Y) const { Draw(Canvas, {X, Y, X + Width(), Y + Height()}); }
  // In the size the pHYs chunk gives for a screen of KitScreenPixelsPerInch (natural size
  // without one or with a zero resolution), top-left at Point.
  void DrawUsingPixelInformation(TKitCanvas& Canvas, const TKitPoint& Point) const;

  // 0x00BBGGRR; outside the image reads 0 and writes nothing. Gray and palette samples read
  // their colour-table entry; gray + alpha reads and writes its gray byte (writing takes the
  // red component); RGB reads and writes the colour.
  virtual TColor GetPixels(int X, int Y) const;
  virtual void SetPixels(int X, int Y, TColor Value);

  // New size in 1..65535 each way (else EKitPNGInvalidNewSize): the content is cut or
  // extended at the right and bottom; new alpha is opaque.
  void Resize(int CX, int CY);
  // RGB + alpha only: turns the image by AAngle radians about its centre into a picture
  // large enough to hold it, whose corners that no pixel reaches are transparent; ANewCenter
  // receives where AOldCenter went. Other images are left alone.
  void Rotate(const TKitPoint& AOldCenter, TKitPoint& ANewCenter, double AAngle);
  // Copies ASource of APng to (ADest.Left, ADest.Top) of this image, with the alpha when
  // both have an alpha plane. The bitmaps must have the same depth
  // (EKitPNGDifferentBitDepth) and both rectangles lie inside their images
  // (EKitPNGInvalidSourceSize).
  void CopyRect(const TKitRect& ADest, const TKitPNGObject& APng, const TKitRect& ASource);
  // Copies APng's alpha plane to (ADest.Left, ADest.Top) of this image's. Both need an alpha
  // plane (EKitPNGDifferentBitDepth) and the plane must fit (EKitPNGInvalidSourceSize).
  void MaskRect(const TKitRect& ADest, const TKitPNGObject& APng);

  const TNotifyEvent& OnChange() const { return fOnChange; }
  void SetOnChange(TNotifyEvent Handler) { fOnChange = std::move(Handler); }

  template <class E>
  [[noreturn]] static void RaiseError(const std::string& Text) {
    throw E(Text);
  }

  // Clears the chunk list and resets the gamma tables.
  void ClearChunks();
  void ResetGamma();

  // Set while a blank image is built: the list then takes critical chunks.
  bool BeingCreated = false;
  uint8_t InverseGamma[256];
  uint8_t GammaTable[256];

 private:
  // The header with its bitmap; EKitPNGHeaderNotPresent when either is missing.
  TKitPNGChunkIHDR& BitmapHeader() const;
  void DrawBlended(TKitCanvas& Canvas, const TKitRect& Rect, const TKitPNGChunkIHDR& Header) const;

  TKitPNGFilters fFilters = KitPNGFilter(pfSub);
  int fCompressionLevel = 7;
  int fMaxIdatSize = 65535;
  TKitPNGInterlaceMethod fInterlaceMethod = imNone;
  TKitPNGList fChunkList{this};
  TNotifyEvent fOnChange;
};

}  // namespace zv

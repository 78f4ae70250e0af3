// The PNG picture: the chunk list of a PNG file, its header's bitmap, the gamma tables and
// the settings of the encoder.
#pragma once
#include <cstdint>
#include <memory>

#include "kit/graphics/png_image_data.h"
#include "kit/text/component.h"

namespace zv {

enum TKitPNGFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TKitPNGFilters = uint8_t;  // a set of TKitPNGFilter
constexpr TKitPNGFilters KitPNGFilter(TKitPNGFilter Filter) { return static_cast<TKitPNGFilters>(1u << Filter); }
enum TKitPNGInterlaceMethod { imNone, imAdam7 };

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

  TKitPNGList& Chunks() { return fChunkList; }
  const TKitPNGList& Chunks() const { return fChunkList; }
  // The first chunk when it is the header; otherwise raises EKitPNGHeaderNotPresent.
  TKitPNGChunkIHDR* Header() const;
  int Width() const;
  int Height() const;
  bool Empty() const { return fChunkList.Count() == 0; }
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
  TKitPNGFilters fFilters = KitPNGFilter(pfSub);
  int fCompressionLevel = 7;
  int fMaxIdatSize = 65535;
  TKitPNGInterlaceMethod fInterlaceMethod = imNone;
  TKitPNGList fChunkList{this};
  TNotifyEvent fOnChange;
};

}  // namespace zv

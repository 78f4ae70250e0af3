// Arbitrary files through the PNG reader: every chunk, header check and row of image data
// must end in a picture or a PNG (or stream) error, never a crash, a hang or a huge
// allocation. A picture that loads is written again through the encoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kit/graphics/png_image.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKitPNGObject png;
  try {
    TKitMemoryStream in(std::vector<uint8_t>(data, data + size));
    png.LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  // Encoding a large picture only measures deflate; small ones cover the row builders.
  if (static_cast<int64_t>(png.Width()) * png.Height() > (1 << 18)) return 0;
  try {
    png.SetFilters(31);
    TKitMemoryStream out;
    png.SaveToStream(out);
    TKitPNGObject again;
    out.SetPosition(0);
    again.LoadFromStream(out);
  } catch (const Exception&) {
  }
  return 0;
}

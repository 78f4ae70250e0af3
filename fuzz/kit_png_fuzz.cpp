// Arbitrary files through the PNG reader: every chunk, header check and row of image data
// must end in a picture or a PNG (or stream) error, never a crash, a hang or a huge
// allocation. A picture that loads is written again through the encoder, and whatever was
// read (a partial chunk list too) is drawn, read pixel by pixel and edited.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kit/graphics/png_image.h"

using namespace zv;

namespace {

void DrawAndEdit(TKitPNGObject& Png) {
  TKitBitmap target(23, 17, pf24bit);
  TKitBitmapCanvas canvas(target);
  Png.Draw(canvas, {-3, 2, 30, 11});
  Png.DrawUsingPixelInformation(canvas, {1, 1});
  for (int i = -1; i < 5; ++i) Png.SetPixels(i, i, Png.GetPixels(i + 1, i) ^ 0x102030);
  if (Png.Empty() || static_cast<int64_t>(Png.Width()) * Png.Height() > (1 << 16)) return;
  try {
    TKitBitmap copy;
    Png.AssignTo(copy);
    TKitPNGObject back;
    back.Assign(copy);
    Png.CreateAlpha();
    TKitPoint center;
    Png.Rotate({1, 2}, center, 0.7);
    Png.Resize(Png.Width() / 2 + 1, Png.Height() + 3);
    Png.Draw(canvas, {0, 0, 23, 17});
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKitPNGObject png;
  try {
    TKitMemoryStream in(std::vector<uint8_t>(data, data + size));
    png.LoadFromStream(in);
  } catch (const Exception&) {
    DrawAndEdit(png);
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
  DrawAndEdit(png);
  return 0;
}

// Arbitrary files through the PNG reader: every chunk, header check and row of image data
// must end in a picture or a PNG (or stream) error, never a crash, a hang or a huge
// allocation. A picture that loads is written again through the encoder and must read back
// with the same pixels; whatever was read (a partial chunk list too) is drawn, read pixel
// by pixel and edited.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kit/graphics/png_image.h"

using namespace zv;

namespace {

// Pictures larger than this are only read and drawn: rotating, resizing and encoding them
// measure the same row code again at the cost of allocation and time.
constexpr int64_t kEditPixels = 1 << 12;
constexpr int64_t kEncodePixels = 1 << 16;

int64_t Pixels(const TKitPNGObject& Png) {
  return Png.Empty() ? 0 : static_cast<int64_t>(Png.Width()) * Png.Height();
}

void DrawAndEdit(TKitPNGObject& Png) {
  TKitBitmap target(23, 17, pf24bit);
  TKitBitmapCanvas canvas(target);
  Png.Draw(canvas, {-3, 2, 30, 11});
  Png.DrawUsingPixelInformation(canvas, {1, 1});
  for (int i = -1; i < 5; ++i) Png.SetPixels(i, i, Png.GetPixels(i + 1, i) ^ 0x102030);
  if (Png.Empty() || Pixels(Png) > kEditPixels) return;
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

// Writes the picture and reads it back: our decoder must take what our encoder wrote, and
// the pixels must come back (a sample of rows for the larger pictures).
void SaveAndReload(TKitPNGObject& Png) {
  TKitMemoryStream out;
  try {
    Png.SetFilters(31);
    Png.SaveToStream(out);
  } catch (const Exception&) {
    return;  // a picture the encoder declines
  }
  TKitPNGObject again;
  out.SetPosition(0);
  try {
    again.LoadFromStream(out);
  } catch (const Exception&) {
    __builtin_trap();  // a file of our own refused
  }
  if (again.Width() != Png.Width() || again.Height() != Png.Height()) __builtin_trap();
  const int step = std::max(1, static_cast<int>(Pixels(Png) / 4096));
  for (int y = 0; y < Png.Height(); y += step)
    for (int x = 0; x < Png.Width(); ++x)
      if (again.GetPixels(x, y) != Png.GetPixels(x, y)) __builtin_trap();
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
  if (Pixels(png) <= kEncodePixels) SaveAndReload(png);
  DrawAndEdit(png);
  return 0;
}

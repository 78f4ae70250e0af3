// Arbitrary files through the PNG reader: every chunk, header check and row of image data
// must end in a picture or a PNG (or stream) error, never a crash, a hang or a huge
// allocation. A picture that loads is written again through the encoder and must read back
// (with the same pixels when it has no gamma); whatever was read (a partial chunk list too)
// is read pixel by pixel, and drawn and edited up to a size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kit/graphics/png_image.h"

using namespace zv;

namespace {

// Pictures larger than these are not edited, not encoded or not drawn: that measures the
// same row code again at the cost of allocation and time.
constexpr int64_t kEditPixels = 1 << 12;
constexpr int64_t kEncodePixels = 1 << 16;
constexpr int64_t kDrawPixels = 1 << 16;
constexpr int64_t kLoadPixels = 1 << 22;

int64_t Pixels(const TKitPNGObject& Png) {
  return Png.Empty() ? 0 : static_cast<int64_t>(Png.Width()) * Png.Height();
}

void DrawAndEdit(TKitPNGObject& Png) {
  for (int i = -1; i < 5; ++i) Png.SetPixels(i, i, Png.GetPixels(i + 1, i) ^ 0x102030);
  // Drawing visits every pixel of the picture, whatever the size of the target.
  if (Pixels(Png) > kDrawPixels) return;
  TKitBitmap target(23, 17, pf24bit);
  TKitBitmapCanvas canvas(target);
  Png.Draw(canvas, {-3, 2, 30, 11});
  Png.DrawUsingPixelInformation(canvas, {1, 1});
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
// the pixels of a picture without gamma must come back (a sample of rows for the larger
// pictures).
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
  // A gAMA chunk maps the samples through a table that need not be one-to-one (and its
  // inverse on the way out), so only a picture without gamma must come back exactly.
  for (int i = 0; i < 256; ++i)
    if (Png.GammaTable[i] != i) return;
  const int step = std::max(1, static_cast<int>(Pixels(Png) / 4096));
  for (int y = 0; y < Png.Height(); y += step)
    for (int x = 0; x < Png.Width(); ++x)
      if (again.GetPixels(x, y) != Png.GetPixels(x, y)) __builtin_trap();
}

// The header's size when a file starts with a header of a size the reader takes (up to
// 65535 in each direction), or 0.
int64_t HeaderPixels(const uint8_t* data, size_t size) {
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return 0;
  if (data[16] != 0 || data[17] != 0 || data[20] != 0 || data[21] != 0) return 0;
  return int64_t{data[18] << 8 | data[19]} * int64_t{data[22] << 8 | data[23]};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A header may ask for up to 65535 x 65535 pixels: the picture is allocated when the
  // header is read, and a gigabyte of it costs the loop seconds while taking no path a
  // small one does not. Sizes past 65535 still go through, to be refused.
  if (HeaderPixels(data, size) > kLoadPixels) return 0;
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

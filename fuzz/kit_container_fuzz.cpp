// Arbitrary bytes through the resource readers: the first byte picks the reader (wave,
// string, bitmap or image container stream with or without offset table, a wave in its
// three stream forms, a BMP image), the rest is its input. Every read must end in the items
// or in an error, never a crash, a hang or a huge allocation. What loads is written again
// and must read back and write the same bytes; image lists are drawn too.
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "kit/graphics/image_lists.h"
#include "kit/graphics/resource_stream.h"
#include "kit/graphics/wave_lists.h"

using namespace zv;

namespace {

// Writes the container and reads it into a fresh one: what was read must survive, and
// writing the copy gives the same bytes again.
template <class TList>
void RoundTrip(TList& List, bool WithIndex) {
  TKitMemoryStream out;
  List.SaveToStreamEx(out, WithIndex);
  out.SetPosition(0);
  TList again;
  try {
    again.LoadFromStreamEx(out, WithIndex);
  } catch (const Exception&) {
    __builtin_trap();
  }
  if (again.Count() != List.Count() || out.Position() != out.Size()) __builtin_trap();
  TKitMemoryStream second;
  again.SaveToStreamEx(second, WithIndex);
  if (second.Data() != out.Data()) __builtin_trap();
}

void DrawImages(TKitCustomImageList& List) {
  TKitBitmap target(24, 20, pf24bit);
  TKitBitmapCanvas canvas(target);
  for (int i = 0; i < List.Count() && i < 4; ++i)
    for (int item = -1; item < 3; ++item) {
      List.Draw(canvas, 1, 2, i, item);
      TKitRect result;
      List.DrawExt(canvas, {0, 0, 20, 18}, result, i, item, KitDrawTransparent);
      List.ClipDraw(canvas, {2, 2, 12, 12}, i, item, clWhite, 0, KitDrawClip);
      TKitBitmap copy;
      if (List.IsValidItem(i, item)) List.GetBitmapItem(i, item, &copy);
      List.GetColorAtPoint({1, 1}, i, item);
      List.TransparentColor(i, item);
    }
}

template <class TList>
void ReadContainer(TKitMemoryStream& In, bool WithIndex) {
  TList list;
  try {
    list.LoadFromStreamEx(In, WithIndex);
  } catch (const Exception&) {
    return;
  }
  if constexpr (std::is_base_of_v<TKitCustomImageList, TList>) DrawImages(list);
  RoundTrip(list, WithIndex);
}

void ReadWave(TKitMemoryStream& In, int Form) {
  TKitWave wave;
  try {
    if (Form == 0) wave.LoadFromStream(In);
    if (Form == 1) wave.LoadFromStreamEx(In);
    if (Form == 2) wave.LoadCompressedFromStream(In);
  } catch (const Exception&) {
    return;
  }
  wave.Info();
  TKitMemoryStream out;
  wave.SaveCompressedToStream(out);
  out.SetPosition(0);
  TKitWave again;
  again.LoadCompressedFromStream(out);
  if (again.Size() != wave.Size()) __builtin_trap();
  TKitMemoryStream second;
  again.SaveCompressedToStream(second);
  if (second.Data() != out.Data()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TKitMemoryStream in(std::vector<uint8_t>(data + 1, data + size));
  const int pick = data[0] % 12;
  const bool withIndex = pick & 1;
  switch (pick / 2) {
    case 0: ReadContainer<TKitWaveList>(in, withIndex); break;
    case 1: ReadContainer<TKitStringListContainer>(in, withIndex); break;
    case 2: ReadContainer<TKitBitmapList>(in, withIndex); break;
    case 3: ReadContainer<TKitImageList>(in, withIndex); break;
    case 4: ReadWave(in, data[0] / 12 % 3); break;
    default: {
      TKitBitmap bitmap;
      try {
        KitLoadBitmapFromStream(in, bitmap);
      } catch (const Exception&) {
      }
      break;
    }
  }
  return 0;
}

// Containers: the item header, the stream and file layout, detection and entry reading, the
// wave and string lists, and hostile container data.
#include <gtest/gtest.h>

#include "kit/graphics/image_lists.h"
#include "kit/graphics/resource_stream.h"
#include "kit/graphics/wave_lists.h"
#include "kit/graphics/resource_samples.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::LE32At;
using test::PcmWave;

void AddWave(TKitWaveList& List, const std::vector<uint8_t>& Image, const TKitString& Description, uint16_t Ident,
             bool Compressed) {
  TKitWaveListItem* item = List.Items(List.Add());
  if (!Image.empty()) {
    TKitMemoryStream in(Image);
    item->Wave().LoadFromStream(in);
  }
  item->SetDescription(Description);
  item->SetIdent(Ident);
  item->SetCompressed(Compressed);
}

TEST(ContainerTest, ItemHeaderFlagsAndDescriptionLimit) {
  TKitStringListItem item;
  EXPECT_EQ(item.GetFlags(), 0);
  item.SetCompressed(true);
  item.SetDescription(u"x");
  item.SetIdent(5);
  item.SetItems({u"line"});
  EXPECT_EQ(item.GetFlags(), 0x0F);

  // A description past 255 characters, or with characters outside 8 bits, is written cut
  // to 255 bytes and the stream stays readable.
  TKitStringListContainer list;
  const TKitString longText = TKitString(300, u'd');
  const TKitString wide = TKitString(u"\u4E2D") + TKitString(299, u'w');
  for (const TKitString& text : {longText, wide}) {
    list.Items(list.Add())->SetDescription(text);
    list.Items(list.Count() - 1)->SetItems({u"after"});
  }
  TKitMemoryStream s;
  list.SaveToStream(s);
  s.SetPosition(0);
  TKitStringListContainer back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Items(0)->Description(), longText.substr(0, 255));
  EXPECT_EQ(back.Items(1)->Description(), u"?" + wide.substr(1, 254));
  EXPECT_EQ(back.Items(1)->Items(), (TKitStringList{u"after"}));
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(ContainerTest, FileLayoutSignatureCountOffsets) {
  test::TTempFile file("layout.wvl");
  TKitWaveList list;
  list.SaveToFile(file.Name());
  std::vector<uint8_t> bytes = file.Read();
  EXPECT_EQ(bytes, test::Bytes(std::string("\x08KitWVL30\0\0\0\0", 13)));

  AddWave(list, PcmWave(1, 8000, 8, 5), u"one", 0, false);
  AddWave(list, PcmWave(2, 8000, 8, 5), u"", 9, true);
  list.SaveToFile(file.Name());
  bytes = file.Read();
  EXPECT_EQ(LE32At(bytes, 9), 2u);
  EXPECT_EQ(LE32At(bytes, 13), 21u);  // the first item follows the two-entry table
  EXPECT_EQ(bytes[21], KitItemDescription | KitItemContent);
  EXPECT_EQ(bytes[LE32At(bytes, 17)], KitItemCompressed | KitItemIdent | KitItemContent);

  int count;
  std::vector<int32_t> offsets;
  EXPECT_EQ(DetectContainerFile(file.Name(), count, &offsets), icWave);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(offsets, (std::vector<int32_t>{21, static_cast<int32_t>(LE32At(bytes, 17))}));
  TKitWaveListItem entry;
  EXPECT_TRUE(LoadContainerEntry(file.Name(), icWave, nullptr, entry, 1));
  EXPECT_EQ(entry.Ident(), 9);
  EXPECT_EQ(entry.Wave().ChannelMode(), cmStereo);
  EXPECT_THROW(LoadContainerEntry(file.Name(), icWave, nullptr, entry, 2), EListError);

  const std::string message = "Cannot open file " + file.Path();
  EXPECT_EQ(test::ErrorOf([&] { LoadContainerEntry(file.Name(), icBitmap, nullptr, entry, 0); }), message);
  TKitBitmapList bitmaps;
  EXPECT_EQ(test::ErrorOf([&] { bitmaps.LoadFromFile(file.Name()); }), message);
}

TEST(ContainerTest, DetectionAndExtensions) {
  test::TTempFile file("detect");
  struct TCase {
    std::vector<uint8_t> Head;
    TKitListItemClassType Kind;
  };
  auto head = [](const char* Text) { return test::Bytes("\x08" + std::string(Text) + std::string("\x03\0\0\0", 4)); };
  for (const TCase& c : {TCase{head("KitIML30"), icImageList}, TCase{head("KitBML30"), icBitmap},
                         TCase{head("KitSLL30"), icStringList}, TCase{head("KitGLL50"), icGeneric},
                         TCase{head("KitXXX30"), icInvalid}, TCase{{8, 'K'}, icInvalid}}) {
    file.Write(c.Head);
    int count = -1;
    EXPECT_EQ(DetectContainerFile(file.Name(), count, nullptr), c.Kind);
    EXPECT_EQ(count, c.Head.size() == 13 ? 3 : 0);
  }
  // A known kind whose offset table is missing is a read error, not a guess.
  std::vector<int32_t> offsets;
  file.Write(head("KitWVL30"));
  int count;
  EXPECT_THROW(DetectContainerFile(file.Name(), count, &offsets), EReadError);

  EXPECT_EQ(ItemFileExtension(icWave, true), u".wav");
  EXPECT_EQ(ItemFileExtension(icImageListItem, false), u"bmp");
  EXPECT_EQ(ItemFileExtension(icGeneric, true), u".*");
  EXPECT_EQ(ItemFileExtension(icInvalid, true), u"");
}

TEST(ContainerTest, WaveAndStringContainersRoundTrip) {
  test::TTempFile file("round.wvl");
  TKitWaveList waves;
  AddWave(waves, PcmWave(1, 8000, 16, 40), u"Alarm", 3, false);
  AddWave(waves, {}, u"silent", 0, false);  // no sound: the empty form is written
  AddWave(waves, {}, u"", 0, true);
  AddWave(waves, PcmWave(2, 22050, 8, 700), u"Chime", 0, true);
  waves.SaveToFile(file.Name());
  TKitWaveList back;
  AddWave(back, PcmWave(1, 8000, 8, 1), u"stale", 1, false);
  back.LoadFromFile(file.Name());
  ASSERT_EQ(back.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(back.Items(i)->Description(), waves.Items(i)->Description());
    EXPECT_EQ(back.Items(i)->Ident(), waves.Items(i)->Ident());
    EXPECT_EQ(back.Items(i)->Compressed(), waves.Items(i)->Compressed());
    EXPECT_EQ(back.Items(i)->Wave().Size(), waves.Items(i)->Wave().Size());
  }
  EXPECT_EQ(back.Items(3)->Wave().MemoryWave()->Data(), waves.Items(3)->Wave().MemoryWave()->Data());
  EXPECT_EQ(back.ItemByName(u"Chime"), back.Items(3));
  EXPECT_EQ(back.ItemByName(u"chime"), nullptr);

  TKitStringListContainer strings;
  for (bool compressed : {false, true, false}) {
    TKitStringListItem* item = strings.Items(strings.Add());
    item->SetCompressed(compressed);
    if (strings.Count() != 3) item->SetItems({u"a", KitAsciiToString(std::to_string(strings.Count()))});
  }
  TKitMemoryStream s;
  strings.SaveToStreamEx(s, true);
  s.SetPosition(0);
  TKitStringListContainer sback;
  sback.LoadFromStreamEx(s, true);
  ASSERT_EQ(sback.Count(), 3);
  EXPECT_EQ(sback.Items(1)->Items(), (TKitStringList{u"a", u"2"}));
  EXPECT_TRUE(sback.Items(2)->Empty());
}

TEST(ContainerTest, ItemsWithoutContent) {
  // A wave item without sound writes its header and the four-byte empty form; reading it
  // frees the wave and leaves the stream at the next item.
  TKitWaveListItem silent;
  TKitMemoryStream s;
  silent.SaveToStream(s);
  EXPECT_EQ(s.Data(), (std::vector<uint8_t>{0, 0, 0, 0, 0}));
  TKitWaveListItem loud;
  TKitMemoryStream in(PcmWave(1, 8000, 8, 2));
  loud.Wave().LoadFromStream(in);
  s.SetPosition(0);
  loud.LoadFromStream(s);
  EXPECT_TRUE(loud.Empty());
  EXPECT_EQ(s.Position(), 5);

  // A string item without lines writes the header alone, and reading such a header clears.
  TKitStringListItem none, some;
  TKitMemoryStream t;
  none.SaveToStream(t);
  EXPECT_EQ(t.Size(), 1);
  some.SetItems({u"x"});
  t.SetPosition(0);
  some.LoadFromStream(t);
  EXPECT_TRUE(some.Items().empty());
}

TEST(ContainerTest, StructureChangesSourceAndAssign) {
  TKitStringListContainer list;
  int changes = 0;
  TObject* sender = nullptr;
  list.SetOnChange([&](TObject* S) {
    ++changes;
    sender = S;
  });
  list.Add();
  list.Insert(0);
  list.Items(1)->SetItems({u"b"});
  list.Items(0)->SetDescription(u"first");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(list.Items(1)->ListIndex(), 1);
  list.Items(1)->Change();  // an item's change reaches the container's handler
  EXPECT_EQ(sender, list.Items(1));
  list.Move(0, 1);
  EXPECT_EQ(list.Items(1)->Description(), u"first");
  EXPECT_THROW(list.Delete(2), EListError);
  EXPECT_EQ(test::ErrorOf([&] { list.Items(-1); }), "List index out of bounds (-1)");

  // A new source frees every item's data, unless the container is being loaded.
  list.SetLoading(true);
  list.SetSource(sdFile);
  list.SetLoading(false);
  EXPECT_FALSE(list.Items(0)->Empty());
  list.SetSource(sdPath);
  EXPECT_TRUE(list.Items(0)->Empty());

  TKitStringListContainer other;
  other.SetDefaultCompressed(true);
  other.Items(other.Add())->SetItems({u"o"});
  changes = 0;
  list.Assign(&other);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.DefaultCompressed());
  EXPECT_NE(list.Items(0), other.Items(0));
  list.AddList(list);  // its own items, once
  EXPECT_EQ(list.Count(), 2);
  TKitWaveList waves;
  EXPECT_THROW(list.Assign(&waves), EConvertError);
  TKitStringListItem lines;
  EXPECT_EQ(lines.ListIndex(), -1);
  EXPECT_THROW(TKitWaveListItem().Assign(&lines), EConvertError);
}

TEST(ContainerTest, HostileStreamsRaiseReadErrors) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
  };
  const std::vector<TCase> cases = {
      {"negative count", {0xFF, 0xFF, 0xFF, 0xFF}},
      {"count beyond data", {0xFF, 0xFF, 0xFF, 0x7F, 0}},
      {"item cut short", {1, 0, 0, 0, KitItemDescription, 9, 'a'}},
      {"blob beyond data", {1, 0, 0, 0, KitItemContent, 0xFF, 0xFF, 0xFF, 0x7F}},
      {"compressed total beyond data", {1, 0, 0, 0, KitItemContent | KitItemCompressed, 0x10, 0, 0, 0, 8, 0, 0, 0}},
  };
  for (const TCase& c : cases) {
    TKitStringListContainer list;
    TKitMemoryStream s(c.Bytes);
    EXPECT_THROW(list.LoadFromStream(s), EReadError) << c.Name;
    TKitWaveList waves;
    s.SetPosition(0);
    EXPECT_THROW(waves.LoadFromStream(s), Exception) << c.Name;
  }
}

}  // namespace
}  // namespace zv

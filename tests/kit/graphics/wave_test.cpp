// The wave sound object: header facts, the three stream forms, what loading accepts and
// refuses, and playing through the sound output.
#include <gtest/gtest.h>

#include "kit/graphics/resource_stream.h"
#include "kit/graphics/wave.h"
#include "kit/graphics/resource_samples.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::PcmWave;

int ChangesDuring(TKitWave& Wave, const std::function<void()>& Action) {
  int changes = 0;
  Wave.SetOnChange([&](TObject*) { ++changes; });
  Action();
  Wave.SetOnChange(nullptr);
  return changes;
}

TEST(WaveTest, CanonicalPcmHeaderGivesItsFacts) {
  struct TCase {
    int Channels, Rate, Bits;
    TKitChannelMode Mode;
  };
  for (const TCase& c : {TCase{1, 8000, 16, cmMono}, TCase{2, 44100, 8, cmStereo}, TCase{3, 22050, 16, cmUnknown}}) {
    TKitWave wave;
    TKitMemoryStream in(PcmWave(c.Channels, c.Rate, c.Bits, 0));
    wave.LoadFromStream(in);
    EXPECT_EQ(wave.Size(), 44);
    EXPECT_EQ(wave.Format(), wfPCM);
    EXPECT_EQ(wave.ChannelMode(), c.Mode);
    EXPECT_EQ(wave.SampleRate(), c.Rate);
    EXPECT_EQ(wave.Bits(), c.Bits);
    EXPECT_EQ(wave.Info().Size, 36);
  }
  TKitWave empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.SampleRate(), 0);
  EXPECT_EQ(empty.Format(), wfUnknown);
}

TEST(WaveTest, ThreeStreamFormsRoundTrip) {
  const std::vector<uint8_t> image = PcmWave(1, 8000, 16, 300);
  TKitWave wave;
  TKitMemoryStream in(image);
  wave.LoadFromStream(in);

  TKitMemoryStream plain, extended, compressed;
  wave.SaveToStream(plain);
  wave.SaveToStreamEx(extended);
  wave.SaveCompressedToStream(compressed);
  EXPECT_EQ(plain.Data(), image);
  EXPECT_EQ(test::LE32At(extended.Data(), 0), image.size());
  EXPECT_EQ(std::vector<uint8_t>(extended.Data().begin() + 4, extended.Data().end()), image);

  for (TKitMemoryStream* s : {&plain, &extended, &compressed}) s->SetPosition(0);
  TKitWave a, b, c;
  a.LoadFromStream(plain);
  b.LoadFromStreamEx(extended);
  c.LoadCompressedFromStream(compressed);
  for (TKitWave* w : {&a, &b, &c}) EXPECT_EQ(w->MemoryWave()->Data(), image);
  EXPECT_EQ(compressed.Position(), compressed.Size());
}

TEST(WaveTest, EmptyFormsAndZeroLengthFile) {
  TKitWave empty;
  TKitMemoryStream out;
  empty.SaveToStreamEx(out);
  EXPECT_EQ(out.Data(), std::vector<uint8_t>(4, 0));

  TKitWave wave;
  TKitMemoryStream in(PcmWave(1, 8000, 8, 10));
  wave.LoadFromStream(in);
  out.SetPosition(0);
  EXPECT_EQ(ChangesDuring(wave, [&] { wave.LoadFromStreamEx(out); }), 0);
  EXPECT_EQ(wave.Size(), 54);  // four zero bytes are no sound: the wave stays

  test::TTempFile file("empty.wav");
  file.Write({});
  EXPECT_EQ(ChangesDuring(wave, [&] { wave.LoadFromFile(file.Name()); }), 1);
  EXPECT_TRUE(wave.Empty());
  EXPECT_EQ(wave.MemoryWave(), nullptr);
}

TEST(WaveTest, NonWaveDataRaisesAndKeepsTheSound) {
  TKitWave wave;
  TKitMemoryStream good(PcmWave(2, 11025, 8, 4));
  wave.LoadFromStream(good);

  std::vector<uint8_t> otherChunkFirst = PcmWave(1, 8000, 8, 0);
  test::SetLE32(otherChunkFirst, 12, 0x5453494C);  // "LIST": "fmt " does not follow "WAVE"
  std::vector<uint8_t> notWave = PcmWave(1, 8000, 8, 0);
  test::SetLE32(notWave, 8, 0x20495641);  // "AVI "
  for (const std::vector<uint8_t>& bytes :
       {test::Bytes("Text file"), otherChunkFirst, notWave}) {
    TKitMemoryStream in(bytes);
    EXPECT_THROW(wave.LoadFromStream(in), EKitInvalidWave);
    EXPECT_EQ(in.Position(), static_cast<int64_t>(bytes.size()));  // the data is consumed
    EXPECT_EQ(wave.SampleRate(), 11025);
  }

  TKitMemoryStream shortHeader(test::Bytes(std::string("RIFF\x01\0\0\0WA", 10)));
  EXPECT_EQ(test::ErrorOf([&] { wave.LoadFromStream(shortHeader); }), "GetWaveData: Cannot open file %s");
  EXPECT_EQ(wave.SampleRate(), 11025);

  // A length beyond the data is refused before anything is allocated for it.
  TKitMemoryStream hostile(test::Bytes("\xF0\xFF\xFF\x7FRIFF"));
  EXPECT_THROW(wave.LoadFromStreamEx(hostile), EReadError);
}

TEST(WaveTest, AssignCopiesAndNilFrees) {
  TKitWave source, target;
  TKitMemoryStream in(PcmWave(1, 8000, 8, 3));
  source.LoadFromStream(in);
  EXPECT_EQ(ChangesDuring(target, [&] { target.Assign(&source); }), 1);
  EXPECT_EQ(target.MemoryWave()->Data(), source.MemoryWave()->Data());
  EXPECT_NE(target.MemoryWave(), source.MemoryWave());
  EXPECT_EQ(ChangesDuring(target, [&] { target.Assign(nullptr); }), 1);
  EXPECT_TRUE(target.Empty());
  TKitColorObject color;
  EXPECT_THROW(target.Assign(&color), EConvertError);
}

struct TFakeSound : IKitSoundOutput {
  int Devices = 1;
  bool Result = true;
  std::vector<unsigned> Flags;
  int Stops = 0;
  int DeviceCount() override { return Devices; }
  bool PlaySound(const uint8_t*, int64_t, unsigned F) override {
    Flags.push_back(F);
    return Result;
  }
  void Stop() override { ++Stops; }
};

TEST(WaveTest, PlayingGoesToTheSoundOutput) {
  TKitWave wave;
  EXPECT_FALSE(wave.Play());
  TKitMemoryStream in(PcmWave(1, 8000, 8, 3));
  wave.LoadFromStream(in);
  EXPECT_FALSE(wave.Play());  // the default output has no device
  EXPECT_FALSE(wave.PlaySound(sdSync));

  TFakeSound sound;
  KitSetSoundOutput(&sound);
  EXPECT_TRUE(wave.Play());
  EXPECT_TRUE(wave.PlaySound(sdSync));
  EXPECT_TRUE(wave.PlaySound(sdAsync));
  EXPECT_TRUE(wave.PlaySound(sdLoop));
  EXPECT_EQ(sound.Flags, (std::vector<unsigned>{7, 6, 7, 15}));
  sound.Result = false;
  EXPECT_FALSE(wave.PlaySound(sdSync));
  EXPECT_THROW(wave.Play(), EOSError);
  wave.FreeWave();
  EXPECT_EQ(sound.Stops, 1);
  sound.Devices = 0;
  KitSetSoundOutput(nullptr);
}

}  // namespace
}  // namespace zv

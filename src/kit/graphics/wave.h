// One sound in RIFF wave format held as its file image in memory: loading and saving in
// three stream forms (plain, with a 4-byte length, compressed), the facts of its format
// header, and playing through the sound output, whose default has no device.
//
// Non-wave data: bytes that are not a wave raise EKitInvalidWave and leave the previous
// sound in place; the stream has still moved past them, so a container reading several
// items stays in step. A count of zero (the form an empty wave writes) is no sound, not an
// error, and changes nothing.
#pragma once
#include <cstdint>
#include <memory>

#include "kit/graphics/settings.h"
#include "kit/text/stream.h"

namespace zv {

ZV_ERROR_CLASS(EKitInvalidWave, Exception)
ZV_ERROR_CLASS(EKitErrorCheckingWave, Exception)
// The sound player refused a sound.
ZV_ERROR_CLASS(EOSError, Exception)

enum TKitSndPlayMode { sdSync, sdAsync, sdLoop };
enum TKitWaveFormat : uint8_t { wfUnknown, wfPCM };
enum TKitChannelMode : uint8_t { cmUnknown, cmMono, cmStereo };

struct TKitWaveInfo {
  int32_t Size = 0;  // the RIFF chunk size of the header
  int32_t SampleRate = 0;
  TKitChannelMode Channels = cmUnknown;
  TKitWaveFormat Format = wfUnknown;
  uint16_t BitsCount = 0;
};

// The player's flags.
constexpr unsigned KitSndAsync = 0x0001;
constexpr unsigned KitSndNoDefault = 0x0002;
constexpr unsigned KitSndMemory = 0x0004;
constexpr unsigned KitSndLoop = 0x0008;

// Where sounds go. The program plays none, so the default output reports no device.
class IKitSoundOutput {
 public:
  virtual ~IKitSoundOutput() = default;
  virtual int DeviceCount() = 0;
  // Plays a wave file image; false when the player fails.
  virtual bool PlaySound(const uint8_t* Data, int64_t Size, unsigned Flags) = 0;
  virtual void Stop() = 0;
};
IKitSoundOutput& KitSoundOutput();
// Not owned; null brings back the default.
void KitSetSoundOutput(IKitSoundOutput* Output);

// Reads the header of the wave image from the stream's start: "RIFF", size, "WAVE" and the
// "fmt " chunk, which must come first. False for a null or empty stream and for other
// data; a header cut short raises EKitErrorCheckingWave. The position ends at 0.
bool KitGetWaveInfo(TKitStream* Stream, TKitWaveInfo& Info);

class TKitCustomWave : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  bool PlaySound(TKitSndPlayMode Value) { return PlaySoundExt(Value); }
  virtual bool PlaySoundExt(TKitSndPlayMode Value) = 0;
};

class TKitWave : public TKitCustomWave {
 public:
  explicit TKitWave(TObject* Owner = nullptr) : TKitCustomWave(Owner) {}
  static std::unique_ptr<TKitWave> CreateFromFile(const TKitString& FileName);
  const char* ClassName() const override { return "TKitWave"; }

  // The file image, null when there is no sound.
  const TKitMemoryStream* MemoryWave() const { return FMemoryWave.get(); }
  bool Empty() const { return !FMemoryWave || FMemoryWave->Size() == 0; }
  int64_t Size() const { return Empty() ? 0 : FMemoryWave->Size(); }
  // The parsed header; all zero when empty.
  TKitWaveInfo Info() const;
  uint16_t Bits() const { return Info().BitsCount; }
  TKitChannelMode ChannelMode() const { return Info().Channels; }
  TKitWaveFormat Format() const { return Info().Format; }
  int32_t SampleRate() const { return Info().SampleRate; }

  // The whole file, or the stream from its position to its end.
  virtual void LoadFromFile(const TKitString& FileName);
  virtual void LoadFromStream(TKitStream& Stream);
  virtual void SaveToFile(const TKitString& FileName);
  // The bytes; nothing when empty.
  virtual void SaveToStream(TKitStream& Stream);
  // A 4-byte little-endian length, then the bytes (0 and nothing when empty).
  void LoadFromStreamEx(TKitStream& Stream);
  void SaveToStreamEx(TKitStream& Stream);
  // The bytes through the library's stream compression (method 0).
  void LoadCompressedFromStream(TKitStream& Stream);
  void SaveCompressedToStream(TKitStream& Stream);
  // The stored form of the sound ("Data"): as SaveToStreamEx writes it; written only while
  // a sound stream exists.
  bool HasData() const { return FMemoryWave != nullptr; }
  virtual void ReadData(TKitStream& Stream) { LoadFromStreamEx(Stream); }
  virtual void WriteData(TKitStream& Stream) { SaveToStreamEx(Stream); }

  // Another wave: a copy of its bytes; null: FreeWave.
  void Assign(const TKitSettingObject* Source) override;
  void FreeWave();

  // False when empty or without an output device; otherwise plays asynchronously and
  // raises EOSError when the player fails.
  bool Play();
  bool PlaySoundExt(TKitSndPlayMode Value) override;
  void Stop();

 private:
  // Count bytes of the stream become the sound (see the header comment).
  void ReadWave(TKitStream& Stream, int64_t Count);

  std::unique_ptr<TKitMemoryStream> FMemoryWave;
};

}  // namespace zv

#include "kit/graphics/wave.h"

#include <cstring>

#include "kit/graphics/resource_stream.h"
#include "kit/text/compression.h"
#include "kit/text/helpers.h"

namespace zv {

namespace {

class TNoSoundOutput : public IKitSoundOutput {
 public:
  int DeviceCount() override { return 0; }
  bool PlaySound(const uint8_t*, int64_t, unsigned) override { return false; }
  void Stop() override {}
};

TNoSoundOutput gNoSound;
IKitSoundOutput* gSoundOutput = &gNoSound;

}  // namespace

IKitSoundOutput& KitSoundOutput() { return *gSoundOutput; }
void KitSetSoundOutput(IKitSoundOutput* Output) { gSoundOutput = Output ? Output : &gNoSound; }

bool KitGetWaveInfo(TKitStream* Stream, TKitWaveInfo& Info) {
  if (Stream == nullptr || Stream->Size() == 0) return false;
  Stream->SetPosition(0);
  uint8_t b[16];
  auto read = [&](int Count) {
    if (Stream->Read(b, Count) != Count) {
      Stream->SetPosition(0);
      throw EKitErrorCheckingWave("GetWaveData: Cannot open file %s");
    }
  };
  auto le32 = [&](int At) { return static_cast<int32_t>(KitGetLE32(b + At)); };
  auto le16 = [&](int At) { return static_cast<uint16_t>(KitGetLE16(b + At)); };
  bool found = false;
  read(4);
  if (std::memcmp(b, "RIFF", 4) == 0) {
    read(4);
    Info.Size = le32(0);
    read(4);
    if (std::memcmp(b, "WAVE", 4) == 0) {
      read(4);
      if (std::memcmp(b, "fmt ", 4) == 0) {
        read(4);  // the chunk length is not needed
        read(16);
        const uint16_t tag = le16(0), channels = le16(2);
        Info.Format = tag == 1 ? wfPCM : wfUnknown;
        Info.Channels = channels == 1 ? cmMono : channels == 2 ? cmStereo : cmUnknown;
        Info.SampleRate = le32(4);
        Info.BitsCount = le16(14);
        found = true;
      }
    }
  }
  Stream->SetPosition(0);
  return found;
}

std::unique_ptr<TKitWave> TKitWave::CreateFromFile(const TKitString& FileName) {
  auto wave = std::make_unique<TKitWave>();
  wave->LoadFromFile(FileName);
  return wave;
}

TKitWaveInfo TKitWave::Info() const {
  TKitWaveInfo info;
  if (Empty()) return info;
  // A copy keeps the sound's own position; the header is at most 40 bytes.
  TKitMemoryStream head(std::vector<uint8_t>(FMemoryWave->Data().begin(),
                                             FMemoryWave->Data().begin() + std::min<int64_t>(Size(), 40)));
  try {
    KitGetWaveInfo(&head, info);
  } catch (const EKitErrorCheckingWave&) {
    return {};  // only waves are ever installed; this is for completeness
  }
  return info;
}

void TKitWave::ReadWave(TKitStream& Stream, int64_t Count) {
  if (Stream.Size() == 0) {
    FreeWave();
    return;
  }
  if (Count <= 0) return;
  // The count comes from the data: it must be there before it sizes anything.
  if (Count > Stream.Size() - Stream.Position()) throw EReadError("Stream read error");
  auto image = std::make_unique<TKitMemoryStream>();
  image->SetSize(Count);
  Stream.ReadBuffer(image->Data().data(), Count);
  TKitWaveInfo info;
  if (!KitGetWaveInfo(image.get(), info)) throw EKitInvalidWave("Invalid wave data");
  if (FMemoryWave) Stop();
  FMemoryWave = std::move(image);
  FMemoryWave->SetPosition(0);
  Change();
}

void TKitWave::LoadFromFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TKitWave::LoadFromStream(TKitStream& Stream) { ReadWave(Stream, Stream.Size() - Stream.Position()); }

void TKitWave::LoadFromStreamEx(TKitStream& Stream) { ReadWave(Stream, KitReadInteger(Stream)); }

void TKitWave::LoadCompressedFromStream(TKitStream& Stream) {
  TKitMemoryStream plain;
  KitExpandBlob(Stream, plain);
  LoadFromStream(plain);
}

void TKitWave::SaveToFile(const TKitString& FileName) {
  TKitFileStream file(FileName, fmCreate);
  SaveToStream(file);
}

void TKitWave::SaveToStream(TKitStream& Stream) {
  if (!Empty()) Stream.WriteBuffer(FMemoryWave->Memory(), Size());
}

void TKitWave::SaveToStreamEx(TKitStream& Stream) {
  KitWriteInteger(Stream, static_cast<int32_t>(Size()));
  SaveToStream(Stream);
}

void TKitWave::SaveCompressedToStream(TKitStream& Stream) {
  TKitMemoryStream plain;
  SaveToStream(plain);
  plain.SetPosition(0);
  KitCompressStream(plain, Stream, plain.Size(), 0);
}

void TKitWave::Assign(const TKitSettingObject* Source) {
  if (Source == nullptr) {
    FreeWave();
    return;
  }
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitWave*>(Source)) {
    auto copy = std::make_unique<TKitMemoryStream>();
    if (!src->Empty()) copy->Data() = src->FMemoryWave->Data();
    if (FMemoryWave) Stop();
    FMemoryWave = std::move(copy);
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

void TKitWave::FreeWave() {
  if (FMemoryWave) Stop();
  FMemoryWave.reset();
  Change();
}

bool TKitWave::Play() {
  if (Empty() || KitSoundOutput().DeviceCount() == 0) return false;
  if (!KitSoundOutput().PlaySound(FMemoryWave->Memory(), Size(), KitSndMemory | KitSndAsync | KitSndNoDefault))
    throw EOSError("A call to an OS function failed");
  return true;
}

bool TKitWave::PlaySoundExt(TKitSndPlayMode Value) {
  if (Empty() || KitSoundOutput().DeviceCount() == 0) return false;
  unsigned flags = KitSndMemory | KitSndNoDefault;
  if (Value == sdAsync) flags |= KitSndAsync;
  if (Value == sdLoop) flags |= KitSndAsync | KitSndLoop;
  return KitSoundOutput().PlaySound(FMemoryWave->Memory(), Size(), flags);
}

void TKitWave::Stop() { KitSoundOutput().Stop(); }

}  // namespace zv

// Byte streams of the component library: the files, buffers and containers that the
// encodings, compression, XML and graphics units read and write.
#pragma once
#include <cstdint>
#include <vector>

#include "foundation/errors.h"

namespace zv {

ZV_ERROR_CLASS(EStreamError, Exception)
ZV_ERROR_CLASS(EReadError, EStreamError)
ZV_ERROR_CLASS(EWriteError, EStreamError)

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TKitStream {
 public:
  virtual ~TKitStream() = default;
  // Reads up to Count bytes; answers how many were read (0 at the end).
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  // Writes up to Count bytes; answers how many were written.
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Answers the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  // All or nothing: "Stream read error" / "Stream write error" when short.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes from Source (all of it from its start when Count is 0).
  int64_t CopyFrom(TKitStream& Source, int64_t Count);

 protected:
  // "Stream write error"; a stream over a file adds the file and the system's reason.
  [[noreturn]] virtual void RaiseWriteError();
};

// A stream over a growable buffer it owns.
class TKitMemoryStream : public TKitStream {
 public:
  TKitMemoryStream() = default;
  explicit TKitMemoryStream(std::vector<uint8_t> Data) : FData(std::move(Data)) {}
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;
  void Clear();

  const std::vector<uint8_t>& Data() const { return FData; }
  std::vector<uint8_t>& Data() { return FData; }
  const uint8_t* Memory() const { return FData.data(); }

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

// Little-endian integers in a byte buffer, as the stored formats keep them.
inline void KitPutLE16(uint8_t* P, uint32_t V) {
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
}
inline void KitPutLE32(uint8_t* P, uint32_t V) {
  KitPutLE16(P, V);
  KitPutLE16(P + 2, V >> 16);
}
inline uint32_t KitGetLE16(const uint8_t* P) { return P[0] | P[1] << 8; }
inline uint32_t KitGetLE32(const uint8_t* P) { return KitGetLE16(P) | KitGetLE16(P + 2) << 16; }

// A 32-bit little-endian integer on a stream; a short read raises the stream's error.
void KitWriteInteger(TKitStream& Stream, int32_t Value);
int32_t KitReadInteger(TKitStream& Stream);

}  // namespace zv

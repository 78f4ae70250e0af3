#include "kit/text/stream.h"

#include <algorithm>
#include <cstring>

namespace zv {

int64_t TKitStream::Size() {
  const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TKitStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TKitStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) RaiseWriteError();
}

void TKitStream::RaiseWriteError() { throw EWriteError("Stream write error"); }

int64_t TKitStream::CopyFrom(TKitStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  const int64_t total = Count;
  uint8_t buffer[65536];
  while (Count > 0) {
    const int64_t n = std::min<int64_t>(Count, sizeof buffer);
    Source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    Count -= n;
  }
  return total;
}

int64_t TKitMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || FPosition >= Size()) return 0;
  const int64_t n = std::min(Count, Size() - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TKitMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (FPosition + Count > Size()) FData.resize(static_cast<size_t>(FPosition + Count));
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition += Count;
  return Count;
}

int64_t TKitMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t pos = Offset;
  if (Origin == TSeekOrigin::soCurrent) pos += FPosition;
  if (Origin == TSeekOrigin::soEnd) pos += Size();
  FPosition = std::max<int64_t>(pos, 0);
  return FPosition;
}

void TKitMemoryStream::SetSize(int64_t NewSize) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
  FPosition = std::min(FPosition, Size());
}

void TKitMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void KitWriteInteger(TKitStream& Stream, int32_t Value) {
  uint8_t b[4];
  KitPutLE32(b, static_cast<uint32_t>(Value));
  Stream.WriteBuffer(b, 4);
}

int32_t KitReadInteger(TKitStream& Stream) {
  uint8_t b[4];
  Stream.ReadBuffer(b, 4);
  return static_cast<int32_t>(KitGetLE32(b));
}

}  // namespace zv

// Small general helpers of the library: rectangle arithmetic, the special folders, a
// typed view over raw memory, a stream over a file, byte-order marks, and range-checked
// copies, search and sort on the library's arrays. The range helpers KitInRange, KitClamp,
// KitRectWidth and KitRectHeight live in kit_types.h.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"

namespace zv {

// Raises EInvalidArgument "Index out of bounds: 0" for an empty array.
int32_t KitMinInt(std::span<const int32_t> Values);
long double KitMinFloat(std::span<const long double> Values);

void KitRectSize(const TKitRect& R, int& Width, int& Height);
// Source scaled by the smaller of the two ratios to Bounds (truncated toward zero) and put
// at the top-left corner of Bounds; an empty source gives an empty rectangle there.
void KitFitRectProportional(const TKitRect& Source, const TKitRect& Bounds, TKitRect& Result);
// The string's characters, or null for the empty string.
const char16_t* KitPCharOrNil(const TKitString& S);

// ppWindows is the per-user settings folder, ppSystem a fixed system folder, ppProgram the
// folder of the running executable; ppFixed stands for no folder (an empty result).
enum TKitPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };
// The folder with or without its trailing '/'.
TKitString KitGetSpecialPath(TKitPathPrefix Prefix, bool WithBackslash);

// Index i addresses Memory + (i + BaseOffset) * OffsetSize; values are little-endian and
// need no alignment. Over null memory the getters answer 0 and the setters do nothing.
class TKitRawMemory : public TObject {
 public:
  TKitRawMemory() = default;
  explicit TKitRawMemory(void* Memory) : FMemory(Memory) {}

  void* Memory() const { return FMemory; }
  int OffsetSize() const { return FOffsetSize; }
  // 0 is ignored.
  void SetOffsetSize(int Value) {
    if (Value != 0) FOffsetSize = Value;
  }
  int BaseOffset() const { return FBaseOffset; }
  void SetBaseOffset(int Value) { FBaseOffset = Value; }

  uint8_t GetBytes(int Index) const { return static_cast<uint8_t>(Get(Index, 1)); }
  void SetBytes(int Index, uint8_t Value) { Set(Index, Value, 1); }
  uint16_t GetWords(int Index) const { return static_cast<uint16_t>(Get(Index, 2)); }
  void SetWords(int Index, uint16_t Value) { Set(Index, Value, 2); }
  uint32_t GetDWords(int Index) const { return static_cast<uint32_t>(Get(Index, 4)); }
  void SetDWords(int Index, uint32_t Value) { Set(Index, Value, 4); }
  int64_t GetInt64(int Index) const { return static_cast<int64_t>(Get(Index, 8)); }
  void SetInt64(int Index, int64_t Value) { Set(Index, static_cast<uint64_t>(Value), 8); }

 private:
  uint8_t* At(int Index) const;
  uint64_t Get(int Index, int Size) const;
  void Set(int Index, uint64_t Value, int Size);

  void* FMemory = nullptr;
  int FOffsetSize = 1;
  int FBaseOffset = 0;
};

ZV_ERROR_CLASS(EFCreateError, EStreamError)
ZV_ERROR_CLASS(EFOpenError, EStreamError)

// Open modes: the create mode, or an access (low two bits) with a sharing value (bits 4-7).
// Sharing has no meaning here, but an unknown value still refuses the file.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A stream over a file it opens (or creates) and owns. Failure raises EFCreateError
// "Cannot create file %s: <reason>" or EFOpenError "Cannot open file %s"; a failed write
// raises EWriteError "Stream write error: <file>: <reason>", the reason being the system's.
class TKitFileStream : public TKitStream {
 public:
  TKitFileStream(const TKitString& FileName, uint16_t Mode);
  // Rights are not used.
  TKitFileStream(const TKitString& FileName, uint32_t Rights, uint16_t Mode);
  // The same with a UTF-8 file name.
  TKitFileStream(const std::string& FileName, uint16_t Mode);
  ~TKitFileStream() override;
  TKitFileStream(const TKitFileStream&) = delete;
  TKitFileStream& operator=(const TKitFileStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int Handle() const { return FHandle; }

 protected:
  [[noreturn]] void RaiseWriteError() override;

 private:
  int FHandle = -1;
  std::string FFileName;
  int FError = 0;  // errno of the last failed write
};

// Replaces the whole content of a file: the bytes go to a new file in the same folder, which
// is synced and renamed over the old one, keeping its permissions. On failure the old file is
// as it was and the new one is gone; the errors are those of TKitFileStream.
void KitReplaceFile(const std::string& FileName, const void* Data, int64_t Size);
void KitReplaceFile(const TKitString& FileName, const void* Data, int64_t Size);

enum TKitBOM { bomNone, bomUTF32BE, bomUTF32LE, bomUTF16BE, bomUTF16LE, bomUTF8, bomUTF7 };

// The mark at the stream's position, longest first (FF FE 00 00 is UTF-32LE). The stream
// is left after the mark, or where it was when Peek is set, when there is no mark, or for
// UTF-7. A null stream, or one shorter than its mark, has no mark.
TKitBOM KitReadBOM(TKitStream* Stream, int& Length, bool Peek);
TKitBOM KitDetectBOM(TKitStream* Stream, bool Peek);
// Writes the mark of bomUTF32BE .. bomUTF8; nothing for bomNone, bomUTF7 or a null stream.
void KitWriteBOM(TKitStream* Stream, TKitBOM BOM);

// Range-checked block copies; nothing is checked or copied when Count is 0. Failures raise
// EInvalidArgument "Index out of bounds: %d" or "Invalid Count value" before any copying.
void KitCopyCharArray(const TKitCharArray& Source, int SourceIndex, TKitCharArray& Dest, int Count,
                      int DestIndex);
// SIndex is 1-based.
void KitCopyStringToCharArray(const TKitString& S, int SIndex, TKitCharArray& Dest, int Count, int DestIndex);
void KitCopyIntArray(const TKitIntArray& Source, int SourceIndex, TKitIntArray& Dest, int Count, int DestIndex);

// Lo and Hi must lie inside the array. The first index in Lo..Hi whose element is not below
// Value (Hi when none).
int KitIntArrayLowerBound(int Lo, int Hi, int32_t Value, const TKitIntArray& A);
// The lower bound when its element equals Value, else -1.
int KitIntArrayFind(int Lo, int Hi, int32_t Value, const TKitIntArray& A);
// -1 for an empty array.
int KitIntArrayBinarySearch(int32_t Value, const TKitIntArray& A);
// Sorts A[Lo..Hi] ascending in place.
void KitIntArraySort(int Lo, int Hi, TKitIntArray& A);

}  // namespace zv

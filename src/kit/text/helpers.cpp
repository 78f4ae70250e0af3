#include "kit/text/helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/globals.h"
#include "platform/folders.h"
#include "platform/replace_file.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

[[noreturn]] void IndexOutOfBounds(int64_t Index) {
  throw EInvalidArgument(Format("Index out of bounds: %lld", static_cast<long long>(Index)));
}
[[noreturn]] void InvalidCount() { throw EInvalidArgument("Invalid Count value"); }

template <class T>
T MinOf(std::span<const T> Values) {
  if (Values.empty()) IndexOutOfBounds(0);
  return *std::min_element(Values.begin(), Values.end());
}

}  // namespace

int32_t KitMinInt(std::span<const int32_t> Values) { return MinOf(Values); }
long double KitMinFloat(std::span<const long double> Values) { return MinOf(Values); }

void KitRectSize(const TKitRect& R, int& Width, int& Height) {
  Width = KitRectWidth(R);
  Height = KitRectHeight(R);
}

void KitFitRectProportional(const TKitRect& Source, const TKitRect& Bounds, TKitRect& Result) {
  const long double sw = KitRectWidth(Source), sh = KitRectHeight(Source);
  // A zero side has no ratio; a source without area stays without area (and the
  // conversions below never see an infinite or undefined value).
  long double f = 0;
  if (sw != 0 && sh != 0) f = std::min(KitRectWidth(Bounds) / sw, KitRectHeight(Bounds) / sh);
  auto scaled = [](long double v) {
    v = std::trunc(v);
    return static_cast<int>(std::clamp<long double>(v, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max()));
  };
  Result = {Bounds.Left, Bounds.Top, Bounds.Left + scaled(sw * f), Bounds.Top + scaled(sh * f)};
}

const char16_t* KitPCharOrNil(const TKitString& S) { return S.empty() ? nullptr : S.c_str(); }

TKitString KitGetSpecialPath(TKitPathPrefix Prefix, bool WithBackslash) {
  std::string folder;
  switch (Prefix) {
    case ppWindows: folder = SettingsFolder(); break;
    case ppSystem: folder = "/usr/lib"; break;
    case ppProgram: folder = ExecutableFolder(); break;
    case ppFixed: return {};
  }
  if (WithBackslash) {
    folder = IncludeTrailingPathDelimiter(folder);
    if (folder.empty()) folder = "/";
  } else if (!folder.empty() && folder.back() == '/') {
    folder.pop_back();
  }
  TKitString out;
  KitUTF8ToUTF16(folder, out, true, false);
  return out;
}

// ---------------------------------------------------------------------------------------

uint8_t* TKitRawMemory::At(int Index) const {
  const ptrdiff_t offset = (static_cast<ptrdiff_t>(Index) + FBaseOffset) * FOffsetSize;
  return static_cast<uint8_t*>(FMemory) + offset;
}

uint64_t TKitRawMemory::Get(int Index, int Size) const {
  if (!FMemory) return 0;
  const uint8_t* p = At(Index);
  uint64_t v = 0;
  for (int i = Size; i-- > 0;) v = v << 8 | p[i];
  return v;
}

void TKitRawMemory::Set(int Index, uint64_t Value, int Size) {
  if (!FMemory) return;
  uint8_t* p = At(Index);
  for (int i = 0; i < Size; ++i, Value >>= 8) p[i] = static_cast<uint8_t>(Value);
}

// ---------------------------------------------------------------------------------------

namespace {

std::string FileNameToUtf8(const TKitString& FileName) {
  std::string name;
  KitUTF16ToUTF8(FileName, name, true, false);
  return name;
}

// The messages keep the run time's text first and add the file and what the system said.
[[noreturn]] void RaiseCreateError(const std::string& FileName, int Error) {
  throw EFCreateError(Format("Cannot create file %s: %s", FileName.c_str(), std::strerror(Error)));
}

[[noreturn]] void RaiseWriteError(const std::string& FileName, int Error) {
  if (Error == 0) throw EWriteError(Format("Stream write error: %s", FileName.c_str()));
  throw EWriteError(Format("Stream write error: %s: %s", FileName.c_str(), std::strerror(Error)));
}

// Opens like the platform's create/open call: -1 when the mode is refused or the file
// cannot be had. A folder is no file.
int OpenFile(const std::string& Name, uint16_t Mode) {
  int flags;
  if ((Mode & 0xFF00) == 0xFF00) {
    flags = O_RDWR | O_CREAT | O_TRUNC;
  } else {
    static constexpr int access[] = {O_RDONLY, O_WRONLY, O_RDWR, -1};
    flags = access[Mode & 3];
    if (flags < 0 || ((Mode & 0xF0) >> 4) > 4) return -1;
  }
  int fd;
  do fd = ::open(Name.c_str(), flags | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

}  // namespace

void KitReplaceFile(const std::string& FileName, const void* Data, int64_t Size) {
  const TReplaceFileResult done = ReplaceFileContent(FileName, Data, static_cast<size_t>(Size));
  if (done.Step == TReplaceFileResult::rsCreate) RaiseCreateError(FileName, done.Error);
  if (!done) RaiseWriteError(FileName, done.Error);
}

void KitReplaceFile(const TKitString& FileName, const void* Data, int64_t Size) {
  KitReplaceFile(FileNameToUtf8(FileName), Data, Size);
}

TKitFileStream::TKitFileStream(const TKitString& FileName, uint16_t Mode)
    : TKitFileStream(FileNameToUtf8(FileName), Mode) {}

TKitFileStream::TKitFileStream(const TKitString& FileName, uint32_t /*Rights*/, uint16_t Mode)
    : TKitFileStream(FileNameToUtf8(FileName), Mode) {}

TKitFileStream::TKitFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
  FHandle = OpenFile(FileName, Mode);
  if (FHandle >= 0) return;
  if ((Mode & 0xFF00) == 0xFF00) RaiseCreateError(FileName, errno);
  throw EFOpenError(Format("Cannot open file %s", FileName.c_str()));
}

void TKitFileStream::RaiseWriteError() { zv::RaiseWriteError(FFileName, FError); }

TKitFileStream::~TKitFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int64_t TKitFileStream::Read(void* Buffer, int64_t Count) {
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::read(FHandle, static_cast<uint8_t*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TKitFileStream::Write(const void* Buffer, int64_t Count) {
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n =
        ::write(FHandle, static_cast<const uint8_t*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      FError = n < 0 ? errno : ENOSPC;
      break;
    }
    done += n;
  }
  return done;
}

int64_t TKitFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET : Origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

void TKitFileStream::SetSize(int64_t NewSize) {
  const int64_t pos = Position();
  if (NewSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) {
    FError = NewSize < 0 ? EINVAL : errno;
    RaiseWriteError();
  }
  if (pos > NewSize) SetPosition(NewSize);
}

// ---------------------------------------------------------------------------------------

namespace {
struct TBOMMark {
  TKitBOM BOM;
  uint8_t Bytes[4];
  int Length;
};
// Longest first, so that FF FE 00 00 is not taken for the UTF-16LE mark.
constexpr TBOMMark Marks[] = {
    {bomUTF32BE, {0x00, 0x00, 0xFE, 0xFF}, 4}, {bomUTF32LE, {0xFF, 0xFE, 0x00, 0x00}, 4},
    {bomUTF8, {0xEF, 0xBB, 0xBF}, 3},          {bomUTF7, {0x2B, 0x2F, 0x76}, 3},
    {bomUTF16BE, {0xFE, 0xFF}, 2},             {bomUTF16LE, {0xFF, 0xFE}, 2},
};
}  // namespace

TKitBOM KitReadBOM(TKitStream* Stream, int& Length, bool Peek) {
  Length = 0;
  if (!Stream) return bomNone;
  const int64_t start = Stream->Position();
  uint8_t head[4] = {};
  const int64_t got = Stream->Read(head, 4);
  TKitBOM found = bomNone;
  for (const TBOMMark& m : Marks) {
    if (got >= m.Length && std::memcmp(head, m.Bytes, static_cast<size_t>(m.Length)) == 0) {
      found = m.BOM;
      Length = m.Length;
      break;
    }
  }
  const bool keep = !Peek && found != bomNone && found != bomUTF7;
  Stream->SetPosition(keep ? start + Length : start);
  return found;
}

TKitBOM KitDetectBOM(TKitStream* Stream, bool Peek) {
  int length;
  return KitReadBOM(Stream, length, Peek);
}

void KitWriteBOM(TKitStream* Stream, TKitBOM BOM) {
  if (!Stream || BOM == bomUTF7) return;
  for (const TBOMMark& m : Marks)
    if (m.BOM == BOM) Stream->WriteBuffer(m.Bytes, m.Length);
}

// ---------------------------------------------------------------------------------------

namespace {

void CheckCopy(int64_t SourceLength, int64_t SourceIndex, int64_t DestLength, int64_t DestIndex, int64_t Count) {
  if (!KitInRange<int64_t>(SourceIndex, 0, SourceLength - 1)) IndexOutOfBounds(SourceIndex);
  if (Count < 0 || SourceIndex + Count > SourceLength) InvalidCount();
  if (!KitInRange<int64_t>(DestIndex, 0, DestLength - 1)) IndexOutOfBounds(DestIndex);
  if (DestIndex + Count > DestLength) InvalidCount();
}

template <class T, class Src>
void CheckedCopy(const Src& Source, int64_t SourceIndex, std::vector<T>& Dest, int Count, int DestIndex) {
  if (Count == 0) return;
  CheckCopy(static_cast<int64_t>(Source.size()), SourceIndex, static_cast<int64_t>(Dest.size()), DestIndex, Count);
  std::memmove(Dest.data() + DestIndex, Source.data() + SourceIndex, static_cast<size_t>(Count) * sizeof(T));
}

void CheckBound(int Index, const TKitIntArray& A) {
  if (!KitInRange<int64_t>(Index, 0, static_cast<int64_t>(A.size()) - 1)) IndexOutOfBounds(Index);
}

}  // namespace

void KitCopyCharArray(const TKitCharArray& Source, int SourceIndex, TKitCharArray& Dest, int Count,
                      int DestIndex) {
  CheckedCopy(Source, SourceIndex, Dest, Count, DestIndex);
}

void KitCopyStringToCharArray(const TKitString& S, int SIndex, TKitCharArray& Dest, int Count, int DestIndex) {
  CheckedCopy(S, int64_t{SIndex} - 1, Dest, Count, DestIndex);
}

void KitCopyIntArray(const TKitIntArray& Source, int SourceIndex, TKitIntArray& Dest, int Count, int DestIndex) {
  CheckedCopy(Source, SourceIndex, Dest, Count, DestIndex);
}

int KitIntArrayLowerBound(int Lo, int Hi, int32_t Value, const TKitIntArray& A) {
  CheckBound(Lo, A);
  CheckBound(Hi, A);
  while (Lo < Hi) {
    const int mid = Lo + (Hi - Lo) / 2;
    if (A[static_cast<size_t>(mid)] < Value) Lo = std::min(Hi, mid + 1);
    else Hi = std::max(Lo, mid);
  }
  return Lo;
}

int KitIntArrayFind(int Lo, int Hi, int32_t Value, const TKitIntArray& A) {
  const int at = KitIntArrayLowerBound(Lo, Hi, Value, A);
  return A[static_cast<size_t>(at)] == Value ? at : -1;
}

int KitIntArrayBinarySearch(int32_t Value, const TKitIntArray& A) {
  if (A.empty()) return -1;
  return KitIntArrayFind(0, static_cast<int>(A.size()) - 1, Value, A);
}

void KitIntArraySort(int Lo, int Hi, TKitIntArray& A) {
  CheckBound(Lo, A);
  CheckBound(Hi, A);
  if (Lo < Hi) std::sort(A.begin() + Lo, A.begin() + Hi + 1);
}

}  // namespace zv

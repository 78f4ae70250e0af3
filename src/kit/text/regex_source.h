// The input of the regular-expression engine: integer codes over an index range, read
// through a small window so that a large document or token stream is never copied whole.
// Descendants set FIdxStart, FIdxEnd, BaseIndex and Count and fill the window.
#pragma once
#include <cstdint>

#include "kit/text/kit_types.h"

namespace zv {

class TKitRegexSource : public TObject {
 public:
  TKitRegexSource(int ABufferSize, int ACount);

  int32_t GetCode(int AIdx) {
    if (AIdx >= FBufferStart && AIdx < FBufferEnd) return FBuffer[static_cast<size_t>(AIdx - FBufferStart)];
    return Refill(AIdx);
  }
  // The window moved over AIdx: a pointer to the code at AIdx and the index where the
  // window ends, for loops that scan many codes.
  const int32_t* Window(int AIdx, int& AWindowEnd) {
    if (AIdx < FBufferStart || AIdx >= FBufferEnd) Refill(AIdx);
    AWindowEnd = FBufferEnd;
    return FBuffer.data() + (AIdx - FBufferStart);
  }
  // The window moved so that it holds [AIdx, AIdx + ACount): a pointer to the code at AIdx,
  // or null when ACount is too large for the window.
  const int32_t* Span(int AIdx, int ACount) {
    if (AIdx < FBufferStart || AIdx + ACount > FBufferEnd) {
      if (ACount > FBufferSize - FBoundGap) return nullptr;
      RefillFrom(AIdx);
    }
    return FBuffer.data() + (AIdx - FBufferStart);
  }
  // Adopts ABuffer as the window storage; its length becomes the window size.
  void SetBuffer(TKitIntArray ABuffer);
  virtual void ResetBuffer();

  int Count = 0;
  int BaseIndex = 0;

 protected:
  // Puts the codes of [FBufferStart, FBufferEnd) into FBuffer from index 0.
  virtual void FillBuffer() = 0;

  TKitIntArray FBuffer;
  int FBufferSize;
  int FBoundGap = 5;
  int FBufferStart = -1;
  int FBufferEnd = -1;
  int FIdxStart = 0;
  int FIdxEnd = 0;

 private:
  int32_t Refill(int AIdx);
  void RefillFrom(int AIdx);
  // Sets the window to [AStart, AEnd) clamped to the source and fills it.
  void Place(int64_t AStart, int64_t AEnd);
};

// A source over a string: indexes 1 .. length, one UTF-16 unit per code.
class TKitRegexStringSource : public TKitRegexSource {
 public:
  explicit TKitRegexStringSource(const TKitString& AStr);
  const TKitString& Str() const { return FStr; }

 protected:
  void FillBuffer() override;

 private:
  TKitString FStr;
};

}  // namespace zv

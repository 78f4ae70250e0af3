#include "kit/text/regex_source.h"

#include <algorithm>

namespace zv {

namespace {
// The window must hold a code with the bound gap on either side of it.
constexpr int kMinBufferSize = 16;
}  // namespace

TKitRegexSource::TKitRegexSource(int ABufferSize, int ACount)
    : Count(ACount), FBufferSize(std::max(ABufferSize, kMinBufferSize)) {
  FBuffer.resize(static_cast<size_t>(FBufferSize));
}

void TKitRegexSource::SetBuffer(TKitIntArray ABuffer) {
  FBuffer = std::move(ABuffer);
  if (FBuffer.size() < static_cast<size_t>(kMinBufferSize)) FBuffer.resize(kMinBufferSize);
  FBufferSize = static_cast<int>(FBuffer.size());
  ResetBuffer();
}

void TKitRegexSource::ResetBuffer() {
  FBufferStart = -1;
  FBufferEnd = -1;
}

int32_t TKitRegexSource::Refill(int AIdx) {
  if (AIdx < FIdxStart || AIdx >= FIdxEnd) throw EInvalidArgument(Format("Index out of bounds: %d", AIdx));
  if (FBufferStart >= 0 && AIdx < FBufferEnd) {
    // Going backwards: keep the gap after the code.
    const int64_t end = int64_t{AIdx} + FBoundGap + 1;
    Place(end - FBufferSize, end);
  } else {
    Place(int64_t{AIdx} - FBoundGap, int64_t{AIdx} + FBufferSize - FBoundGap);
  }
  return FBuffer[static_cast<size_t>(AIdx - FBufferStart)];
}

void TKitRegexSource::RefillFrom(int AIdx) {
  if (AIdx < FIdxStart || AIdx >= FIdxEnd) throw EInvalidArgument(Format("Index out of bounds: %d", AIdx));
  Place(int64_t{AIdx} - FBoundGap, int64_t{AIdx} + FBufferSize - FBoundGap);
}

void TKitRegexSource::Place(int64_t AStart, int64_t AEnd) {
  int64_t start = AStart, end = AEnd;
  if (start < FIdxStart) {
    start = FIdxStart;
    end = std::min<int64_t>(start + FBufferSize, FIdxEnd);
  }
  if (end > FIdxEnd) {
    end = FIdxEnd;
    start = std::max<int64_t>(end - FBufferSize, FIdxStart);
  }
  FBufferStart = static_cast<int>(start);
  FBufferEnd = static_cast<int>(end);
  FillBuffer();
}

TKitRegexStringSource::TKitRegexStringSource(const TKitString& AStr)
    : TKitRegexSource(256, static_cast<int>(AStr.size())), FStr(AStr) {
  BaseIndex = 1;
  FIdxStart = 1;
  FIdxEnd = Count + 1;
}

void TKitRegexStringSource::FillBuffer() {
  const char16_t* s = FStr.data() + (FBufferStart - 1);
  int32_t* d = FBuffer.data();
  for (int i = 0, n = FBufferEnd - FBufferStart; i < n; ++i) d[i] = s[i];
}

}  // namespace zv

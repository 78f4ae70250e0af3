#include "security/frame_counter_source.h"

#include <atomic>

#include "foundation/errors.h"

namespace zv {

namespace {
std::atomic<TFrameCounterSource> gSource{nullptr};
}  // namespace

void SetFrameCounterSource(TFrameCounterSource Source) { gSource.store(Source); }

TFrameCounterSource GetFrameCounterSource() { return gSource.load(); }

uint32_t NextFrameCounter() {
  TFrameCounterSource source = gSource.load();
  if (!source) throw Exception("No frame counter source");
  return source();
}

}  // namespace zv

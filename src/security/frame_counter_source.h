// Where the invocation counters of the protection this system applies come from when a
// layer is given no counter function of its own. The server plugs in its process-wide
// frame counter at start; until then ciphering refuses, so that no counter is ever made up.
#pragma once
#include <cstdint>

namespace zv {

using TFrameCounterSource = uint32_t (*)();

// nullptr removes the source.
void SetFrameCounterSource(TFrameCounterSource Source);
TFrameCounterSource GetFrameCounterSource();
// The next counter from the source; without one raises "No frame counter source".
uint32_t NextFrameCounter();

}  // namespace zv

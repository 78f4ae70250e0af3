// A benchmark main that tidies up after the runs: objects that must be gone before the
// libraries' own globals are (an application object, temporary folders).
#pragma once

#include <benchmark/benchmark.h>

#include <functional>

namespace zv::bench {

inline int RunBenchmarks(int Argc, char** Argv, const std::function<void()>& AAtExit) {
  benchmark::Initialize(&Argc, Argv);
  if (benchmark::ReportUnrecognizedArguments(Argc, Argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  AAtExit();
  return 0;
}

}  // namespace zv::bench

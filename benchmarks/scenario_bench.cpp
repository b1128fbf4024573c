// How loading and running a scenario grows with the number of its properties: the time of one
// file of N properties, for N up to 400,000; it should grow in proportion to N.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "scenario/runner.h"

namespace {

std::string WriteScenario(long properties) {
  const std::string path = "/tmp/suitehost-bench-" + std::to_string(properties) + ".json";
  std::ofstream out(path, std::ios::binary);
  out << "{\"library\": \"ovrel\", \"properties\": {";
  for (long i = 0; i < properties; ++i) out << (i ? ", " : "") << "\"P" << i << "\": \"value " << i << "\"";
  out << "}, \"steps\": [{\"call\": \"verify\"}, {\"set\": {\"P0\": null}}]}";
  return path;
}

void LoadAndRun(benchmark::State& state) {
  const std::string path = WriteScenario(state.range(0));
  for (auto _ : state) {
    scenario::Runner runner(SUITE_LIBRARY_FOLDER);
    if (!runner.Prepare(path)) state.SkipWithError("the scenario does not load");
    benchmark::DoNotOptimize(runner.RunAll());
  }
  std::remove(path.c_str());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(LoadAndRun)->RangeMultiplier(4)->Range(1 << 10, 400000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();

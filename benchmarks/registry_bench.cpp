// How the simulated registry and the loaders grow with hostile sizes: a key N levels deep made
// from a .reg export (up to the 512 levels Windows allows), N keys deleted one by one, and N
// brackets left open in a scenario file (refused once past the nesting a scenario can have).
// Each should grow in proportion to N, or not at all.
#include <benchmark/benchmark.h>

#include <string>

#include "machine/registry.h"
#include "scenario/json_parse.h"
#include "scenario/reg_file.h"

namespace {

void DeepKeyFromExport(benchmark::State& state) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE";
  for (long i = 1; i < state.range(0); ++i) text += "\\level" + std::to_string(i);
  text += "]\r\n\"Value\"=\"x\"\r\n";
  for (auto _ : state) {
    auto changes = scenario::ParseRegText("deep.reg", text, machine::Windows::X86);
    if (!changes) state.SkipWithError("the export does not load");
    machine::Registry registry;
    for (const auto& change : *changes) registry.SetValue(change.key, change.name, change.value);
    benchmark::DoNotOptimize(registry.FindKey(changes->back().key));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(DeepKeyFromExport)->RangeMultiplier(4)->Range(8, 512)->Complexity();

void ManyDeletions(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    machine::Registry registry;
    std::vector<std::u16string> keys;
    for (long i = 0; i < state.range(0); ++i) {
      keys.push_back(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\" + std::u16string(u"k") +
                     std::u16string(std::to_string(i).begin(), std::to_string(i).end()));
      registry.CreateKey(keys.back());
    }
    state.ResumeTiming();
    for (const std::u16string& key : keys) registry.DeleteKey(key);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ManyDeletions)->RangeMultiplier(8)->Range(1 << 10, 100000)->Unit(benchmark::kMillisecond)->Complexity();

void UnclosedBrackets(benchmark::State& state) {
  const std::string text(static_cast<size_t>(state.range(0)), '[');
  for (auto _ : state) benchmark::DoNotOptimize(scenario::ParseJson("open.json", text));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(UnclosedBrackets)->RangeMultiplier(16)->Range(1 << 10, 50 << 20)->Complexity();

}  // namespace

BENCHMARK_MAIN();

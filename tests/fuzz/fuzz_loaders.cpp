// The scenario and .reg loaders on any bytes: never a crash, a leak or undefined behaviour, and
// every refusal says where. FUZZ_TARGET picks the loader at build time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scenario/reg_file.h"
#include "scenario/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
#if FUZZ_REG_FILE
  // As an export of either kind of machine: a 64-bit machine's keeps its WOW6432Node keys.
  for (const machine::Windows windows : {machine::Windows::X86, machine::Windows::X64}) {
    const auto changes = scenario::ParseRegText("fuzz.reg", text, windows);
    if (!changes && changes.error().compare(0, 9, "fuzz.reg:") != 0) std::abort();
  }
#else
  // Placed among the examples, so that their registry imports are found.
  const std::string path = SUITE_SOURCE_DIR "/examples/fuzz.json";
  const auto loaded = scenario::ParseScenario(path, text);
  if (!loaded && loaded.error().compare(0, path.size(), path) != 0) std::abort();
#endif
  return 0;
}

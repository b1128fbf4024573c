// Rewrites a loaded module's import address table so that chosen imports call replacements.
#pragma once

#include <windows.h>

#include <cstddef>

namespace testkit::win32 {

// A function of any signature as a table's entry.
template <class F>
void* Fn(F* function) {
  return reinterpret_cast<void*>(function);
}

struct Replacement {
  const char* dll;
  const char* name;
  void* function;
};

// Every import by name of `module` that has a replacement in the table now calls it. Only that
// module's table changes, so the replacements, and suitehost itself, still reach the real
// functions.
void ReplaceImports(HMODULE module, const Replacement* table, std::size_t count);

}  // namespace testkit::win32

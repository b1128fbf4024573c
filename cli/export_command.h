// `suitehost export SCENARIO --out FILE.reg`: a scenario's machine as a registry editor file, for
// `reg import` on another machine or in a Wine prefix, or to read as any registry export is read.
#pragma once

#include <string>

namespace suitehost {

struct ExportOptions {
  std::string scenario;
  std::string out;
};

// Writes the file; says what it holds and what it could not hold.
int Export(const ExportOptions& options);

}  // namespace suitehost

// `suitehost diff A B`: two scenarios or captures compared, first their machines, then what the
// actions did on each, step by step.
#pragma once

#include <string>

namespace suitehost {

struct DiffOptions {
  std::string first, second;
  std::string html;  // also the comparison as one page
};

// 0 when both are the same, 1 when they differ, 2 when one cannot be read.
int Diff(const DiffOptions& options, const std::string& libraryFolder);

}  // namespace suitehost

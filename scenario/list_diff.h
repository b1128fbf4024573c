// Two lists of lines set against each other, as a failed list expectation shows them: what was
// expected beside what happened, aligned on the lines both hold.
#pragma once

#include <string>
#include <vector>

namespace scenario {

struct DiffLine {
  enum class Side { Both, Expected, Happened };
  Side side = Side::Both;
  std::string text;
};

// Every line of both lists once, in order: a line both hold (by the shortest edit) once as Both;
// in a run of changes the expected lines come before the lines that happened in their place.
std::vector<DiffLine> AlignLines(const std::vector<std::string>& expected, const std::vector<std::string>& happened);

// A unified diff of the two: hunks headed "@@ -a,b +c,d @@", each change with up to three lines
// of context around it, "-" for a line only expected, "+" for one only happened, " " for one
// both hold. Empty when the lists are the same.
std::vector<std::string> UnifiedDiff(const std::vector<std::string>& expected, const std::vector<std::string>& happened);

}  // namespace scenario

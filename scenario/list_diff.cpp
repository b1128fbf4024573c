// The alignment and the hunks come from dtl (Debian's libdtl-dev), Wu's O(NP) shortest edit.
#include "scenario/list_diff.h"

#include <dtl/dtl.hpp>

namespace scenario {
namespace {

using Lines = std::vector<std::string>;
using LineDiff = dtl::Diff<std::string, Lines>;

DiffLine::Side SideOf(dtl::edit_t type) {
  if (type == dtl::SES_DELETE) return DiffLine::Side::Expected;
  if (type == dtl::SES_ADD) return DiffLine::Side::Happened;
  return DiffLine::Side::Both;
}

// A hunk's range as a unified diff writes it: an empty side starts at the line before it (0 before
// the first), where dtl would give the line after.
std::string Range(long long start, long long count) {
  return std::to_string(count == 0 && start > 0 ? start - 1 : start) + "," + std::to_string(count);
}

char Mark(dtl::edit_t type) { return type == dtl::SES_DELETE ? '-' : type == dtl::SES_ADD ? '+' : ' '; }

// Deletions first within a run of changes, as a unified diff shows them.
LineDiff Composed(const Lines& expected, const Lines& happened) {
  LineDiff diff(expected, happened, true);
  diff.compose();
  return diff;
}

}  // namespace

std::vector<DiffLine> AlignLines(const Lines& expected, const Lines& happened) {
  std::vector<DiffLine> out;
  for (const auto& [text, info] : Composed(expected, happened).getSes().getSequence())
    out.push_back(DiffLine{SideOf(info.type), text});
  return out;
}

Lines UnifiedDiff(const Lines& expected, const Lines& happened) {
  if (expected == happened) return {};
  LineDiff diff = Composed(expected, happened);
  diff.composeUnifiedHunks();
  Lines out;
  for (const auto& hunk : diff.getUniHunks()) {
    out.push_back("@@ -" + Range(hunk.a, hunk.b) + " +" + Range(hunk.c, hunk.d) + " @@");
    for (const auto* part : {&hunk.common[0], &hunk.change, &hunk.common[1]})
      for (const auto& [text, info] : *part) out.push_back(Mark(info.type) + text);
  }
  return out;
}

}  // namespace scenario

// How the text and JUnit reports show a failed expectation: a list that differs as a unified diff
// with only the differing entries marked, a single value and a sentence as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "scenario/list_diff.h"
#include "scenario/report.h"
#include "tests/report_fixture.h"

namespace {

std::vector<std::string> Numbered(const std::string& stem, int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(stem + std::to_string(i) + " = \"" + std::to_string(i) + "\"");
  return lines;
}

std::vector<std::string> With(std::vector<std::string> lines, size_t at, const std::string& line) {
  lines[at] = line;
  return lines;
}

struct Row {
  const char* name;
  scenario::Mismatch mismatch;
  std::string sentence;
  std::vector<std::string> shown;  // lines of the text report after the FAILED line's heading
};

std::string TextOf(const Row& row, std::string* junit) {
  const scenario::ScenarioReport r = testing_support::OneFailedCall({row.sentence}, {row.mismatch});
  std::ostringstream text, xml;
  scenario::WriteText(text, {r}, true);
  scenario::WriteJunit(xml, {r});
  *junit = xml.str();
  return text.str();
}

TEST(FailureReport, EachKindOfFailureAsTheReportsShowIt) {
  const std::vector<std::string> ten = Numbered("W", 10);
  const Row rows[] = {
      {"one of ten writes differs",
       {"/steps/0/expect/writes", "writes", ten, With(ten, 5, "W6 = \"six\""), true},
       "writes: ...",
       {"writes: expected (-) against what happened (+):", "      @@ -3,8 +3,8 @@", "       W3 = \"3\"",
        "       W5 = \"5\"", "      -W6 = \"6\"", "      +W6 = \"six\"", "       W7 = \"7\""}},
      {"a message box more than expected",
       {"/steps/0/expect/messages", "message boxes", {}, {"box \"Restart?\""}, true},
       "message boxes: ...",
       {"message boxes: expected (-) against what happened (+):", "      +box \"Restart?\""}},
      {"a program that did not start",
       {"/steps/0/expect/programs", "programs started", {"C:\\x.exe", "C:\\y.exe"}, {"C:\\x.exe"}, true},
       "programs started: ...",
       {"       C:\\x.exe", "      -C:\\y.exe"}},
      {"a single value", {"/steps/0/expect/result", "result", {"0x00000001 S_FALSE"}, {"0x00000000 S_OK"}, false},
       "result: expected 0x00000001 S_FALSE, got 0x00000000 S_OK",
       {"result: expected 0x00000001 S_FALSE, got 0x00000000 S_OK"}},
      {"a sentence only", {"/steps/0", "", {}, {}, false}, "handles left open: 1", {"handles left open: 1"}},
  };
  for (const Row& row : rows) {
    std::string junit;
    const std::string text = TextOf(row, &junit);
    for (const std::string& line : row.shown) {
      EXPECT_NE(text.find(line + "\n"), std::string::npos) << row.name << ": no line '" << line << "' in\n" << text;
      // The JUnit body holds the same, its quotes escaped.
      std::string escaped;
      for (char c : line) escaped += c == '"' ? "&quot;" : std::string(1, c);
      EXPECT_NE(junit.find(escaped + "\n"), std::string::npos) << row.name << ": " << junit;
    }
    // Only the entries that differ are marked.
    if (row.mismatch.lines) {
      size_t marked = 0;
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);)
        marked += line.rfind("      -", 0) == 0 || line.rfind("      +", 0) == 0 ? 1 : 0;
      size_t differing = 0;
      for (const scenario::DiffLine& d : scenario::AlignLines(row.mismatch.expected, row.mismatch.got))
        differing += d.side == scenario::DiffLine::Side::Both ? 0 : 1;
      EXPECT_EQ(marked, differing) << row.name << ":\n" << text;
    }
  }
}

TEST(FailureReport, ContextIsAFewLinesAroundEachChange) {
  const std::vector<std::string> thirty = Numbered("V", 30);
  const std::vector<std::string> diff = scenario::UnifiedDiff(thirty, With(With(thirty, 2, "V3 = \"x\""), 26, "V27 = \"y\""));
  // Two changes far apart make two hunks; lines far from both are left out.
  EXPECT_EQ(std::count_if(diff.begin(), diff.end(), [](const std::string& l) { return l.rfind("@@", 0) == 0; }), 2);
  EXPECT_EQ(std::find(diff.begin(), diff.end(), " V15 = \"15\""), diff.end());
  EXPECT_NE(std::find(diff.begin(), diff.end(), " V2 = \"2\""), diff.end());
  EXPECT_TRUE(scenario::UnifiedDiff(thirty, thirty).empty());
  // An empty side starts before its first line, as patch reads it.
  EXPECT_EQ(scenario::UnifiedDiff({}, {"A"}), (std::vector<std::string>{"@@ -0,0 +1,1 @@", "+A"}));
  EXPECT_EQ(scenario::UnifiedDiff({"A", "B"}, {}), (std::vector<std::string>{"@@ -1,2 +0,0 @@", "-A", "-B"}));
}

}  // namespace

// The run as one page for a browser: a summary table, each scenario's steps with their trace, and
// each failed expectation's expected and actual side by side with the difference marked. The page
// holds everything it shows: its style is written into it, and it has no scripts and loads nothing.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "scenario/event_text.h"
#include "scenario/list_diff.h"
#include "scenario/report.h"
#include "scenario/status.h"
#include "testkit/machine.h"

namespace scenario {
namespace {

// The bytes of a UTF-8 text, cut only between characters.
size_t CharStart(const std::string& text, size_t at) {
  while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
  return at;
}

// One side of a changed value: what both sides share in plain text, what differs marked.
std::string Marked(const std::string& text, size_t prefix, size_t suffix) {
  const size_t end = text.size() - suffix;
  return EscapeMarkup(text.substr(0, prefix)) + "<mark>" + EscapeMarkup(text.substr(prefix, end - prefix)) + "</mark>" +
         EscapeMarkup(text.substr(end));
}

// A byte of a word: a letter, a digit, an underscore, or any byte of a character beyond ASCII.
bool OfWord(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) || c == '_';
}

// Both sides of a changed value, the part between their common start and common end marked, and
// widened to whole words: a mark never starts or ends inside a word ("true", not "tru").
std::pair<std::string, std::string> MarkDifference(const std::string& a, const std::string& b) {
  size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  prefix = CharStart(a, prefix);
  while (prefix > 0 && OfWord(a[prefix - 1]) && ((prefix < a.size() && OfWord(a[prefix])) || (prefix < b.size() && OfWord(b[prefix]))))
    --prefix;
  size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
    ++suffix;
  // Keep the common end on a character's first byte in both texts, and at a word's edge.
  while (suffix > 0 && (static_cast<unsigned char>(a[a.size() - suffix]) & 0xC0) == 0x80) --suffix;
  const auto insideWord = [&](const std::string& s) {
    const size_t end = s.size() - suffix;
    return end > prefix && OfWord(s[end - 1]) && OfWord(s[end]);
  };
  while (suffix > 0 && (insideWord(a) || insideWord(b))) --suffix;
  return {Marked(a, prefix, suffix), Marked(b, prefix, suffix)};
}

// The rows of two lists of lines set side by side, aligned as the text report's diff aligns them:
// lines both have face each other unmarked; a line only one side has is marked, and facing runs
// of such lines are paired and marked where they differ.
std::vector<std::pair<std::string, std::string>> SideBySide(const std::vector<std::string>& a,
                                                            const std::vector<std::string>& b) {
  std::vector<std::pair<std::string, std::string>> rows;
  std::vector<std::string> onlyA, onlyB;
  const auto flush = [&] {
    for (size_t k = 0; k < std::max(onlyA.size(), onlyB.size()); ++k) {
      if (k < onlyA.size() && k < onlyB.size())
        rows.push_back(MarkDifference(onlyA[k], onlyB[k]));
      else if (k < onlyA.size())
        rows.emplace_back("<mark>" + EscapeMarkup(onlyA[k]) + "</mark>", "");
      else
        rows.emplace_back("", "<mark>" + EscapeMarkup(onlyB[k]) + "</mark>");
    }
    onlyA.clear();
    onlyB.clear();
  };
  for (const DiffLine& line : AlignLines(a, b)) {
    switch (line.side) {
      case DiffLine::Side::Expected: onlyA.push_back(line.text); break;
      case DiffLine::Side::Happened: onlyB.push_back(line.text); break;
      case DiffLine::Side::Both:
        flush();
        rows.emplace_back(EscapeMarkup(line.text), EscapeMarkup(line.text));
        break;
    }
  }
  flush();
  return rows;
}


enum class Outcome { Passed, Failed, Skipped, Error };

Outcome OutcomeOf(const ScenarioReport& r) {
  if (!r.error.empty()) return Outcome::Error;
  if (r.skipped) return Outcome::Skipped;
  return r.Passed() ? Outcome::Passed : Outcome::Failed;
}

// The class of a row and the word it shows.
const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Passed: return "passed";
    case Outcome::Failed: return "failed";
    case Outcome::Skipped: return "skipped";
    case Outcome::Error: break;
  }
  return "error";
}


const char kStyle[] = R"(
body { font-family: "Liberation Sans", Arial, sans-serif; margin: 1.5em; color: #1b1b1b; }
h1 { font-size: 1.5em; margin-bottom: 0.2em; }
h2 { font-size: 1.2em; margin: 0 0 0.3em 0; }
h3 { font-size: 1em; margin: 0.9em 0 0.3em 0; font-family: "Liberation Mono", monospace; }
table { border-collapse: collapse; }
th, td { border: 1px solid #c8c8c8; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
th { background: #efefef; }
.summary td.figure { text-align: right; }
tr.passed td.outcome { background: #d8f0d8; }
tr.failed td.outcome, tr.error td.outcome { background: #f6d2d2; }
tr.skipped td.outcome { background: #f3ecc8; }
section { border: 1px solid #c8c8c8; border-left: 6px solid #6aa86a; padding: 0.6em 1em; margin: 1.2em 0; }
section.failed, section.error { border-left-color: #c43c3c; }
section.skipped { border-left-color: #c9a92c; }
.file, .where { color: #555; }
table.trace td { font-family: "Liberation Mono", monospace; font-size: 0.85em; border: none; padding: 0 0.5em; white-space: pre-wrap; overflow-wrap: anywhere; }
table.trace td.source { color: #777; }
.failure { margin: 0.5em 0; padding: 0.4em 0.6em; background: #fbeeee; }
.failure p { margin: 0 0 0.3em 0; font-weight: bold; }
table.mismatch { table-layout: fixed; width: 100%; }
table.mismatch td { font-family: "Liberation Mono", monospace; font-size: 0.85em; white-space: pre-wrap; overflow-wrap: anywhere; background: #fff; }
h3.failed { color: #a32020; }
summary { cursor: pointer; color: #555; }
mark { background: #ffd24d; }
)";

void WriteMismatch(std::ostream& out, const Mismatch& m) {
  std::vector<std::pair<std::string, std::string>> rows;
  if (m.lines)
    rows = SideBySide(m.expected, m.got);
  else
    rows.push_back(MarkDifference(m.expected.empty() ? "" : m.expected[0], m.got.empty() ? "" : m.got[0]));
  out << "<table class=\"mismatch\"><tr><th>expected</th><th>happened</th></tr>\n";
  if (rows.empty()) out << "<tr><td>(none)</td><td>(none)</td></tr>\n";
  for (const auto& [expected, got] : rows) out << "<tr><td>" << expected << "</td><td>" << got << "</td></tr>\n";
  out << "</table>\n";
}

void WriteScenario(std::ostream& out, const ScenarioReport& r, size_t index) {
  const Outcome outcome = OutcomeOf(r);
  out << "<section id=\"s" << index << "\" class=\"" << OutcomeName(outcome) << "\">\n<h2>" << EscapeMarkup(r.error.empty() ? r.name : r.file)
      << "</h2>\n<p class=\"file\">" << EscapeMarkup(r.file) << (r.windows == machine::Windows::X64 ? " &middot; 64-bit Windows" : "")
      << "</p>\n";
  if (!r.description.empty()) out << "<p>" << EscapeMarkup(r.description) << "</p>\n";
  if (!r.error.empty()) out << "<div class=\"failure\"><p>cannot run: " << EscapeMarkup(r.error) << "</p></div>\n";
  if (r.skipped) out << "<p>skipped, " << EscapeMarkup(r.skipReason) << "</p>\n";
  // A scenario that held is folded: its steps open on a click, with no script.
  const bool folded = outcome == Outcome::Passed && !r.steps.empty();
  if (folded) out << "<details><summary>" << r.steps.size() << " step(s), all held</summary>\n";
  for (size_t i = 0; i < r.steps.size(); ++i) {
    const StepReport& step = r.steps[i];
    // A step whose expectations failed says so in its heading, before its trace.
    out << (step.failures.empty() ? "<h3>" : "<h3 class=\"failed\">") << "step " << i + 1 << ": "
        << EscapeMarkup(step.Title());
    if (step.called) out << " &rarr; " << EscapeMarkup(StatusName(step.result));
    if (!step.failures.empty()) out << " &mdash; FAILED: " << step.failures.size() << " expectation(s)";
    out << "</h3>\n";
    if (!step.trace.empty()) {
      out << "<table class=\"trace\">\n";
      for (const machine::Event& e : step.trace) {
        const std::string source = SourceName(e.source);
        out << "<tr class=\"" << source << "\"><td class=\"source\">" << (e.source == machine::Source::Step ? "" : source)
            << "</td><td>" << EscapeMarkup(Line(e)) << "</td></tr>\n";
      }
      out << "</table>\n";
    }
    for (size_t f = 0; f < step.failures.size(); ++f) {
      out << "<div class=\"failure\"><p>FAILED step " << i + 1 << " (" << EscapeMarkup(step.where) << "): ";
      const bool sideBySide = f < step.mismatches.size() && !step.mismatches[f].what.empty();
      out << EscapeMarkup(sideBySide ? step.mismatches[f].what : step.failures[f]) << "</p>\n";
      if (sideBySide) WriteMismatch(out, step.mismatches[f]);
      out << "</div>\n";
    }
  }
  if (folded) out << "</details>\n";
  if (outcome == Outcome::Passed) out << "<p>ok: " << r.checks << " expectations</p>\n";
  if (outcome == Outcome::Failed) out << "<p>FAILED: " << r.FailedChecks() << " of " << r.checks << " expectations</p>\n";
  out << "</section>\n";
}

}  // namespace

void WriteHtml(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run) {
  int passed = 0, failed = 0, skipped = 0;
  for (const ScenarioReport& r : reports) {
    const Outcome outcome = OutcomeOf(r);
    passed += outcome == Outcome::Passed;
    skipped += outcome == Outcome::Skipped;
    failed += outcome == Outcome::Failed || outcome == Outcome::Error;
  }
  const std::string counts = std::to_string(passed) + " passed, " + std::to_string(failed) + " failed, " +
                             std::to_string(skipped) + " skipped";
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>suitehost: " << counts
      << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<h1>suitehost report</h1>\n<p class=\"where\">"
      << EscapeMarkup(testkit::PlatformName()) << " &middot; scenarios: " << counts << "</p>\n";
  if (run) WriteProvenanceHtml(out, *run);
  out << "<table class=\"summary\">\n<tr><th>scenario</th><th>file</th><th>Windows</th><th>result</th>"
         "<th>expectations</th><th>seconds</th></tr>\n";
  for (size_t i = 0; i < reports.size(); ++i) {
    const ScenarioReport& r = reports[i];
    const Outcome outcome = OutcomeOf(r);
    std::string result = OutcomeName(outcome);
    if (outcome == Outcome::Failed) result = "failed: " + std::to_string(r.FailedChecks()) + " of " + std::to_string(r.checks);
    out << "<tr class=\"" << OutcomeName(outcome) << "\"><td><a href=\"#s" << i + 1 << "\">"
        << EscapeMarkup(r.error.empty() ? r.name : r.file) << "</a></td><td>" << EscapeMarkup(r.file) << "</td><td>" << machine::WindowsName(r.windows)
        << "</td><td class=\"outcome\">" << EscapeMarkup(result) << "</td><td class=\"figure\">" << r.checks
        << "</td><td class=\"figure\">" << PlainSeconds(r.seconds) << "</td></tr>\n";
  }
  out << "</table>\n";
  for (size_t i = 0; i < reports.size(); ++i) WriteScenario(out, reports[i], i + 1);
  out << "</body>\n</html>\n";
}

}  // namespace scenario

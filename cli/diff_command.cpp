// `suitehost diff`.
#include "cli/diff_command.h"

#include <iostream>
#include <optional>
#include <sstream>

#include "cli/command.h"
#include "cli/run_command.h"
#include "scenario/report.h"
#include "scenario/runner.h"
#include "scenario/scenario_diff.h"
#include "testkit/files.h"

namespace suitehost {
namespace {

using scenario::DiffPart;

struct Comparison {
  std::vector<DiffPart> machine;
  std::vector<DiffPart> actions;
  std::vector<std::string> notes;  // why the actions were not compared
  size_t Differing() const {
    size_t n = 0;
    for (const auto* parts : {&machine, &actions})
      for (const DiffPart& part : *parts) n += part.diff.empty() ? 0 : 1;
    return n;
  }
  std::string Verdict() const {
    const size_t differing = Differing();
    return differing == 0 ? "the same" : "they differ in " + std::to_string(differing) + " part(s)";
  }
};

// What the actions did on one scenario's machine; nullopt, with the reason, when it cannot run here.
std::optional<scenario::ScenarioReport> Run(const scenario::Scenario& s, const std::string& libraryFolder,
                                            std::string* why) {
  if (const scenario::Result<> checks = scenario::ChecksSomething(s); !checks) {
    *why = checks.error();
    return std::nullopt;
  }
  scenario::Runner runner(libraryFolder);
  if (const scenario::Result<> prepared = runner.Prepare(s); !prepared) {
    *why = prepared.error();
    return std::nullopt;
  }
  std::vector<scenario::ScenarioReport> reports = runner.RunAll();
  if (!reports[0].error.empty()) *why = s.file + " cannot run: " + reports[0].error;
  if (reports[0].skipped) *why = s.file + " is not run here: " + reports[0].skipReason;
  if (!why->empty()) return std::nullopt;
  return std::move(reports[0]);
}

void WriteParts(std::ostream& out, const char* heading, const std::vector<DiffPart>& parts) {
  out << heading << ":\n";
  std::string same;
  for (const DiffPart& part : parts) {
    if (part.diff.empty()) {
      same += (same.empty() ? "" : ", ") + part.title;
      continue;
    }
    out << "  " << part.title << ":\n";
    for (const std::string& line : part.diff) out << "      " << line << "\n";
  }
  if (!same.empty()) out << "  the same: " << same << "\n";
}

void WriteComparison(std::ostream& out, const DiffOptions& o, const Comparison& c) {
  out << "suitehost diff: - " << o.first << ", + " << o.second << "\n";
  WriteParts(out, "the machines", c.machine);
  if (!c.actions.empty()) WriteParts(out, "what the actions did", c.actions);
  for (const std::string& note : c.notes) out << "note: the actions were not compared: " << note << "\n";
  out << c.Verdict() << "\n";
}

void WritePageParts(std::ostream& out, const char* heading, const std::vector<DiffPart>& parts) {
  out << "<h2>" << heading << "</h2>\n";
  for (const DiffPart& part : parts) {
    out << "<h3" << (part.diff.empty() ? "" : " class=\"differs\"") << ">" << scenario::EscapeMarkup(part.title)
        << (part.diff.empty() ? ": the same" : "") << "</h3>\n";
    if (part.diff.empty()) continue;
    out << "<pre>";
    for (const std::string& line : part.diff) {
      const char* kind =
          line.rfind("@@", 0) == 0 ? "hunk" : line[0] == '-' ? "first" : line[0] == '+' ? "second" : "both";
      out << "<span class=\"" << kind << "\">" << scenario::EscapeMarkup(line) << "</span>\n";
    }
    out << "</pre>\n";
  }
}

// The comparison as one page that holds everything it shows: no scripts, nothing loaded.
std::string Page(const DiffOptions& o, const Comparison& c) {
  std::ostringstream out;
  const std::string title = "suitehost: diff " + o.first + " " + o.second;
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
      << scenario::EscapeMarkup(title) << "</title>\n<style>\n"
      << "body { font-family: \"Liberation Sans\", Arial, sans-serif; margin: 1.5em; }\n"
      << "pre { font-family: \"Liberation Mono\", monospace; white-space: pre-wrap; overflow-wrap: anywhere; }\n"
      << "span.first { background: #f6d2d2; } span.second { background: #d8f0d8; } span.hunk { color: #777; }\n"
      << "h3.differs { color: #a32020; }\n</style>\n</head>\n<body>\n<h1>" << scenario::EscapeMarkup(title)
      << "</h1>\n<p>- " << scenario::EscapeMarkup(o.first) << "<br>+ " << scenario::EscapeMarkup(o.second) << "</p>\n";
  WritePageParts(out, "the machines", c.machine);
  if (!c.actions.empty()) WritePageParts(out, "what the actions did", c.actions);
  for (const std::string& note : c.notes)
    out << "<p>note: the actions were not compared: " << scenario::EscapeMarkup(note) << "</p>\n";
  out << "<p><strong>" << c.Verdict() << "</strong></p>\n</body>\n</html>\n";
  return out.str();
}

}  // namespace

int Diff(const DiffOptions& o, const std::string& libraryFolder) {
  if (scenario::Result<> fit = CheckReportFile("--html", o.html, {o.first, o.second}); !fit) return Refuse(fit.error());
  const scenario::Result<scenario::Scenario> a = scenario::LoadScenario(o.first);
  if (!a) return Refuse(a.error());
  const scenario::Result<scenario::Scenario> b = scenario::LoadScenario(o.second);
  if (!b) return Refuse(b.error());
  Comparison c;
  c.machine = scenario::MachineDiff(*a, *b);
  std::string whyA, whyB;
  const std::optional<scenario::ScenarioReport> ranA = Run(*a, libraryFolder, &whyA);
  const std::optional<scenario::ScenarioReport> ranB = Run(*b, libraryFolder, &whyB);
  if (ranA && ranB) c.actions = scenario::ActionDiff(*ranA, *ranB);
  for (const std::string* why : {&whyA, &whyB})
    if (!why->empty()) c.notes.push_back(*why);
  WriteComparison(std::cout, o, c);
  if (!o.html.empty())
    if (scenario::Result<> written = testkit::WriteWholeFile(o.html, Page(o, c)); !written)
      return Refuse("--html " + written.error());
  return c.Differing() == 0 ? kAllHeld : kExpectationFailed;
}

}  // namespace suitehost

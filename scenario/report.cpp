// The reports of a run: text for a person, JSON, and JUnit XML for CI.
#include "scenario/report.h"

#include <nlohmann/json.hpp>

#include "scenario/status.h"

namespace scenario {
namespace {

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // XML 1.0 has no place for most control characters.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r')
          out += "?";
        else
          out += c;
    }
  }
  return out;
}

int Failed(const std::vector<ScenarioReport>& reports) {
  int failed = 0;
  for (const ScenarioReport& r : reports) failed += r.Passed() ? 0 : 1;
  return failed;
}

size_t FailedChecks(const ScenarioReport& r) {
  size_t failed = 0;
  for (const StepReport& step : r.steps) failed += step.failures.size();
  return failed;
}

int Skipped(const std::vector<ScenarioReport>& reports) {
  int skipped = 0;
  for (const ScenarioReport& r : reports) skipped += r.skipped ? 1 : 0;
  return skipped;
}

}  // namespace

void WriteText(std::ostream& out, const std::vector<ScenarioReport>& reports, bool quiet) {
  int checks = 0;
  for (const ScenarioReport& r : reports) {
    checks += r.checks;
    if (r.skipped) {
      out << "scenario " << r.name << " (" << r.file << ")\n  skipped, runs natively only: " << r.nativeOnly
          << "\n\n";
      continue;
    }
    if (quiet && r.Passed()) continue;
    out << "scenario " << r.name << " (" << r.file << ")\n";
    if (!r.description.empty()) out << "  " << r.description << "\n";
    for (size_t i = 0; i < r.steps.size(); ++i) {
      const StepReport& step = r.steps[i];
      out << "  step " << i + 1 << ": " << step.title;
      if (step.called) out << " -> " << StatusName(step.result);
      out << "\n";
      if (!quiet)
        for (const std::string& line : step.trace) out << "      " << line << "\n";
      for (const std::string& failure : step.failures)
        out << "  FAILED step " << i + 1 << " (" << step.where << "): " << failure << "\n";
    }
    if (r.Passed())
      out << "  ok: " << r.checks << " expectations\n\n";
    else
      out << "  FAILED: " << FailedChecks(r) << " of " << r.checks << " expectations\n\n";
  }
  const int failed = Failed(reports), skipped = Skipped(reports);
  out << "expectations checked: " << checks << "\n";
  // The closing line has the plain "N passed, N failed, N skipped" form that CI systems read.
  out << "scenarios: " << static_cast<int>(reports.size()) - failed - skipped << " passed, " << failed
      << " failed, " << skipped << " skipped\n";
}

void WriteJson(std::ostream& out, const std::vector<ScenarioReport>& reports) {
  nlohmann::ordered_json all = nlohmann::ordered_json::object();
  all["scenarios"] = nlohmann::ordered_json::array();
  for (const ScenarioReport& r : reports) {
    nlohmann::ordered_json j;
    j["file"] = r.file;
    j["name"] = r.name;
    j["description"] = r.description;
    j["passed"] = r.Passed() && !r.skipped;
    if (r.skipped) j["skipped"] = r.nativeOnly;
    j["expectations"] = r.checks;
    j["seconds"] = r.seconds;
    j["steps"] = nlohmann::ordered_json::array();
    for (const StepReport& step : r.steps) {
      nlohmann::ordered_json js;
      js["step"] = step.title;
      js["where"] = step.where;
      if (step.called) {
        js["result"] = StatusName(step.result).substr(0, 10);
        js["resultName"] = StatusName(step.result).size() > 11 ? StatusName(step.result).substr(11) : "";
      }
      js["trace"] = step.trace;
      js["failures"] = step.failures;
      j["steps"].push_back(js);
    }
    all["scenarios"].push_back(j);
  }
  all["passed"] = static_cast<int>(reports.size()) - Failed(reports) - Skipped(reports);
  all["failed"] = Failed(reports);
  all["skipped"] = Skipped(reports);
  out << all.dump(2) << "\n";
}

void WriteJunit(std::ostream& out, const std::vector<ScenarioReport>& reports) {
  double seconds = 0;
  for (const ScenarioReport& r : reports) seconds += r.seconds;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<testsuites tests=\"" << reports.size() << "\" failures=\"" << Failed(reports) << "\">\n";
  out << "  <testsuite name=\"suitehost\" tests=\"" << reports.size() << "\" failures=\"" << Failed(reports)
      << "\" errors=\"0\" skipped=\"" << Skipped(reports) << "\" time=\"" << seconds << "\">\n";
  for (const ScenarioReport& r : reports) {
    out << "    <testcase classname=\"" << XmlEscape(r.file) << "\" name=\"" << XmlEscape(r.name) << "\" time=\""
        << r.seconds << "\"";
    if (r.skipped) {
      out << ">\n      <skipped message=\"" << XmlEscape("runs natively only: " + r.nativeOnly) << "\"/>\n    </testcase>\n";
      continue;
    }
    if (r.Passed()) {
      out << "/>\n";
      continue;
    }
    out << ">\n";
    for (size_t i = 0; i < r.steps.size(); ++i)
      for (const std::string& failure : r.steps[i].failures)
        out << "      <failure message=\"" << XmlEscape("step " + std::to_string(i + 1) + ": " + failure.substr(0, failure.find('\n')))
            << "\">" << XmlEscape(r.steps[i].where + ": " + failure) << "</failure>\n";
    out << "    </testcase>\n";
  }
  out << "  </testsuite>\n</testsuites>\n";
}

}  // namespace scenario

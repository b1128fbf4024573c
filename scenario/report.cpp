// The reports of a run: text for a person, JSON, and JUnit XML for CI.
#include "scenario/report.h"

#include <cstdio>
#include <sstream>
#include <nlohmann/json.hpp>

#include "machine/win32_names.h"
#include "platform/platform.h"
#include "scenario/event_text.h"
#include "scenario/list_diff.h"
#include "scenario/status.h"
#include "scenario/trace.h"
#include "testkit/files.h"
#include "testkit/machine.h"
#include "testkit/utf_text.h"

namespace scenario {

std::string EscapeMarkup(const std::string& text) {
  static const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      switch (lead) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
          // XML 1.0 has no place for most control characters.
          if (lead < 0x20 && lead != '\n' && lead != '\t' && lead != '\r')
            out += kReplacement;
          else
            out += static_cast<char>(lead);
      }
      ++i;
      continue;
    }
    // A character of UTF-8 that XML holds is kept; bytes that are not UTF-8, a surrogate and
    // U+FFFE and U+FFFF (no characters of XML) become U+FFFD.
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    unsigned long code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    bool valid = length != 0 && i + length <= text.size() && lead < 0xF5;
    for (size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3Fu);
    }
    const unsigned long least = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
    valid = valid && code >= least && code <= 0x10FFFF;
    const bool held = valid && !(code >= 0xD800 && code <= 0xDFFF) && code != 0xFFFE && code != 0xFFFF;
    if (held)
      out.append(text, i, length);
    else
      out += kReplacement;
    i += valid ? length : 1;  // a character XML does not hold is one U+FFFD; a byte that is not UTF-8 one each
  }
  return out;
}

namespace {

using Json = nlohmann::ordered_json;

int Failed(const std::vector<ScenarioReport>& reports) {
  int failed = 0;
  for (const ScenarioReport& r : reports) failed += r.Passed() || !r.error.empty() ? 0 : 1;
  return failed;
}

int Errors(const std::vector<ScenarioReport>& reports) {
  int errors = 0;
  for (const ScenarioReport& r : reports) errors += r.error.empty() ? 0 : 1;
  return errors;
}

int Skipped(const std::vector<ScenarioReport>& reports) {
  int skipped = 0;
  for (const ScenarioReport& r : reports) skipped += r.skipped ? 1 : 0;
  return skipped;
}


// A failure as the text and JUnit reports give it: a list that differs as a unified diff, only
// the differing entries marked; any other as its sentence.
std::string FailureText(const StepReport& step, size_t failure) {
  if (failure >= step.mismatches.size() || !step.mismatches[failure].lines) return step.failures[failure];
  const Mismatch& m = step.mismatches[failure];
  std::string text = m.what + ": expected (-) against what happened (+):";
  for (const std::string& line : UnifiedDiff(m.expected, m.got)) text += "\n      " + line;
  return text;
}

void WriteSteps(std::ostream& out, const ScenarioReport& r, bool quiet) {
  for (size_t i = 0; i < r.steps.size(); ++i) {
    const StepReport& step = r.steps[i];
    out << "  step " << i + 1 << ": " << step.Title();
    if (step.called) out << " -> " << StatusName(step.result);
    out << "\n";
    // Calls on the engine and what happened on the machine are told apart by their first word.
    if (!quiet)
      for (const machine::Event& e : step.trace)
        out << "      " << (e.source == machine::Source::Step ? "" : e.source == machine::Source::Engine ? "host    " : "machine ")
            << Line(e) << "\n";
    for (size_t f = 0; f < step.failures.size(); ++f)
      out << "  FAILED step " << i + 1 << " (" << step.where << "): " << FailureText(step, f) << "\n";
  }
}

// The folder that all the files of a run lie in, with its last separator; empty when none is
// common to them all.
std::string CommonFolder(const std::vector<ScenarioReport>& reports) {
  if (reports.empty()) return "";
  std::string common = reports.front().file.substr(0, reports.front().file.find_last_of("/\\") + 1);
  for (const ScenarioReport& r : reports) {
    size_t same = 0;
    while (same < common.size() && same < r.file.size() && common[same] == r.file[same]) ++same;
    common.resize(same);
  }
  return common.substr(0, common.find_last_of("/\\") + 1);
}

// "suitehost.native-x64.typical-road": where it ran, the Windows of the scenario's machine and the
// file's path below the run's common folder, its folders joined by dots, dots and blanks in names
// as dashes: unique for every file of a run.
std::string ClassName(const std::string& platform, const ScenarioReport& r, const std::string& common) {
  std::string path = r.file.substr(common.size());
  if (path.size() > 5 && path.compare(path.size() - 5, 5, ".json") == 0) path.resize(path.size() - 5);
  std::string out = "suitehost." + platform.substr(0, platform.find(' ')) + "-" + machine::WindowsName(r.windows) + ".";
  for (char c : path) out += c == '/' || c == '\\' ? '.' : c == '.' || c == ' ' ? '-' : c;
  for (char& c : out) c = c == ' ' ? '-' : c;
  return out;
}

// The scenario's name, with its file's path where another scenario of the run has the same name.
std::string TestName(const std::vector<ScenarioReport>& reports, const ScenarioReport& r, const std::string& common) {
  for (const ScenarioReport& other : reports)
    if (&other != &r && other.name == r.name) return r.name + " (" + r.file.substr(common.size()) + ")";
  return r.name;
}

// One failure for a scenario that did not hold: its message counts the failed expectations, its
// body lists them all, each with its step as the text report numbers it.
void WriteFailure(std::ostream& out, const ScenarioReport& r) {
  std::string body;
  for (size_t i = 0; i < r.steps.size(); ++i)
    for (size_t f = 0; f < r.steps[i].failures.size(); ++f)
      body += "step " + std::to_string(i + 1) + " (" + r.steps[i].where + "): " + FailureText(r.steps[i], f) + "\n";
  if (body.empty()) return;
  const size_t failed = r.FailedChecks();
  out << "      <failure message=\""
      << EscapeMarkup(std::to_string(failed) + " of " + std::to_string(r.checks) + " expectations failed") << "\">"
      << EscapeMarkup(body) << "</failure>\n";
}

// Registry data as typed data: its type's name, and its text (with whether it ends in a
// terminator), its number, or its bytes in hex.
Json DataJson(const testkit::RegValue& value) {
  Json j{{"type", machine::names::ValueType(value.type)}, {"bytes", value.data.size()}};
  if (const std::optional<RegText> text = TextOf(value)) {
    j["text"] = testkit::ToUtf8(text->text);
    j["terminated"] = text->terminated;
    return j;
  }
  if (const std::optional<std::uint64_t> number = NumberOf(value)) {
    j["number"] = *number;
    return j;
  }
  j["hex"] = HexText(value.data.data(), value.data.size());
  return j;
}

Json EntryJson(const machine::Event& e) {
  const EventText text = Render(e);
  Json j{{"source", SourceName(e.source)}, {"kind", KindName(e.kind)}};
  if (!e.key.empty()) j["key"] = testkit::ToUtf8(e.key);
  if (!e.landed.empty()) j["landed"] = testkit::ToUtf8(e.landed);
  j["name"] = text.name;
  j["value"] = text.value ? Json(*text.value) : Json();
  if (e.data) j["data"] = DataJson(*e.data);
  if (!text.detail.empty()) j["detail"] = text.detail;
  if (!text.status.empty()) j["status"] = text.status;
  if (text.code) j["code"] = *text.code;
  j["line"] = text.line;
  return j;
}

// A failure as data: where the file holds the expectation, what it expected and what happened
// (a list of lines for a list, else one text, as the text report shows them), and its sentence.
Json FailureJson(const StepReport& step, size_t failure) {
  Json j = Json::object();
  if (failure < step.mismatches.size()) {
    const Mismatch& m = step.mismatches[failure];
    j["path"] = m.path.empty() ? step.where : m.path;
    if (!m.what.empty()) {
      j["what"] = m.what;
      j["expected"] = m.lines ? Json(m.expected) : Json(m.expected.empty() ? "" : m.expected[0]);
      j["actual"] = m.lines ? Json(m.got) : Json(m.got.empty() ? "" : m.got[0]);
    }
  } else {
    j["path"] = step.where;
  }
  j["message"] = step.failures[failure];
  return j;
}

Json StepJson(const StepReport& step) {
  Json js{{"step", step.Title()}, {"where", step.where}};
  if (step.called) {
    js["result"] = StatusName(step.result).substr(0, 10);
    js["resultName"] = StatusName(step.result).size() > 11 ? StatusName(step.result).substr(11) : "";
  }
  js["trace"] = Json::array();
  for (const machine::Event& e : step.trace) js["trace"].push_back(EntryJson(e));
  js["failures"] = Json::array();
  for (size_t f = 0; f < step.failures.size(); ++f) js["failures"].push_back(FailureJson(step, f));
  return js;
}

}  // namespace

void WriteText(std::ostream& out, const std::vector<ScenarioReport>& reports, bool quiet, const Provenance* run) {
  if (run) WriteProvenanceText(out, *run);
  int checks = 0;
  for (const ScenarioReport& r : reports) {
    checks += r.checks;
    if (!r.error.empty()) {
      out << "scenario " << r.file << "\n  ERROR, cannot run: " << r.error << "\n\n";
      continue;
    }
    if (r.skipped) {
      out << "scenario " << r.name << " (" << r.file << ")\n  skipped, " << r.skipReason << "\n\n";
      continue;
    }
    if (quiet && r.Passed()) continue;
    out << "scenario " << r.name << " (" << r.file << ")\n";
    if (r.windows == machine::Windows::X64) out << "  on 64-bit Windows: the libraries see the registry's 32-bit view\n";
    if (!r.description.empty()) out << "  " << r.description << "\n";
    for (const std::string& note : r.notes) out << "  note: " << note << "\n";
    WriteSteps(out, r, quiet);
    // A call from the command line checks only what always holds: its count says nothing.
    if (r.Passed())
      out << (r.fromCommandLine ? std::string("  ok\n\n") : "  ok: " + std::to_string(r.checks) + " expectations\n\n");
    else
      out << "  FAILED: " << r.FailedChecks() << " of " << r.checks << " expectations\n\n";
  }
  const int failed = Failed(reports) + Errors(reports), skipped = Skipped(reports);
  const bool onlyCalls = !reports.empty() && reports.front().fromCommandLine;
  if (!onlyCalls) out << "expectations checked: " << checks << "\n";
  // The closing line has the plain "N passed, N failed, N skipped" form that CI systems read; a
  // file that cannot run counts as failed.
  out << "scenarios: " << static_cast<int>(reports.size()) - failed - skipped << " passed, " << failed << " failed, "
      << skipped << " skipped\n";
}

void WriteJson(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run) {
  Json all{{"format", 3}, {"platform", testkit::PlatformName()}};
  if (run) all["run"] = ProvenanceJson(*run);
  all["scenarios"] = Json::array();
  for (const ScenarioReport& r : reports) {
    Json j{{"file", r.file}, {"name", r.name}, {"description", r.description}, {"windows", machine::WindowsName(r.windows)}};
    j["passed"] = r.Passed() && !r.skipped;
    if (r.skipped) j["skipped"] = r.skipReason;
    if (!r.error.empty()) j["error"] = r.error;
    if (!r.notes.empty()) j["notes"] = r.notes;
    j["expectations"] = r.checks;
    if (r.fromCommandLine) {
      // What a call from the command line leaves: every property after it, as the text report shows.
      Json properties = Json::object();
      for (const auto& [name, text] : r.finalProperties) properties[name] = text;
      j["propertiesAfter"] = properties;
    }
    j["seconds"] = r.seconds;
    j["steps"] = Json::array();
    for (const StepReport& step : r.steps) j["steps"].push_back(StepJson(step));
    all["scenarios"].push_back(j);
  }
  all["passed"] = static_cast<int>(reports.size()) - Failed(reports) - Errors(reports) - Skipped(reports);
  all["failed"] = Failed(reports);
  all["errors"] = Errors(reports);
  all["skipped"] = Skipped(reports);
  // Texts of the actions may hold unpaired surrogates: they show as U+FFFD rather than stop the report.
  out << all.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void WriteJunit(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run) {
  const std::string platform = testkit::PlatformName();
  double seconds = 0;
  for (const ScenarioReport& r : reports) seconds += r.seconds;
  const std::string counts = "tests=\"" + std::to_string(reports.size()) + "\" failures=\"" +
                             std::to_string(Failed(reports)) + "\" errors=\"" + std::to_string(Errors(reports)) + "\"";
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<testsuites " << counts << " time=\"" << PlainSeconds(seconds) << "\">\n";
  out << "  <testsuite name=\"suitehost " << EscapeMarkup(platform) << "\" " << counts << " skipped=\"" << Skipped(reports)
      << "\" time=\"" << PlainSeconds(seconds) << "\">\n";
  if (run) WriteProvenanceProperties(out, *run);
  const std::string common = CommonFolder(reports);
  for (const ScenarioReport& r : reports) {
    out << "    <testcase classname=\"" << EscapeMarkup(ClassName(platform, r, common)) << "\" name=\""
        << EscapeMarkup(TestName(reports, r, common)) << "\" time=\"" << PlainSeconds(r.seconds) << "\">\n";
    if (!r.error.empty()) out << "      <error message=\"" << EscapeMarkup(r.error) << "\"/>\n";
    if (r.skipped) out << "      <skipped message=\"" << EscapeMarkup(r.skipReason) << "\"/>\n";
    WriteFailure(out, r);
    std::ostringstream trace;
    WriteSteps(trace, r, false);
    if (!trace.str().empty()) out << "      <system-out>" << EscapeMarkup(trace.str()) << "</system-out>\n";
    out << "    </testcase>\n";
  }
  out << "  </testsuite>\n</testsuites>\n";
}

}  // namespace scenario

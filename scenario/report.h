// What a run tells: a trace for a person, the same as JSON, a JUnit report for CI, and a page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenario/provenance.h"
#include "scenario/scenario_report.h"

namespace scenario {

// Text for XML and HTML, in elements and double-quoted attributes: markup characters escaped; what
// XML 1.0 cannot hold (most control characters, U+FFFE, U+FFFF, surrogates, bytes that are not
// UTF-8) as U+FFFD, so that the report stays well-formed whatever a file or value held.
std::string EscapeMarkup(const std::string& text);

// Each report tells at its head what was tested, where `run` is given (suitehost always gives it).
void WriteText(std::ostream& out, const std::vector<ScenarioReport>& reports, bool quiet,
               const Provenance* run = nullptr);
void WriteJson(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run = nullptr);
void WriteJunit(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run = nullptr);
// One page for a browser that holds everything it shows: no scripts, nothing loaded.
void WriteHtml(std::ostream& out, const std::vector<ScenarioReport>& reports, const Provenance* run = nullptr);

}  // namespace scenario

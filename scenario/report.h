// What a run tells: a trace for a person, the same as JSON, a JUnit report for CI, and a page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenario/scenario_report.h"

namespace scenario {

// Text for XML and HTML, in elements and double-quoted attributes: markup characters escaped; what
// XML 1.0 cannot hold (most control characters, U+FFFE, U+FFFF, surrogates, bytes that are not
// UTF-8) as U+FFFD, so that the report stays well-formed whatever a file or value held.
std::string EscapeMarkup(const std::string& text);

void WriteText(std::ostream& out, const std::vector<ScenarioReport>& reports, bool quiet);
void WriteJson(std::ostream& out, const std::vector<ScenarioReport>& reports);
void WriteJunit(std::ostream& out, const std::vector<ScenarioReport>& reports);
// One page for a browser that holds everything it shows: no scripts, nothing loaded.
void WriteHtml(std::ostream& out, const std::vector<ScenarioReport>& reports);

}  // namespace scenario

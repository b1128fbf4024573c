// Events in words: the one place that makes the lines of a trace and the fields of the JSON
// report from the journal's events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "machine/journal.h"
#include "scenario/trace.h"

namespace scenario {

// "host" for the engine, "machine" for the system, "step" for the scenario's own doing.
const char* SourceName(machine::Source source);
// "open key", "read", "registry change", "set", ...
const char* KindName(machine::EventKind kind);

// An event's fields as the reports give them.
struct EventText {
  std::string name;                  // the property, text, registry value, or program it names
  std::optional<std::string> value;  // what was read, written, resolved or stored; none for null
  std::string detail;                // rights, sizes, flags, a working folder
  std::string status;                // the status it returned, where it has one
  // The figure behind a call on the system's status; an engine call's status is its text alone.
  std::optional<std::int64_t> code;
  std::string line;                  // the whole line a person reads
};
EventText Render(const machine::Event& e);
// The line of a trace, long texts cut; `Length::Whole` gives an engine call's texts in full, as
// scenario files list the host calls they expect.
std::string Line(const machine::Event& e, Length length = Length::Line);

}  // namespace scenario

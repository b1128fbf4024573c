// Checking a step's expectations.
#include "scenario/checks.h"

#include "scenario/event_text.h"
#include "scenario/status.h"
#include "scenario/trace.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::Quoted;
using testkit::ToUtf8;

template <class T, class Describe>
std::vector<std::string> Lines(const std::vector<T>& items, Describe describe) {
  std::vector<std::string> lines;
  for (const T& item : items) lines.push_back(describe(item));
  return lines;
}

std::string Write(const std::pair<std::u16string, std::u16string>& write) {
  return ToUtf8(write.first) + " = " + Quoted(write.second);
}

// The lines of the events from one source, as the scenario file lists the calls it expects.
std::vector<std::string> LinesFrom(const std::vector<machine::Event>& events, machine::Source source, Length length) {
  std::vector<std::string> lines;
  for (const machine::Event& e : events)
    if (e.source == source) lines.push_back(Line(e, length));
  return lines;
}

// A name as one step of a JSON pointer: "~" and "/" escaped as "~0" and "~1".
std::string PointerStep(const std::string& name) {
  std::string out;
  for (char c : name) out += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return out;
}

void CheckLines(const std::vector<std::string>& want, const std::vector<std::string>& got, const char* field,
                const std::string& what, Checker& check) {
  check.CompareLines(check.At(field), what, want, got);
}

void CheckRegistry(const RegistryExpectation& r, const testkit::RegistryState& state, Checker& check) {
  auto key = state.find(r.key);
  const bool keyThere = key != state.end();
  if (r.wholeKey) {
    check.Check(keyThere == r.value.has_value(), r.where, r.where + ": key " + ShowKey(r.key) + " expected " +
                                                     (r.value ? "to exist" : "absent") + ", it " +
                                                     (keyThere ? "exists" : "does not exist"));
    return;
  }
  const RegValue* actual = nullptr;
  if (keyThere) {
    auto value = key->second.find(r.name);
    if (value != key->second.end()) actual = &value->second;
  }
  const std::string got = actual ? DescribeValue(*actual) : "<absent>";
  const std::string want = r.value ? DescribeValue(*r.value) : "<absent>";
  check.Compare(actual ? (r.value && *actual == *r.value) : !r.value.has_value(), r.where,
                "registry " + ShowKey(r.key) + " " + ShowValueName(r.name), want, got);
}

}  // namespace

void Checker::CompareLines(const std::string& path, const std::string& what, const std::vector<std::string>& expected,
                           const std::vector<std::string>& got) {
  Check(expected == got, what + ": expected" + Join(expected) + "\n    got" + Join(got),
        Mismatch{path, what, expected, got, true});
}

void CheckState(const Expectations& e, const testkit::TestEngine& engine, const testkit::ScenarioMachine& machine,
                Checker& check) {
  for (const auto& [name, expected] : e.properties) {
    const auto actual = engine.Property(name);
    check.Compare(actual == expected, check.At("properties/" + PointerStep(ToUtf8(name))), "property " + ToUtf8(name),
                  Show(expected), Show(actual));
  }
  if (e.registry.empty()) return;
  const testkit::RegistryState state = machine.Registry();
  for (const RegistryExpectation& r : e.registry) CheckRegistry(r, state, check);
}

void CheckCall(const Expectations& e, const CallOutcome& outcome, Checker& check) {
  using machine::Source;
  if (e.result)
    check.Compare(outcome.result == *e.result, check.At("result"), "result", StatusName(*e.result),
                  StatusName(outcome.result));
  if (e.writes)
    CheckLines(Lines(*e.writes, Write), Lines(testkit::WritesIn(outcome.events), Write), "writes", "writes", check);
  if (e.calls)
    CheckLines(*e.calls, LinesFrom(outcome.events, Source::Engine, Length::Whole), "calls", "host calls", check);
  if (e.machine)
    CheckLines(*e.machine, LinesFrom(outcome.events, Source::System, Length::Line), "machine", "machine calls", check);
  if (e.programs)
    CheckLines(Lines(*e.programs, DescribeStart), Lines(outcome.starts, DescribeStart), "programs", "programs started",
               check);
  if (e.messages)
    CheckLines(Lines(*e.messages, DescribeMessage), Lines(outcome.messages, DescribeMessage), "messages",
               "message boxes", check);
  if (e.restart)
    check.Compare(outcome.restarted == *e.restart, check.At("restart"), "restart", *e.restart ? "a request" : "none",
                  outcome.restarted ? "a request" : "none");
}

}  // namespace scenario

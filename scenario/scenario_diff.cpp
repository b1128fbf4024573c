// The comparison of two scenarios: each part as lines, the lines as a unified diff.
#include "scenario/scenario_diff.h"

#include <algorithm>

#include "machine/win32_names.h"
#include "scenario/event_text.h"
#include "scenario/list_diff.h"
#include "scenario/reg_export.h"
#include "scenario/status.h"
#include "scenario/trace.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using Lines = std::vector<std::string>;
using testkit::Quoted;
using testkit::ToUtf8;

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Every key with a line of its own, so that a key without values shows too, then its values.
Lines RegistryLines(const MachineSetUp& m) {
  Lines lines;
  for (const auto& [key, values] : FoldRegistry(m.registry)) {
    lines.push_back(ShowKey(key));
    for (const auto& [name, value] : values) lines.push_back(ShowKey(key) + " " + ShowValueName(name) + " = " + DescribeValue(value));
  }
  return lines;
}

Lines RefusalLines(const MachineSetUp& m) {
  Lines lines;
  for (const auto& [key, mask] : m.denied) lines.push_back(ShowKey(key) + " refuses " + machine::names::KeyRights(mask));
  return Sorted(lines);
}

Lines VolumeLines(const MachineSetUp& m) {
  Lines lines;
  for (const auto& [root, volume] : m.volumes)
    lines.push_back(Quoted(root) + (volume.fails ? " cannot be asked" : " free " + std::to_string(volume.callerFreeBytes) + " bytes"));
  return Sorted(lines);
}

Lines FileLines(const MachineSetUp& m) {
  Lines lines;
  for (const auto& [path, readable] : m.files) lines.push_back(Quoted(path) + (readable ? " readable" : " not readable"));
  return Sorted(lines);
}

Lines AnswerLines(const MachineSetUp& m) {
  Lines lines;
  for (size_t i = 0; i < m.messageAnswers.size(); ++i)
    lines.push_back("box " + std::to_string(i + 1) + ": " + machine::names::MessageAnswer(m.messageAnswers[i]));
  return lines;
}

// What else the machine answers: the Windows folder, the clock, the shutdown privilege.
Lines OtherLines(const MachineSetUp& m) {
  Lines lines;
  lines.push_back("Windows folder " + (m.windowsFolder ? Quoted(*m.windowsFolder) : std::string("the machine's own")));
  lines.push_back("clock " + (m.clock ? ClockText(*m.clock) : std::string("the machine's own")));
  lines.push_back(std::string("shutdown privilege lookup ") + (m.privilegeLookupWorks ? "works" : "fails"));
  lines.push_back("shutdown privilege adjustment error " + std::to_string(m.privilegeAdjustError));
  return lines;
}

// Names with their texts (a property, a variable), a name without one as <unset>.
Lines NamedLines(const TextTable& table) {
  Lines lines;
  for (const auto& [name, value] : table) lines.push_back(ToUtf8(name) + " = " + Show(value));
  return Sorted(lines);
}

bool DoneKind(machine::EventKind kind) {
  using machine::EventKind;
  switch (kind) {
    case EventKind::WriteProperty:
    case EventKind::KeyAdded:
    case EventKind::ValueStored:
    case EventKind::ValueDeleted:
    case EventKind::KeyDeleted:
    case EventKind::Start:
    case EventKind::BoxShown:
    case EventKind::Restart:
    case EventKind::SetProperty: return true;
    default: return false;
  }
}

}  // namespace

std::vector<DiffPart> MachineDiff(const Scenario& a, const Scenario& b) {
  const MachineSetUp& x = a.machine;
  const MachineSetUp& y = b.machine;
  const auto part = [](const char* title, const Lines& first, const Lines& second) {
    return DiffPart{title, UnifiedDiff(first, second)};
  };
  return {
      part("Windows", {std::string("Windows ") + machine::WindowsName(x.windows)},
           {std::string("Windows ") + machine::WindowsName(y.windows)}),
      part("registry", RegistryLines(x), RegistryLines(y)),
      part("refused rights", RefusalLines(x), RefusalLines(y)),
      part("volumes", VolumeLines(x), VolumeLines(y)),
      part("files", FileLines(x), FileLines(y)),
      part("environment", NamedLines(x.environment), NamedLines(y.environment)),
      part("message box answers", AnswerLines(x), AnswerLines(y)),
      part("what else the machine answers", OtherLines(x), OtherLines(y)),
      part("the engine's properties", NamedLines(a.engine.properties), NamedLines(b.engine.properties)),
  };
}

Lines DoneIn(const StepReport& step) {
  Lines lines;
  if (step.called) lines.push_back("result " + StatusName(step.result));
  for (const machine::Event& e : step.trace)
    if (DoneKind(e.kind)) lines.push_back(Line(e, Length::Whole));
  return lines;
}

std::vector<DiffPart> ActionDiff(const ScenarioReport& a, const ScenarioReport& b) {
  std::vector<DiffPart> parts;
  const size_t both = std::min(a.steps.size(), b.steps.size());
  for (size_t i = 0; i < both; ++i) {
    const std::string title = a.steps[i].Title() == b.steps[i].Title()
                                  ? a.steps[i].Title()
                                  : a.steps[i].Title() + " against " + b.steps[i].Title();
    parts.push_back(DiffPart{"step " + std::to_string(i + 1) + ": " + title,
                             UnifiedDiff(DoneIn(a.steps[i]), DoneIn(b.steps[i]))});
    if (a.steps[i].Title() != b.steps[i].Title() && parts.back().diff.empty())
      parts.back().diff = {"-" + a.steps[i].Title(), "+" + b.steps[i].Title()};
  }
  Lines onlyA, onlyB;
  for (size_t i = both; i < a.steps.size(); ++i) onlyA.push_back("step " + std::to_string(i + 1) + ": " + a.steps[i].Title());
  for (size_t i = both; i < b.steps.size(); ++i) onlyB.push_back("step " + std::to_string(i + 1) + ": " + b.steps[i].Title());
  if (!onlyA.empty() || !onlyB.empty()) parts.push_back(DiffPart{"steps only one has", UnifiedDiff(onlyA, onlyB)});
  return parts;
}

}  // namespace scenario

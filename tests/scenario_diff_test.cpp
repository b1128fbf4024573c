// What `suitehost diff` sets against each other: every part of a machine on its own, and what the
// actions did step by step.
#include <gtest/gtest.h>

#include <functional>

#include "scenario/scenario_diff.h"

namespace {

using scenario::DiffPart;

scenario::Scenario Base() {
  scenario::Scenario s;
  s.machine.registry.push_back({testkit::RegistryChange::Kind::SetValue, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor",
                                u"Version", machine::RegValue{1, {'3', 0, 0, 0}}});
  s.machine.volumes.push_back({u"C:\\", machine::Volume{1000, false}});
  s.machine.files.emplace_back(u"C:\\t.exe", true);
  s.machine.environment.emplace_back(u"TEMP", u"C:\\Temp");
  s.machine.messageAnswers.push_back(6);
  s.engine.properties.emplace_back(u"TOSKAN", u"1");
  return s;
}

std::vector<std::string> Differing(const std::vector<DiffPart>& parts) {
  std::vector<std::string> titles;
  for (const DiffPart& part : parts)
    if (!part.diff.empty()) titles.push_back(part.title);
  return titles;
}

TEST(ScenarioDiff, EachPartOfTheMachineOnItsOwn) {
  struct Row {
    const char* part;
    std::function<void(scenario::Scenario&)> change;
  };
  const Row rows[] = {
      {"Windows", [](scenario::Scenario& s) { s.machine.windows = machine::Windows::X64; }},
      {"registry", [](scenario::Scenario& s) { s.machine.registry[0].value.type = 4; }},
      {"registry", [](scenario::Scenario& s) { s.machine.registry[0].value.data[0] = '4'; }},
      {"registry",
       [](scenario::Scenario& s) {
         s.machine.registry.push_back({testkit::RegistryChange::Kind::CreateKey, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New", u"", {}});
       }},
      {"refused rights", [](scenario::Scenario& s) { s.machine.denied.emplace_back(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor", 2u); }},
      {"volumes", [](scenario::Scenario& s) { s.machine.volumes[0].second.callerFreeBytes = 999; }},
      {"files", [](scenario::Scenario& s) { s.machine.files[0].second = false; }},
      {"environment", [](scenario::Scenario& s) { s.machine.environment[0].second = u"D:\\Temp"; }},
      {"message box answers", [](scenario::Scenario& s) { s.machine.messageAnswers[0] = 7; }},
      {"what else the machine answers", [](scenario::Scenario& s) { s.machine.windowsFolder = u"D:\\Windows"; }},
      {"the engine's properties", [](scenario::Scenario& s) { s.engine.properties[0].second = u"0"; }},
  };
  EXPECT_TRUE(Differing(scenario::MachineDiff(Base(), Base())).empty());
  for (const Row& row : rows) {
    scenario::Scenario changed = Base();
    row.change(changed);
    EXPECT_EQ(Differing(scenario::MachineDiff(Base(), changed)), std::vector<std::string>{row.part}) << row.part;
  }
}

TEST(ScenarioDiff, WhatTheActionsDidStepByStep) {
  scenario::ScenarioReport a;
  scenario::StepReport call;
  call.action = "verify";
  call.called = true;
  machine::Event write;
  write.source = machine::Source::Engine;
  write.kind = machine::EventKind::WriteProperty;
  write.name = u"ValidSelection";
  write.text = u"true";
  machine::Event query;  // a call that reads only is not what a step did
  query.kind = machine::EventKind::QueryValue;
  query.key = u"HKLM\\SOFTWARE\\X";
  call.trace = {query, write};
  a.steps = {call, call};
  scenario::ScenarioReport b = a;
  b.steps[1].trace[1].text = u"false";
  b.steps[1].trace[0].key = u"HKLM\\SOFTWARE\\Y";
  b.steps.push_back(call);

  const std::vector<DiffPart> parts = scenario::ActionDiff(a, b);
  EXPECT_EQ(Differing(parts), (std::vector<std::string>{"step 2: call verify", "steps only one has"}));
  // The result both had stands as context; the read that differed is not compared.
  EXPECT_EQ(parts[1].diff, (std::vector<std::string>{"@@ -1,2 +1,2 @@", " result 0x00000000 S_OK",
                                                     "-write ValidSelection = \"true\"",
                                                     "+write ValidSelection = \"false\""}));
  EXPECT_EQ(scenario::DoneIn(call).front(), "result 0x00000000 S_OK");
}

}  // namespace

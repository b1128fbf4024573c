// The lines of a step's trace and of its failures: registry values and changes, program starts,
// message boxes and restart requests, each as a person reads it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scenario/scenario_report.h"
#include "testkit/machine.h"
#include "testkit/test_engine.h"

namespace scenario {

using testkit::MessageShown;
using testkit::RegistryState;
using testkit::RegValue;
using testkit::ShellStart;

// "text" for a terminated REG_SZ, else its type and bytes.
std::string DescribeValue(const RegValue& value);
std::string DescribeStart(const ShellStart& start);
std::string DescribeMessage(const MessageShown& box);  // text and caption

// The trace entries of what a step did.
TraceEntry HostEntry(const testkit::HostCall& call);
// A call on the system: `open key "HKLM\\SOFTWARE\\..." (access 0x00020019) -> 2`.
TraceEntry MachineEntry(const testkit::SystemCall& call);
TraceEntry SetEntry(const std::u16string& name, const std::optional<std::u16string>& value);
// A property's text, quoted, or "<unset>".
std::string Show(const std::optional<std::u16string>& text);
// Lines indented under a failure, or "(none)".
std::string Join(const std::vector<std::string>& lines);

// What changed in the registry during a step, one entry a change.
void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<TraceEntry>& trace);

}  // namespace scenario

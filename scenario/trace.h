// Registry values, keys, programs and message boxes as the lines of traces and failures show
// them, and the registry changes of a step as events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine/journal.h"
#include "testkit/machine.h"

namespace scenario {

using testkit::MessageShown;
using testkit::RegistryState;
using testkit::RegValue;
using testkit::ShellStart;

// The text of a REG_SZ or REG_EXPAND_SZ without a NUL inside it, and whether it ends in its
// terminator; nullopt for other data.
struct RegText {
  std::u16string text;
  bool terminated = false;
};
std::optional<RegText> TextOf(const RegValue& value);
// A REG_DWORD of 4 bytes or a REG_QWORD of 8 as its number; nullopt for other data.
std::optional<std::uint64_t> NumberOf(const RegValue& value);
// Bytes in hex as .reg files and scenario files write them: "01 02 ff".
std::string HexText(const std::uint8_t* bytes, size_t count);

// "text" for a terminated REG_SZ, else its type and bytes. Within a line, data longer than
// about a line is cut short and its size said.
enum class Length { Whole, Line };
std::string DescribeValue(const RegValue& value, Length length = Length::Whole);
// A registry key as every line shows it: "[HKLM\\SOFTWARE\\...]", from the action's or the
// canonical path.
std::string ShowKey(const std::u16string& key);
// A value's name as .reg files write it: "Name" quoted, or @ for the key's default value.
std::string ShowValueName(const std::u16string& name);
std::string DescribeStart(const ShellStart& start);
std::string DescribeMessage(const MessageShown& box);  // text and caption

// A text in a line: quoted, and past about a line cut short with its length said.
std::string LineText(const std::u16string& text);
// A property's text, quoted, or "<unset>".
std::string Show(const std::optional<std::u16string>& text);
// A local time as scenario files and reports write it: "2026-12-10 16:40:02".
std::string ClockText(const testkit::LocalTime& time);
// Lines indented under a failure, or "(none)".
std::string Join(const std::vector<std::string>& lines);

// What changed in the registry during a step, one event a change.
void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<machine::Event>& trace);

}  // namespace scenario

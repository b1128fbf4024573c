// Trace lines for registry values and changes, programs, message boxes and restarts.
#include "scenario/trace.h"

#include <cstdio>

#include "platform/platform.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::Quoted;
using testkit::ToUtf8;

std::string ValueName(const std::u16string& name) { return name.empty() ? "@" : ToUtf8(name); }

}  // namespace

std::string DescribeValue(const RegValue& value) {
  const bool text = value.type == platform::kRegSz || value.type == platform::kRegExpandSz;
  if (text && value.data.size() % 2 == 0) {
    std::u16string units = testkit::UnitsOfBytes(value.data);
    const bool terminated = !units.empty() && units.back() == u'\0';
    if (terminated) units.pop_back();
    if (units.find(u'\0') == std::u16string::npos) {
      std::string out = value.type == platform::kRegExpandSz ? "expand_sz " : "";
      out += Quoted(units);
      if (!terminated) out += " (no terminator)";
      return out;
    }
  }
  if (value.type == platform::kRegDword && value.data.size() == 4)
    return "dword " + testkit::Hex32(static_cast<std::uint32_t>(value.data[0] | value.data[1] << 8 |
                                                                 value.data[2] << 16 |
                                                                 static_cast<std::uint32_t>(value.data[3]) << 24));
  std::string out = "hex(" + std::to_string(value.type) + ")";
  char byte[4];
  for (std::uint8_t b : value.data) {
    std::snprintf(byte, sizeof byte, " %02x", b);
    out += byte;
  }
  return out;
}

std::string DescribeStart(const ShellStart& p) {
  return "start " + Quoted(p.file) + " parameters " + Quoted(p.parameters) + " in " + Quoted(p.directory);
}

std::string DescribeMessage(const MessageShown& box) { return Quoted(box.text) + " caption " + Quoted(box.caption); }

TraceEntry HostEntry(const testkit::HostCall& call) {
  TraceEntry e{"host", call.Kind(), ToUtf8(call.name), std::nullopt, "", "", call.Describe()};
  using Op = testkit::HostCall::Op;
  if (!call.isNull && (call.op == Op::GetProperty || call.op == Op::SetProperty || call.op == Op::ExpandText ||
                       call.op == Op::TranslateText))
    e.value = ToUtf8(call.value);
  if (call.op == Op::ShowHostMessage) {
    e.value = ToUtf8(call.value);
    e.detail = "flags " + std::to_string(call.flags);
  }
  if (call.op == Op::QueryInterface || call.op == Op::ShowHostMessage || call.op == Op::Other)
    e.status = testkit::Hex32(static_cast<std::uint32_t>(call.status));
  return e;
}

TraceEntry MachineEntry(const testkit::SystemCall& call) {
  TraceEntry e{"machine", call.kind, ToUtf8(call.name), std::nullopt, ToUtf8(call.detail), call.status, call.kind};
  if (call.value) e.value = ToUtf8(*call.value);
  if (!call.name.empty()) e.line += " " + Quoted(call.name);
  if (call.value) e.line += " = " + Quoted(*call.value);
  if (!call.detail.empty()) e.line += " (" + e.detail + ")";
  if (!call.status.empty()) e.line += " -> " + call.status;
  return e;
}

TraceEntry SetEntry(const std::u16string& name, const std::optional<std::u16string>& value) {
  TraceEntry e{"step", "set", ToUtf8(name), std::nullopt, "", "", "set " + ToUtf8(name) + " = " + Show(value)};
  if (value) e.value = ToUtf8(*value);
  return e;
}

std::string Show(const std::optional<std::u16string>& text) { return text ? Quoted(*text) : "<unset>"; }

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n      " + line;
  return out.empty() ? "\n      (none)" : out;
}

namespace {

TraceEntry RegistryEntry(const std::u16string& key, const std::u16string* name, const RegValue* value,
                         const std::string& line) {
  return {"machine", "registry change", ToUtf8(key) + (name ? " " + ValueName(*name) : std::string()),
          value ? std::optional<std::string>(DescribeValue(*value)) : std::nullopt, "", "", line};
}

}  // namespace

void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<TraceEntry>& trace) {
  for (const auto& [key, values] : after) {
    auto old = before.find(key);
    if (old == before.end()) trace.push_back(RegistryEntry(key, nullptr, nullptr, "registry new key " + ToUtf8(key)));
    for (const auto& [name, value] : values) {
      const RegValue* was = nullptr;
      if (old != before.end()) {
        auto found = old->second.find(name);
        if (found != old->second.end()) was = &found->second;
      }
      if (was == nullptr || *was != value)
        trace.push_back(RegistryEntry(key, &name, &value,
                                      "registry " + ToUtf8(key) + " " + ValueName(name) + " = " + DescribeValue(value)));
    }
    if (old != before.end())
      for (const auto& [name, value] : old->second)
        if (values.find(name) == values.end())
          trace.push_back(RegistryEntry(key, &name, nullptr, "registry " + ToUtf8(key) + " " + ToUtf8(name) + " deleted"));
  }
  for (const auto& [key, values] : before)
    if (after.find(key) == after.end())
      trace.push_back(RegistryEntry(key, nullptr, nullptr, "registry deleted key " + ToUtf8(key)));
}

}  // namespace scenario

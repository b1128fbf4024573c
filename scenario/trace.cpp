// Trace lines for registry values and changes, programs, message boxes and restarts.
#include "scenario/trace.h"

#include <cstdio>

#include "platform/platform.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::Quoted;
using testkit::ToUtf8;

// Within a line: at most this many characters of a text, or bytes of other data.
constexpr size_t kLineText = 60;
constexpr size_t kLineBytes = 24;

TraceEntry Entry(std::string source, std::string kind, std::string name, std::optional<std::string> value,
                 std::string detail, std::string status, std::string line) {
  TraceEntry e;
  e.source = std::move(source);
  e.kind = std::move(kind);
  e.name = std::move(name);
  e.value = std::move(value);
  e.detail = std::move(detail);
  e.status = std::move(status);
  e.line = std::move(line);
  return e;
}

std::string InAll(size_t bytes) { return " ... (" + std::to_string(bytes) + " bytes in all)"; }

// A text in a line: quoted, and past kLineText characters cut with its length said.
std::string LineText(const std::u16string& text) {
  if (text.size() <= kLineText) return Quoted(text);
  return Quoted(std::u16string_view(text).substr(0, kLineText)) + " ... (" + std::to_string(text.size()) +
         " characters in all)";
}

// The engine call's line, its texts cut as registry data is; the entry's fields keep them whole.
std::string EngineLine(const testkit::EngineCall& call) {
  using Op = testkit::EngineCall::Op;
  const bool texts = call.op == Op::GetProperty || call.op == Op::SetProperty || call.op == Op::ExpandText ||
                     call.op == Op::TranslateText || call.op == Op::ShowEngineMessage;
  if (!texts || (call.name.size() <= kLineText && call.value.size() <= kLineText)) return call.Describe();
  const std::string shown = call.isNull ? "null" : LineText(call.value);
  switch (call.op) {
    case Op::GetProperty:
    case Op::SetProperty:
      return std::string(call.Kind()) + " " + ToUtf8(call.name) + " = " + shown;
    case Op::ShowEngineMessage:
      return "message " + LineText(call.name) + " caption " + LineText(call.value) + " flags " +
             std::to_string(call.flags);
    default:
      return std::string(call.Kind()) + " " + LineText(call.name) + " -> " + shown;
  }
}

}  // namespace

std::string ShowKey(const std::u16string& key) {
  static const std::u16string kLong = u"HKEY_LOCAL_MACHINE";
  std::u16string shown = key;
  if (shown.compare(0, kLong.size(), kLong) == 0 && (shown.size() == kLong.size() || shown[kLong.size()] == u'\\'))
    shown.replace(0, kLong.size(), u"HKLM");
  return "[" + ToUtf8(shown) + "]";
}

std::string ShowValueName(const std::u16string& name) { return name.empty() ? "@" : Quoted(name); }

std::optional<RegText> TextOf(const RegValue& value) {
  const bool text = value.type == platform::kRegSz || value.type == platform::kRegExpandSz;
  if (!text || value.data.size() % 2 != 0) return std::nullopt;
  RegText out{testkit::UnitsOfBytes(value.data), false};
  out.terminated = !out.text.empty() && out.text.back() == u'\0';
  if (out.terminated) out.text.pop_back();
  if (out.text.find(u'\0') != std::u16string::npos) return std::nullopt;
  return out;
}

std::string DescribeValue(const RegValue& value, Length length) {
  if (const std::optional<RegText> text = TextOf(value)) {
    std::string out = value.type == platform::kRegExpandSz ? "expand_sz " : "";
    const bool cut = length == Length::Line && text->text.size() > kLineText;
    out += Quoted(cut ? std::u16string_view(text->text).substr(0, kLineText) : std::u16string_view(text->text));
    if (!text->terminated) out += " (no terminator)";
    if (cut) out += InAll(value.data.size());
    return out;
  }
  if (value.type == platform::kRegDword)
    if (const std::optional<std::uint64_t> number = NumberOf(value))
      return "dword " + testkit::Hex32(static_cast<std::uint32_t>(*number));
  std::string out = "hex(" + std::to_string(value.type) + ")";
  const bool cut = length == Length::Line && value.data.size() > kLineBytes;
  if (!value.data.empty()) out += " " + HexText(value.data.data(), cut ? kLineBytes : value.data.size());
  if (cut) out += InAll(value.data.size());
  return out;
}

std::optional<std::uint64_t> NumberOf(const RegValue& value) {
  if (!(value.type == platform::kRegDword && value.data.size() == 4) &&
      !(value.type == platform::kRegQword && value.data.size() == 8))
    return std::nullopt;
  std::uint64_t number = 0;
  for (size_t i = value.data.size(); i-- > 0;) number = number << 8 | value.data[i];
  return number;
}

std::string HexText(const std::uint8_t* bytes, size_t count) {
  std::string out;
  char byte[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", bytes[i]);
    out += byte;
  }
  return out;
}

std::string DescribeStart(const ShellStart& p) {
  return "start " + Quoted(p.file) + " parameters " + Quoted(p.parameters) + " in " + Quoted(p.directory);
}

std::string DescribeMessage(const MessageShown& box) { return Quoted(box.text) + " caption " + Quoted(box.caption); }

TraceEntry EngineEntry(const testkit::EngineCall& call) {
  TraceEntry e = Entry("host", call.Kind(), ToUtf8(call.name), std::nullopt, "", "", EngineLine(call));
  using Op = testkit::EngineCall::Op;
  if (!call.isNull && (call.op == Op::GetProperty || call.op == Op::SetProperty || call.op == Op::ExpandText ||
                       call.op == Op::TranslateText))
    e.value = ToUtf8(call.value);
  if (call.op == Op::ShowEngineMessage) {
    e.value = ToUtf8(call.value);
    e.detail = "flags " + std::to_string(call.flags);
  }
  if (call.op == Op::QueryInterface || call.op == Op::ShowEngineMessage || call.op == Op::Other)
    e.status = testkit::Hex32(static_cast<std::uint32_t>(call.status));
  return e;
}

TraceEntry MachineEntry(const testkit::SystemCall& call) {
  TraceEntry e = Entry("machine", call.kind, ToUtf8(call.name), std::nullopt, ToUtf8(call.detail), call.status, call.kind);
  e.key = ToUtf8(call.key);
  e.data = call.data;
  e.code = call.code;
  if (call.value) e.value = ToUtf8(*call.value);
  if (call.data) e.value = DescribeValue(*call.data);
  // A registry call names its key; a value's call then the value, by .reg files' convention.
  if (!call.key.empty()) e.line += " " + ShowKey(call.key);
  if (!call.key.empty() && (call.kind == "query value" || call.kind.rfind("set value", 0) == 0))
    e.line += " " + ShowValueName(call.name);
  else if (!call.name.empty())
    e.line += " " + Quoted(call.name);
  if (call.data)
    e.line += " = " + DescribeValue(*call.data, Length::Line);
  else if (call.value)
    e.line += " = " + Quoted(*call.value);
  if (call.kind == "start")
    e.line += " (in " + Quoted(call.detail) + ")";
  else if (!call.detail.empty())
    e.line += " (" + e.detail + ")";
  if (!call.status.empty()) e.line += " -> " + call.status;
  return e;
}

TraceEntry SetEntry(const std::u16string& name, const std::optional<std::u16string>& value) {
  TraceEntry e = Entry("step", "set", ToUtf8(name), std::nullopt, "", "", "set " + ToUtf8(name) + " = " + Show(value));
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
  TraceEntry e = Entry("machine", "registry change", name ? ToUtf8(*name) : std::string(),
               value ? std::optional<std::string>(DescribeValue(*value)) : std::nullopt, "", "", line);
  e.key = ToUtf8(key);
  if (value) e.data = *value;
  return e;
}

}  // namespace

void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<TraceEntry>& trace) {
  for (const auto& [key, values] : after) {
    auto old = before.find(key);
    if (old == before.end()) trace.push_back(RegistryEntry(key, nullptr, nullptr, "registry new key " + ShowKey(key)));
    for (const auto& [name, value] : values) {
      const RegValue* was = nullptr;
      if (old != before.end()) {
        auto found = old->second.find(name);
        if (found != old->second.end()) was = &found->second;
      }
      if (was == nullptr || *was != value)
        trace.push_back(RegistryEntry(key, &name, &value,
                                      "registry " + ShowKey(key) + " " + ShowValueName(name) + " = " +
                                          DescribeValue(value, Length::Line)));
    }
    if (old != before.end())
      for (const auto& [name, value] : old->second)
        if (values.find(name) == values.end())
          trace.push_back(
              RegistryEntry(key, &name, nullptr, "registry " + ShowKey(key) + " " + ShowValueName(name) + " deleted"));
  }
  for (const auto& [key, values] : before)
    if (after.find(key) == after.end())
      trace.push_back(RegistryEntry(key, nullptr, nullptr, "registry deleted key " + ShowKey(key)));
}

}  // namespace scenario

// Registry values, keys, programs and message boxes in words; the registry changes of a step.
#include "scenario/trace.h"

#include <cstdio>

#include "machine/call_trace.h"
#include "platform/platform.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::Quoted;
using testkit::ToUtf8;

// Within a line: at most this many characters of a text, or bytes of other data.
constexpr size_t kLineText = 60;
constexpr size_t kLineBytes = 24;

std::string InAll(size_t bytes) { return " ... (" + std::to_string(bytes) + " bytes in all)"; }

}  // namespace

std::string ShowKey(const std::u16string& key) {
  static const std::u16string kLong = u"HKEY_LOCAL_MACHINE";
  std::u16string shown = key;
  if (shown.compare(0, kLong.size(), kLong) == 0 && (shown.size() == kLong.size() || shown[kLong.size()] == u'\\'))
    shown.replace(0, kLong.size(), u"HKLM");
  return "[" + ToUtf8(shown) + "]";
}

std::string LineText(const std::u16string& text) {
  if (text.size() <= kLineText) return Quoted(text);
  return Quoted(std::u16string_view(text).substr(0, kLineText)) + " ... (" + std::to_string(text.size()) +
         " characters in all)";
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

std::string Show(const std::optional<std::u16string>& text) { return text ? Quoted(*text) : "<unset>"; }

std::string ClockText(const testkit::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n      " + line;
  return out.empty() ? "\n      (none)" : out;
}

void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<machine::Event>& trace) {
  for (const auto& [key, values] : after) {
    auto old = before.find(key);
    if (old == before.end()) trace.push_back(machine::trace::KeyAdded(key));
    for (const auto& [name, value] : values) {
      const RegValue* was = nullptr;
      if (old != before.end()) {
        auto found = old->second.find(name);
        if (found != old->second.end()) was = &found->second;
      }
      if (was == nullptr || *was != value)
        trace.push_back(machine::trace::ValueStored(key, name, value));
    }
    if (old != before.end())
      for (const auto& [name, value] : old->second)
        if (values.find(name) == values.end())
          trace.push_back(machine::trace::ValueDeleted(key, name));
  }
  for (const auto& [key, values] : before)
    if (after.find(key) == after.end())
      trace.push_back(machine::trace::KeyDeleted(key));
}

}  // namespace scenario

// The registry editor's export file of a scenario's machine.
#include "scenario/reg_export.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "machine/win32_names.h"
#include "platform/platform.h"
#include "scenario/trace.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using machine::NoCaseLess;
using testkit::ToUtf8;

bool OnOneLine(const std::u16string& text) { return text.find_first_of(u"\r\n") == std::u16string::npos; }

// A text as regedit quotes it: backslashes and quotes escaped.
std::u16string Quote(const std::u16string& text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  return out + u"\"";
}

// Bytes as regedit writes them: "01,02,ff".
std::u16string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string hex = HexText(bytes.data(), bytes.size());
  std::replace(hex.begin(), hex.end(), ' ', ',');
  return testkit::FromUtf8(hex);
}

// The data after "=": a terminated string on one line quoted, a four-byte DWORD as dword:, the
// rest as hex bytes of its type (hex: for REG_BINARY, hex(N): for the others).
std::u16string Data(const RegValue& value) {
  if (value.type == platform::kRegSz)
    if (const std::optional<RegText> text = TextOf(value); text && text->terminated && OnOneLine(text->text))
      return Quote(text->text);
  if (value.type == platform::kRegDword && value.data.size() == 4) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(*NumberOf(value)));
    return u"dword:" + testkit::FromUtf8(digits);
  }
  char kind[16];
  std::snprintf(kind, sizeof kind, "hex(%x):", value.type);
  return (value.type == platform::kRegBinary ? u"hex:" : testkit::FromUtf8(kind)) + HexBytes(value.data);
}

void Append(std::string& bytes, const std::u16string& line) {
  for (char16_t unit : line + u"\r\n") {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
}

std::string Others(const MachineSetUp& m) {
  std::string out;
  const auto count = [&out](size_t n, const char* what) {
    if (n > 0) out += (out.empty() ? "" : ", ") + std::to_string(n) + " " + what;
  };
  count(m.volumes.size(), "volume(s)");
  count(m.environment.size(), "variable(s)");
  count(m.files.size(), "file(s)");
  count(m.windowsFolder ? 1 : 0, "Windows folder");
  count(m.clock ? 1 : 0, "clock");
  count(m.messageAnswers.size(), "message box answer(s)");
  return out;
}

}  // namespace

testkit::RegistryState FoldRegistry(const std::vector<RegistryChange>& changes) {
  testkit::RegistryState keys;
  for (const RegistryChange& change : changes) {
    switch (change.kind) {
      case RegistryChange::Kind::SetValue: keys[change.key][change.name] = change.value; break;
      case RegistryChange::Kind::CreateKey: keys[change.key]; break;
      case RegistryChange::Kind::DeleteValue: {
        auto key = keys.find(change.key);
        if (key != keys.end()) key->second.erase(change.name);
        break;
      }
      case RegistryChange::Kind::DeleteKey:
        for (auto key = keys.begin(); key != keys.end();) {
          const bool under = NoCaseLess::Same(key->first, change.key) ||
                             (key->first.size() > change.key.size() && key->first[change.key.size()] == u'\\' &&
                              NoCaseLess::Same(key->first.substr(0, change.key.size()), change.key));
          key = under ? keys.erase(key) : std::next(key);
        }
        break;
    }
  }
  return keys;
}

RegExport ExportRegistry(const MachineSetUp& m) {
  RegExport out;
  out.bytes = "\xFF\xFE";
  Append(out.bytes, u"Windows Registry Editor Version 5.00");
  for (const auto& [key, rights] : m.denied) {
    const std::string said = "the refusal of " + machine::names::KeyRights(rights) + " on " + ShowKey(key) +
                             " (a .reg file holds no rights)";
    out.leftOut.push_back(said);
    Append(out.bytes, u"; not held here: " + testkit::FromUtf8(said));
  }
  for (const auto& [key, values] : FoldRegistry(m.registry)) {
    if (!OnOneLine(key) || key.back() == u']') {
      out.leftOut.push_back("the key " + ShowKey(key) + ", whose name a .reg line cannot hold, with its values");
      continue;
    }
    Append(out.bytes, u"");
    Append(out.bytes, u"[" + key + u"]");
    ++out.keys;
    for (const auto& [name, value] : values) {
      if (!OnOneLine(name)) {
        out.leftOut.push_back("the value " + ShowValueName(name) + " of " + ShowKey(key) +
                              ", whose name a .reg line cannot hold");
        continue;
      }
      Append(out.bytes, (name.empty() ? u"@" : Quote(name)) + u"=" + Data(value));
      ++out.values;
    }
  }
  Append(out.bytes, u"");
  if (const std::string others = Others(m); !others.empty())
    out.leftOut.push_back("the machine's " + others + ": a .reg file holds the registry alone");
  return out;
}

}  // namespace scenario

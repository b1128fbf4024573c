// The registry editor's export files read into registry changes.
#include "scenario/reg_file.h"

#include <algorithm>

#include "platform/platform.h"
#include "testkit/files.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::FromUtf8;
using testkit::RegValue;
using testkit::ToUtf8;

std::u16string FromAnsi(const std::string& bytes) {
  std::u16string text;
  for (unsigned char c : bytes) text += machine::FromCodePage1252(c);
  return text;
}

void AppendText(std::vector<std::uint8_t>& data, const std::u16string& text) { testkit::AppendUnitBytes(data, text); }

// Reads a whole export; Parse() is false when the file cannot be read, with `error` naming the
// file, the line and the fault.
class Parser {
 public:
  Parser(std::string name, machine::Windows windows) : name(std::move(name)), windows(windows) {}

  std::vector<RegistryChange> changes;
  std::string error;
  // The keys left out under roots a scenario's machine does not hold, by root, in file order.
  std::vector<std::pair<std::string, size_t>> skipped;

 private:
  std::string name;
  machine::Windows windows;
  bool ansi = false;  // REGEDIT4
  size_t line = 0;
  std::u16string key;  // the current key, canonical; empty before the first
  bool skipping = false;  // the current key is one left out: its values are too

  bool Fail(const std::string& what) {
    error = name + ":" + std::to_string(line) + ": " + what;
    return false;
  }

  static int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }

  bool HexBytes(const std::u16string& text, std::vector<std::uint8_t>& bytes) {
    size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
      if (i >= text.size()) break;
      size_t digits = 0;
      int value = 0;
      // Only the first two digits count: a longer run is refused below, whatever its length.
      for (; i < text.size() && HexDigit(text[i]) >= 0; ++i, ++digits)
        if (digits < 2) value = value * 16 + HexDigit(text[i]);
      if (digits != 2) return Fail("a byte must be two hex digits");
      bytes.push_back(static_cast<std::uint8_t>(value));
      while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
      if (i < text.size()) {
        if (text[i] != u',') return Fail("bytes must be separated by commas");
        ++i;
      }
    }
    return true;
  }

  // A quoted text starting at `at`; `at` ends past the closing quote.
  bool Quoted(const std::u16string& text, size_t& at, std::u16string& out) {
    if (at >= text.size() || text[at] != u'"') return Fail("expected a quoted text");
    for (++at; at < text.size(); ++at) {
      if (text[at] == u'"') {
        ++at;
        return true;
      }
      if (text[at] == u'\\') {
        if (++at >= text.size() || (text[at] != u'\\' && text[at] != u'"'))
          return Fail("unknown escape in a quoted text (only \\\\ and \\\" are known)");
      }
      out += text[at];
    }
    return Fail("quoted text not closed");
  }

  bool Value(const std::u16string& text) {
    if (skipping) return true;
    if (key.empty()) return Fail("value before the first [key]");
    size_t at = 0;
    RegistryChange change;
    change.key = key;
    if (text[0] == u'@') {
      at = 1;
    } else if (!Quoted(text, at, change.name)) {
      return false;
    }
    if (at >= text.size() || text[at] != u'=') return Fail("expected = after the value name");
    const std::u16string data = text.substr(at + 1);
    if (data == u"-") {
      change.kind = RegistryChange::Kind::DeleteValue;
      changes.push_back(change);
      return true;
    }
    if (!data.empty() && data[0] == u'"') {
      size_t from = 0;
      std::u16string str;
      if (!Quoted(data, from, str)) return false;
      if (from != data.size()) return Fail("text after the closing quote");
      change.value.type = platform::kRegSz;
      AppendText(change.value.data, str);
      AppendText(change.value.data, std::u16string(1, u'\0'));
      changes.push_back(change);
      return true;
    }
    const size_t colon = data.find(u':');
    if (colon == std::u16string::npos) return Fail("value data of no known form");
    const std::u16string kind = data.substr(0, colon);
    const std::u16string body = data.substr(colon + 1);
    if (!(kind == u"dword" ? Dword(body, change.value) : Hex(kind, body, change.value))) return false;
    changes.push_back(change);
    return true;
  }

  // dword:0000002a
  bool Dword(const std::u16string& body, RegValue& value) {
    if (body.size() != 8) return Fail("dword needs eight hex digits");
    std::uint32_t number = 0;
    for (char16_t c : body) {
      if (HexDigit(c) < 0) return Fail("dword needs eight hex digits");
      number = number * 16 + static_cast<std::uint32_t>(HexDigit(c));
    }
    value.type = platform::kRegDword;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    return true;
  }

  // hex:01,02 or hex(N):01,02
  bool Hex(const std::u16string& kind, const std::u16string& body, RegValue& value) {
    std::uint32_t type = 0;
    if (kind == u"hex") {
      type = platform::kRegBinary;
    } else if (kind.size() > 5 && kind.compare(0, 4, u"hex(") == 0 && kind.back() == u')') {
      for (size_t i = 4; i + 1 < kind.size(); ++i) {
        if (HexDigit(kind[i]) < 0 || i > 11) return Fail("unknown value type " + ToUtf8(kind));
        type = type * 16 + static_cast<std::uint32_t>(HexDigit(kind[i]));
      }
    } else {
      return Fail("unknown value type " + ToUtf8(kind));
    }
    std::vector<std::uint8_t> bytes;
    if (!HexBytes(body, bytes)) return false;
    // REGEDIT4 keeps expandable and multiple strings single-byte; the registry holds UTF-16.
    if (ansi && (type == platform::kRegExpandSz || type == platform::kRegMultiSz))
      AppendText(value.data, FromAnsi(std::string(bytes.begin(), bytes.end())));
    else
      value.data = bytes;
    value.type = type;
    return true;
  }

  bool Key(const std::u16string& text) {
    if (text.back() != u']') return Fail("key line without closing ]");
    std::u16string path = text.substr(1, text.size() - 2);
    RegistryChange change;
    change.kind = RegistryChange::Kind::CreateKey;
    if (!path.empty() && path[0] == u'-') {
      change.kind = RegistryChange::Kind::DeleteKey;
      path.erase(0, 1);
    }
    const auto canonical = machine::CanonicalKey(path);
    skipping = false;
    if (!canonical) {
      // A whole branch's export holds the user's keys too: they are left out, and said.
      const std::u16string root = path.substr(0, path.find(u'\\'));
      for (const char16_t* other : {u"HKEY_CURRENT_USER", u"HKEY_USERS", u"HKEY_CURRENT_CONFIG"}) {
        if (!machine::NoCaseLess::Same(root, other)) continue;
        const std::string name = ToUtf8(other);
        auto counted = std::find_if(skipped.begin(), skipped.end(), [&](const auto& r) { return r.first == name; });
        if (counted == skipped.end()) counted = skipped.insert(skipped.end(), {name, 0});
        ++counted->second;
        skipping = true;
        key.clear();
        return true;
      }
      return Fail("key root is not HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT: " + ToUtf8(path));
    }
    if (const std::optional<std::string> fault = machine::KeyPathFault(*canonical)) return Fail(*fault);
    if (windows == machine::Windows::X86 && IsWow64Path(*canonical))
      return Fail(kWow64Refusal + (": " + ToUtf8(path)));
    change.key = *canonical;
    changes.push_back(change);
    key = change.kind == RegistryChange::Kind::DeleteKey ? u"" : *canonical;
    return true;
  }

 public:
  bool Parse(const std::u16string& text) {
    size_t at = 0;
    bool first = true;
    std::u16string pending;  // a value continued over several lines
    size_t pendingLine = 0;
    while (at <= text.size()) {
      size_t end = text.find(u'\n', at);
      if (end == std::u16string::npos) end = text.size();
      std::u16string raw = text.substr(at, end - at);
      at = end + 1;
      ++line;
      if (!raw.empty() && raw.back() == u'\r') raw.pop_back();
      if (first) {
        first = false;
        if (raw == u"Windows Registry Editor Version 5.00") continue;
        if (raw == u"REGEDIT4") {
          ansi = true;
          continue;
        }
        return Fail("not a registry export: the first line must be \"Windows Registry Editor "
                    "Version 5.00\" or \"REGEDIT4\"");
      }
      size_t lead = 0;
      while (lead < raw.size() && (raw[lead] == u' ' || raw[lead] == u'\t')) ++lead;
      std::u16string content = raw.substr(lead);
      if (!pending.empty()) {
        pending += content;
      } else {
        if (content.empty() || content[0] == u';') continue;
        pending = content;
        pendingLine = line;
      }
      if (pending.back() == u'\\' && pending.find(u":") != std::u16string::npos &&
          pending[0] != u'[') {
        pending.pop_back();
        if (at > text.size()) return Fail("continued line at the end of the file");
        continue;
      }
      const size_t here = line;
      line = pendingLine;
      const bool ok = pending[0] == u'[' ? Key(pending) : Value(pending);
      line = here;
      pending.clear();
      if (!ok) return false;
    }
    if (first) return Fail("empty file");
    return true;
  }
};

}  // namespace

const char kWow64Refusal[] =
    "a WOW6432Node key comes from a 64-bit machine's registry (its 32-bit view); this scenario runs on "
    "32-bit Windows, where the actions see that key without WOW6432Node (give the scenario "
    "\"windows\": \"x64\", or suitehost call --windows x64, to run it on 64-bit Windows)";

bool IsWow64Path(const std::u16string& path) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (machine::NoCaseLess::Same(path.substr(start, end - start), u"WOW6432Node")) return true;
    start = end + 1;
  }
  return false;
}

Result<std::vector<RegistryChange>> ParseRegText(const std::string& name, const std::string& bytes,
                                                 machine::Windows windows, std::vector<std::string>* notes) {
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) return testkit::Failure(name + ": UTF-16 text cut short (odd number of bytes)");
    text = testkit::UnitsOfBytes(std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end()));
  } else if (bytes.compare(0, 8, "REGEDIT4") == 0) {
    text = FromAnsi(bytes);
  } else {
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    text = FromUtf8(bom ? bytes.substr(3) : bytes);
  }
  Parser parser(name, windows);
  if (!parser.Parse(text)) return testkit::Failure(parser.error);
  if (!parser.skipped.empty() && notes) {
    std::string note = name + ": left out";
    for (size_t i = 0; i < parser.skipped.size(); ++i)
      note += (i == 0 ? " " : i + 1 == parser.skipped.size() ? " and " : ", ") +
              std::to_string(parser.skipped[i].second) + (parser.skipped[i].second == 1 ? " key" : " keys") +
              " under " + parser.skipped[i].first;
    notes->push_back(note + ", which a scenario's machine does not hold (only HKEY_LOCAL_MACHINE and "
                            "HKEY_CLASSES_ROOT)");
  }
  return std::move(parser.changes);
}

Result<std::vector<RegistryChange>> ReadRegFile(const std::string& path, machine::Windows windows,
                                                std::vector<std::string>* notes) {
  Result<std::string> bytes = testkit::ReadWholeFile(path);
  if (!bytes) return testkit::Failure(bytes.error());
  return ParseRegText(path, *bytes, windows, notes);
}

}  // namespace scenario

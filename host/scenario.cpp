#include "host/scenario.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

#include "host/reg_file.h"
#include "host/utf.h"

namespace host {
namespace {

using Json = nlohmann::ordered_json;

struct ScenarioError {
  std::string where;
  std::string what;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ScenarioError{where.empty() ? "/" : where, what};
}

std::string Escape(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~') out += "~0";
    else if (c == '/') out += "~1";
    else out += c;
  }
  return out;
}
std::string At(const std::string& where, const std::string& key) { return where + "/" + Escape(key); }
std::string At(const std::string& where, size_t index) { return where + "/" + std::to_string(index); }

const char* TypeName(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "a boolean";
    case Json::value_t::string: return "a text";
    case Json::value_t::array: return "a list";
    case Json::value_t::object: return "an object";
    default: return "a number";
  }
}

void Expect(const Json& j, Json::value_t type, const std::string& where, const char* what) {
  const bool number = type == Json::value_t::number_unsigned;
  if (number ? !j.is_number_unsigned() && !j.is_number_integer() : j.type() != type)
    Fail(where, std::string("expected ") + what + ", found " + TypeName(j));
}

void OnlyKeys(const Json& j, const std::string& where, std::initializer_list<const char*> known) {
  Expect(j, Json::value_t::object, where, "an object");
  const std::set<std::string> allowed(known.begin(), known.end());
  for (const auto& item : j.items()) {
    if (allowed.count(item.key()) == 0) {
      std::string list;
      for (const char* k : known) list += std::string(list.empty() ? "" : ", ") + k;
      Fail(At(where, item.key()), "unknown key \"" + item.key() + "\" (known here: " + list + ")");
    }
  }
}

std::u16string Text(const Json& j, const std::string& where) {
  Expect(j, Json::value_t::string, where, "a text");
  return FromUtf8(j.get<std::string>());
}

std::optional<std::u16string> TextOrNull(const Json& j, const std::string& where) {
  if (j.is_null()) return std::nullopt;
  return Text(j, where);
}

bool Bool(const Json& j, const std::string& where) {
  Expect(j, Json::value_t::boolean, where, "true or false");
  return j.get<bool>();
}

std::uint64_t Unsigned(const Json& j, const std::string& where) {
  if (!j.is_number_unsigned()) Fail(where, "expected a whole number of 0 or more");
  return j.get<std::uint64_t>();
}

HRESULT Status(const Json& j, const std::string& where) {
  if (j.is_number_integer()) {
    const auto n = j.get<std::int64_t>();
    if (n < INT32_MIN || n > static_cast<std::int64_t>(UINT32_MAX)) Fail(where, "status out of the 32-bit range");
    return static_cast<HRESULT>(static_cast<std::uint32_t>(n));
  }
  if (!j.is_string()) Fail(where, "expected a status such as \"S_OK\" or \"0x80004005\"");
  const auto status = ParseStatus(j.get<std::string>());
  if (!status) Fail(where, "unknown status \"" + j.get<std::string>() + "\"");
  return *status;
}

PropertyList Properties(const Json& j, const std::string& where, bool allowNull) {
  Expect(j, Json::value_t::object, where, "an object of property names and texts");
  PropertyList list;
  for (const auto& item : j.items()) {
    const std::string at = At(where, item.key());
    if (item.value().is_null() && !allowNull) Fail(at, "expected a text");
    list.emplace_back(FromUtf8(item.key()), TextOrNull(item.value(), at));
  }
  return list;
}

// Sizes as bytes, or texts such as "3 GB", "1.5 GB", "512 MB" (binary units).
std::uint64_t Bytes(const Json& j, const std::string& where) {
  if (j.is_number_unsigned()) return j.get<std::uint64_t>();
  std::uint64_t bytes = 0;
  if (!j.is_string() || !ParseSize(j.get<std::string>(), bytes))
    Fail(where, "expected a number of bytes or a whole size such as \"512 MB\" or \"1.5 GB\"");
  return bytes;
}

void AppendUnits(std::vector<std::uint8_t>& data, const std::u16string& text) {
  for (char16_t c : text) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

std::uint32_t TypeNumber(const Json& j, const std::string& where) {
  if (j.is_number_unsigned()) return static_cast<std::uint32_t>(j.get<std::uint64_t>());
  const std::string name = j.is_string() ? j.get<std::string>() : "";
  static const std::pair<const char*, std::uint32_t> kTypes[] = {
      {"none", 0}, {"sz", 1}, {"expand_sz", 2}, {"binary", 3}, {"dword", 4}, {"multi_sz", 7}, {"qword", 11}};
  for (const auto& [typeName, number] : kTypes)
    if (name == typeName) return number;
  Fail(where, "unknown value type (known: none, sz, expand_sz, binary, dword, multi_sz, qword, or a number)");
}

// A registry value: a text (REG_SZ with its terminator), or an object naming the form.
RegValue Value(const Json& j, const std::string& where) {
  RegValue value;
  if (j.is_string()) {
    AppendUnits(value.data, FromUtf8(j.get<std::string>()) + u'\0');
    return value;
  }
  OnlyKeys(j, where, {"sz", "expand_sz", "multi_sz", "dword", "qword", "hex", "type", "terminated"});
  int forms = 0;
  for (const char* form : {"sz", "expand_sz", "multi_sz", "dword", "qword", "hex"}) forms += j.contains(form);
  if (forms != 1) Fail(where, "give exactly one of sz, expand_sz, multi_sz, dword, qword, hex");
  const bool terminated = j.contains("terminated") ? Bool(j["terminated"], At(where, "terminated")) : true;
  if (j.contains("sz") || j.contains("expand_sz")) {
    const char* form = j.contains("sz") ? "sz" : "expand_sz";
    value.type = j.contains("sz") ? 1 : 2;
    AppendUnits(value.data, Text(j[form], At(where, form)));
    if (terminated) value.data.insert(value.data.end(), {0, 0});
  } else if (j.contains("multi_sz")) {
    value.type = 7;
    Expect(j["multi_sz"], Json::value_t::array, At(where, "multi_sz"), "a list of texts");
    for (size_t i = 0; i < j["multi_sz"].size(); ++i)
      AppendUnits(value.data, Text(j["multi_sz"][i], At(At(where, "multi_sz"), i)) + u'\0');
    AppendUnits(value.data, std::u16string(1, u'\0'));
  } else if (j.contains("dword") || j.contains("qword")) {
    const bool dword = j.contains("dword");
    value.type = dword ? 4 : 11;
    const std::uint64_t n = Unsigned(j[dword ? "dword" : "qword"], At(where, dword ? "dword" : "qword"));
    if (dword && n > UINT32_MAX) Fail(At(where, "dword"), "dword out of the 32-bit range");
    for (int i = 0; i < (dword ? 4 : 8); ++i) value.data.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
  } else {
    value.type = j.contains("type") ? TypeNumber(j["type"], At(where, "type")) : 3;
    const std::string hex = j["hex"].is_string() ? j["hex"].get<std::string>() : "";
    if (!j["hex"].is_string()) Fail(At(where, "hex"), "expected a text of hex digit pairs");
    std::string digits;
    for (char c : hex)
      if (c != ' ' && c != ',') digits += c;
    if (digits.size() % 2 != 0) Fail(At(where, "hex"), "odd number of hex digits");
    for (size_t i = 0; i < digits.size(); i += 2) {
      unsigned byte = 0;
      if (std::sscanf(digits.substr(i, 2).c_str(), "%2x", &byte) != 1 || !isxdigit(static_cast<unsigned char>(digits[i])) ||
          !isxdigit(static_cast<unsigned char>(digits[i + 1])))
        Fail(At(where, "hex"), "not a hex digit");
      value.data.push_back(static_cast<std::uint8_t>(byte));
    }
  }
  if (j.contains("type") && !j.contains("hex")) Fail(At(where, "type"), "type goes with hex only");
  if (j.contains("terminated") && !j.contains("sz") && !j.contains("expand_sz"))
    Fail(At(where, "terminated"), "terminated goes with sz or expand_sz only");
  return value;
}

std::u16string Key(const std::string& key, const std::string& where) {
  const auto canonical = CanonicalKey(FromUtf8(key));
  if (!canonical) Fail(where, "key root must be HKEY_LOCAL_MACHINE (HKLM) or HKEY_CLASSES_ROOT (HKCR)");
  return *canonical;
}

std::string Folder(const std::string& file) {
  const size_t slash = file.find_last_of("/\\");
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

void ReadRegistry(const Json& j, const std::string& where, Scenario& s) {
  Expect(j, Json::value_t::object, where, "an object of keys");
  for (const auto& item : j.items()) {
    const std::string at = At(where, item.key());
    if (item.key() == "import") {
      Expect(item.value(), Json::value_t::array, at, "a list of .reg files");
      for (size_t i = 0; i < item.value().size(); ++i) {
        std::string file = item.value()[i].is_string() ? item.value()[i].get<std::string>() : "";
        if (file.empty()) Fail(At(at, i), "expected the path of a .reg file");
        if (file[0] != '/') file = Folder(s.file) + "/" + file;
        std::string error;
        if (!ReadRegFile(file, s.registry, error)) Fail(At(at, i), error);
      }
      continue;
    }
    const std::u16string key = Key(item.key(), at);
    if (item.value().is_null()) {
      s.registry.push_back({RegistryChange::Kind::DeleteKey, key, u"", {}});
      continue;
    }
    Expect(item.value(), Json::value_t::object, at, "an object of values, or null to delete the key");
    s.registry.push_back({RegistryChange::Kind::CreateKey, key, u"", {}});
    for (const auto& v : item.value().items()) {
      const std::string vat = At(at, v.key());
      const std::u16string name = v.key() == "@" ? u"" : FromUtf8(v.key());
      if (v.value().is_null())
        s.registry.push_back({RegistryChange::Kind::DeleteValue, key, name, {}});
      else
        s.registry.push_back({RegistryChange::Kind::SetValue, key, name, Value(v.value(), vat)});
    }
  }
}

ProgramStart Program(const Json& j, const std::string& where) {
  OnlyKeys(j, where, {"file", "parameters", "directory"});
  if (!j.contains("file")) Fail(where, "a program needs \"file\"");
  ProgramStart p;
  p.file = Text(j["file"], At(where, "file"));
  p.parameters = j.contains("parameters") ? Text(j["parameters"], At(where, "parameters")) : u"";
  p.directory = j.contains("directory") ? Text(j["directory"], At(where, "directory")) : u"";
  return p;
}

Expectations ReadExpect(const Json& j, const std::string& where, bool afterCall) {
  if (afterCall)
    OnlyKeys(j, where, {"result", "properties", "writes", "calls", "registry", "programs", "messages", "restart"});
  else
    OnlyKeys(j, where, {"properties", "registry"});
  Expectations e;
  if (j.contains("result")) e.result = Status(j["result"], At(where, "result"));
  if (j.contains("properties")) e.properties = Properties(j["properties"], At(where, "properties"), true);
  if (j.contains("writes")) {
    const std::string at = At(where, "writes");
    Expect(j["writes"], Json::value_t::array, at, "a list of [name, value] pairs");
    e.writes.emplace();
    for (size_t i = 0; i < j["writes"].size(); ++i) {
      const Json& pair = j["writes"][i];
      if (!pair.is_array() || pair.size() != 2) Fail(At(at, i), "expected [name, value]");
      e.writes->emplace_back(Text(pair[0], At(At(at, i), 0)), Text(pair[1], At(At(at, i), 1)));
    }
  }
  if (j.contains("calls")) {
    const std::string at = At(where, "calls");
    Expect(j["calls"], Json::value_t::array, at, "a list of host call lines");
    e.calls.emplace();
    for (size_t i = 0; i < j["calls"].size(); ++i) e.calls->push_back(ToUtf8(Text(j["calls"][i], At(at, i))));
  }
  if (j.contains("registry")) {
    const std::string at = At(where, "registry");
    Expect(j["registry"], Json::value_t::object, at, "an object of keys");
    for (const auto& item : j["registry"].items()) {
      const std::string kat = At(at, item.key());
      const std::u16string key = Key(item.key(), kat);
      if (item.value().is_null()) {
        e.registry.push_back({key, u"", true, std::nullopt, kat});
        continue;
      }
      Expect(item.value(), Json::value_t::object, kat, "an object of values, or null for an absent key");
      if (item.value().empty()) e.registry.push_back({key, u"", true, RegValue{}, kat});
      for (const auto& v : item.value().items()) {
        const std::string vat = At(kat, v.key());
        const std::u16string name = v.key() == "@" ? u"" : FromUtf8(v.key());
        std::optional<RegValue> value;
        if (!v.value().is_null()) value = Value(v.value(), vat);
        e.registry.push_back({key, name, false, value, vat});
      }
    }
  }
  if (j.contains("programs")) {
    const std::string at = At(where, "programs");
    Expect(j["programs"], Json::value_t::array, at, "a list of programs");
    e.programs.emplace();
    for (size_t i = 0; i < j["programs"].size(); ++i) e.programs->push_back(Program(j["programs"][i], At(at, i)));
  }
  if (j.contains("messages")) {
    const std::string at = At(where, "messages");
    Expect(j["messages"], Json::value_t::array, at, "a list of message boxes");
    e.messages.emplace();
    for (size_t i = 0; i < j["messages"].size(); ++i) {
      const std::string mat = At(at, i);
      OnlyKeys(j["messages"][i], mat, {"text", "caption"});
      MessageBoxShown m;
      if (j["messages"][i].contains("text")) m.text = Text(j["messages"][i]["text"], At(mat, "text"));
      if (j["messages"][i].contains("caption")) m.caption = Text(j["messages"][i]["caption"], At(mat, "caption"));
      e.messages->push_back(m);
    }
  }
  if (j.contains("restart")) e.restart = Bool(j["restart"], At(where, "restart"));
  return e;
}

int Answer(const Json& j, const std::string& where) {
  if (j.is_number_integer()) return j.get<int>();
  const std::string text = j.is_string() ? j.get<std::string>() : "";
  if (text == "yes") return 6;
  if (text == "no") return 7;
  if (text == "fail") return 0;
  Fail(where, "expected \"yes\", \"no\", \"fail\" or a number");
}

LocalClock Clock(const Json& j, const std::string& where) {
  const std::string text = j.is_string() ? j.get<std::string>() : "";
  LocalClock c{};
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &c.year, &c.month, &c.day, &c.hour, &c.minute,
                  &c.second, &tail) != 6 ||
      c.month < 1 || c.month > 12 || c.day < 1 || c.day > 31 || c.hour > 23 || c.minute > 59 || c.second > 60)
    Fail(where, "expected a local time as \"YYYY-MM-DD HH:MM:SS\"");
  return c;
}

void ReadScenario(const Json& j, Scenario& s) {
  OnlyKeys(j, "", {"name", "description", "library", "nativeOnly", "properties", "translate", "expand", "engine",
                   "registry", "deny", "volumes", "environment", "windowsFolder", "files", "clock",
                   "messageAnswers", "shutdownPrivilege", "steps"});
  if (!j.contains("library")) Fail("", "a scenario needs \"library\" (ovrel, caddon, or a path)");
  s.library = ToUtf8(Text(j["library"], "/library"));
  if (j.contains("name")) s.name = ToUtf8(Text(j["name"], "/name"));
  if (j.contains("description")) s.description = ToUtf8(Text(j["description"], "/description"));
  if (j.contains("nativeOnly")) s.nativeOnly = ToUtf8(Text(j["nativeOnly"], "/nativeOnly"));
  if (j.contains("properties")) s.properties = Properties(j["properties"], "/properties", false);
  for (const char* table : {"translate", "expand"}) {
    if (!j.contains(table)) continue;
    const std::string at = std::string("/") + table;
    Expect(j[table], Json::value_t::object, at, "an object of texts and their results");
    auto& list = std::string(table) == "translate" ? s.translations : s.expansions;
    for (const auto& item : j[table].items())
      list.emplace_back(FromUtf8(item.key()), TextOrNull(item.value(), At(at, item.key())));
  }
  if (j.contains("engine")) {
    OnlyKeys(j["engine"], "/engine", {"queryStatus", "messageStatus"});
    if (j["engine"].contains("queryStatus")) s.queryStatus = Status(j["engine"]["queryStatus"], "/engine/queryStatus");
    if (j["engine"].contains("messageStatus"))
      s.messageStatus = Status(j["engine"]["messageStatus"], "/engine/messageStatus");
  }
  if (j.contains("registry")) ReadRegistry(j["registry"], "/registry", s);
  if (j.contains("deny")) {
    Expect(j["deny"], Json::value_t::object, "/deny", "an object of keys and rights");
    for (const auto& item : j["deny"].items()) {
      const std::string at = At("/deny", item.key());
      std::uint32_t rights = 0;
      if (item.value() == "write")
        rights = 0x0006;  // set value and create subkey: what a user without administrative rights lacks
      else if (item.value() == "all")
        rights = 0xFFFFFFFF;
      else if (item.value().is_number_unsigned())
        rights = static_cast<std::uint32_t>(item.value().get<std::uint64_t>());
      else
        Fail(at, "expected \"write\", \"all\" or a number of access rights");
      s.denied.emplace_back(Key(item.key(), at), rights);
    }
  }
  if (j.contains("volumes")) {
    Expect(j["volumes"], Json::value_t::object, "/volumes", "an object of drive roots");
    for (const auto& item : j["volumes"].items()) {
      const std::string at = At("/volumes", item.key());
      Volume v{FromUtf8(item.key()), 0, false};
      if (item.value().is_object()) {
        OnlyKeys(item.value(), at, {"free", "fails"});
        if (item.value().contains("free")) v.freeBytes = Bytes(item.value()["free"], At(at, "free"));
        if (item.value().contains("fails")) v.fails = Bool(item.value()["fails"], At(at, "fails"));
      } else {
        v.freeBytes = Bytes(item.value(), at);
      }
      s.volumes.push_back(v);
    }
  }
  if (j.contains("environment")) {
    Expect(j["environment"], Json::value_t::object, "/environment", "an object of variables");
    for (const auto& item : j["environment"].items())
      s.environment.emplace_back(FromUtf8(item.key()), TextOrNull(item.value(), At("/environment", item.key())));
  }
  if (j.contains("windowsFolder")) s.windowsFolder = Text(j["windowsFolder"], "/windowsFolder");
  if (j.contains("files")) {
    Expect(j["files"], Json::value_t::object, "/files", "an object of file paths");
    for (const auto& item : j["files"].items()) {
      const std::string at = At("/files", item.key());
      if (item.value() != "readable" && item.value() != "locked") Fail(at, "expected \"readable\" or \"locked\"");
      s.files.emplace_back(FromUtf8(item.key()), item.value() == "readable");
    }
  }
  if (j.contains("clock")) s.clock = Clock(j["clock"], "/clock");
  if (j.contains("messageAnswers")) {
    Expect(j["messageAnswers"], Json::value_t::array, "/messageAnswers", "a list of answers");
    for (size_t i = 0; i < j["messageAnswers"].size(); ++i)
      s.messageAnswers.push_back(Answer(j["messageAnswers"][i], At("/messageAnswers", i)));
  }
  if (j.contains("shutdownPrivilege")) {
    const std::string text = j["shutdownPrivilege"].is_string() ? j["shutdownPrivilege"].get<std::string>() : "";
    if (text == "granted") {
    } else if (text == "not-granted") {
      s.privilegeAdjustError = 1300;
    } else if (text == "unknown") {
      s.privilegeLookupWorks = false;
    } else {
      Fail("/shutdownPrivilege", "expected \"granted\", \"not-granted\" or \"unknown\"");
    }
  }
  if (!j.contains("steps")) Fail("", "a scenario needs \"steps\"");
  Expect(j["steps"], Json::value_t::array, "/steps", "a list of steps");
  for (size_t i = 0; i < j["steps"].size(); ++i) {
    const Json& js = j["steps"][i];
    Step step;
    step.where = At("/steps", i);
    if (js.is_object() && js.contains("call")) {
      OnlyKeys(js, step.where, {"call", "queryStatus", "expect"});
      step.kind = Step::Kind::Call;
      step.action = ToUtf8(Text(js["call"], At(step.where, "call")));
      if (js.contains("queryStatus")) step.queryStatus = Status(js["queryStatus"], At(step.where, "queryStatus"));
      if (js.contains("expect")) step.expect = ReadExpect(js["expect"], At(step.where, "expect"), true);
    } else if (js.is_object() && js.contains("set")) {
      OnlyKeys(js, step.where, {"set"});
      step.kind = Step::Kind::Set;
      step.set = Properties(js["set"], At(step.where, "set"), true);
    } else if (js.is_object() && js.contains("expect")) {
      OnlyKeys(js, step.where, {"expect"});
      step.kind = Step::Kind::Expect;
      step.expect = ReadExpect(js["expect"], At(step.where, "expect"), false);
    } else {
      Fail(step.where, "a step is {\"call\": ACTION, ...}, {\"set\": {...}} or {\"expect\": {...}}");
    }
    s.steps.push_back(std::move(step));
  }
}

}  // namespace

bool ParseSize(const std::string& text, std::uint64_t& bytes) {
  unsigned long long whole = 0, fraction = 0, scale = 1;
  size_t i = 0;
  bool digits = false;
  for (; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (whole > (UINT64_MAX - digit) / 10) return false;
    whole = whole * 10 + digit;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
      if (scale >= 1000000000000ull) return false;
      fraction = fraction * 10 + static_cast<unsigned>(text[i] - '0');
      scale *= 10;
    }
  }
  while (i < text.size() && text[i] == ' ') ++i;
  const std::string unit = text.substr(i);
  int shift = -1;
  if (unit.empty() || unit == "B") shift = 0;
  if (unit == "KB") shift = 10;
  if (unit == "MB") shift = 20;
  if (unit == "GB") shift = 30;
  if (unit == "TB") shift = 40;
  if (!digits || shift < 0) return false;
  const unsigned long long unitBytes = 1ull << shift;
  if (whole > UINT64_MAX / unitBytes) return false;
  // fraction < 10^12 and a unit of at most 2^40 keep the product within 64 bits.
  const unsigned long long fractionBytes = fraction * unitBytes;
  if (fractionBytes % scale != 0) return false;  // not a whole number of bytes
  if (whole * unitBytes > UINT64_MAX - fractionBytes / scale) return false;
  bytes = whole * unitBytes + fractionBytes / scale;
  return true;
}

std::optional<HRESULT> ParseStatus(const std::string& text) {
  static const std::pair<const char*, std::uint32_t> kNames[] = {
      {"S_OK", 0},
      {"S_FALSE", 1},
      {"E_NOTIMPL", 0x80004001},
      {"E_NOINTERFACE", 0x80004002},
      {"E_POINTER", 0x80004003},
      {"E_ABORT", 0x80004004},
      {"E_FAIL", 0x80004005},
      {"E_UNEXPECTED", 0x8000FFFF},
      {"E_ACCESSDENIED", 0x80070005},
      {"E_OUTOFMEMORY", 0x8007000E},
      {"E_INVALIDARG", 0x80070057},
  };
  for (const auto& [name, value] : kNames)
    if (text == name) return static_cast<HRESULT>(value);
  if (text.size() > 2 && text.size() <= 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint32_t value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      const char c = text[i];
      if (!isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      value = value * 16 + static_cast<std::uint32_t>(isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10));
    }
    return static_cast<HRESULT>(value);
  }
  return std::nullopt;
}

std::string StatusName(HRESULT status) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  for (const char* name : {"S_OK", "S_FALSE", "E_NOTIMPL", "E_NOINTERFACE", "E_POINTER", "E_ABORT", "E_FAIL",
                           "E_UNEXPECTED", "E_ACCESSDENIED", "E_OUTOFMEMORY", "E_INVALIDARG"})
    if (ParseStatus(name) == status) return std::string(hex) + " " + name;
  return hex;
}

bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Json j;
  try {
    j = Json::parse(text, nullptr, true, true);
  } catch (const Json::parse_error& e) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < e.byte && i < text.size(); ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    std::string what = e.what();
    const size_t cut = what.find("syntax error");
    error = path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": malformed JSON: " +
            (cut == std::string::npos ? what : what.substr(cut));
    return false;
  }
  scenario = Scenario{};
  scenario.file = path;
  try {
    ReadScenario(j, scenario);
  } catch (const ScenarioError& e) {
    error = path + ": " + e.where + ": " + e.what;
    return false;
  }
  if (scenario.name.empty()) {
    const size_t slash = path.find_last_of("/\\");
    scenario.name = slash == std::string::npos ? path : path.substr(slash + 1);
  }
  return true;
}

}  // namespace host

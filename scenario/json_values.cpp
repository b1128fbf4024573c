// The plain values of a scenario file: texts, numbers, statuses, sizes, key paths and registry
// values.
#include <cctype>
#include <set>

#include "platform/platform.h"
#include "scenario/json_read.h"
#include "scenario/reg_file.h"
#include "scenario/status.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

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

}  // namespace

void Fail(const std::string& what) { throw JsonError{"", what}; }

void FailExpected(const Json& j, const std::string& what) { Fail("expected " + what + ", found " + TypeName(j)); }

void ExpectObject(const Json& j, const char* what) {
  if (!j.is_object()) FailExpected(j, what);
}

void OnlyKeys(const Json& j, std::initializer_list<const char*> known) {
  ExpectObject(j, "an object");
  const std::set<std::string> allowed(known.begin(), known.end());
  for (const auto& item : j.items()) {
    if (allowed.count(item.key()) != 0) continue;
    std::string list;
    for (const char* k : known) list += std::string(list.empty() ? "" : ", ") + k;
    Under(item.key(), [&] { Fail("unknown key \"" + item.key() + "\" (known here: " + list + ")"); });
  }
}

std::u16string Text(const Json& j) {
  if (!j.is_string()) FailExpected(j, "a text");
  return testkit::FromUtf8(j.get<std::string>());
}

std::optional<std::u16string> TextOrNull(const Json& j) {
  if (j.is_null()) return std::nullopt;
  return Text(j);
}

bool Bool(const Json& j) {
  if (!j.is_boolean()) FailExpected(j, "true or false");
  return j.get<bool>();
}

std::uint64_t Unsigned(const Json& j) {
  if (!j.is_number_unsigned()) Fail("expected a whole number of 0 or more");
  return j.get<std::uint64_t>();
}

std::uint32_t Unsigned32(const Json& j) {
  const std::uint64_t n = Unsigned(j);
  if (n > UINT32_MAX) Fail("the number " + std::to_string(n) + " does not fit 32 bits (at most 4294967295)");
  return static_cast<std::uint32_t>(n);
}

HRESULT Status(const Json& j) {
  if (j.is_number_integer()) {
    const auto n = j.get<std::int64_t>();
    if (n < INT32_MIN || n > static_cast<std::int64_t>(UINT32_MAX)) Fail("status out of the 32-bit range");
    return static_cast<HRESULT>(static_cast<std::uint32_t>(n));
  }
  if (!j.is_string()) Fail("expected a status such as \"S_OK\" or \"0x80004005\"");
  const auto status = ParseStatus(j.get<std::string>());
  if (!status) Fail("unknown status \"" + j.get<std::string>() + "\"");
  return *status;
}

// Sizes as bytes, or texts such as "3 GB", "1.5 GB", "512 MB" (binary units).
std::uint64_t Bytes(const Json& j) {
  if (j.is_number_unsigned()) return j.get<std::uint64_t>();
  if (!j.is_string()) Fail("expected a number of bytes or a whole size such as \"512 MB\" or \"1.5 GB\"");
  const testkit::Result<std::uint64_t> bytes = ParseSize(j.get<std::string>());
  if (!bytes) Fail(bytes.error());
  return *bytes;
}

std::u16string Key(const std::string& key) {
  const auto canonical = machine::CanonicalKey(testkit::FromUtf8(key));
  if (!canonical) Fail("key root must be HKEY_LOCAL_MACHINE (HKLM) or HKEY_CLASSES_ROOT (HKCR)");
  if (const std::optional<std::string> fault = machine::KeyPathFault(*canonical)) Fail(*fault);
  return *canonical;
}

PropertyList Properties(const Json& j, bool allowNull) {
  ExpectObject(j, "an object of property names and texts");
  PropertyList list;
  for (const auto& item : j.items()) {
    Under(item.key(), [&] {
      if (item.value().is_null() && !allowNull) Fail("expected a text");
      list.emplace_back(testkit::FromUtf8(item.key()), TextOrNull(item.value()));
    });
  }
  return list;
}

TextTable Texts(const Json& j, const char* what) {
  ExpectObject(j, what);
  TextTable table;
  for (const auto& item : j.items())
    table.emplace_back(testkit::FromUtf8(item.key()), Under(item.key(), [&] { return TextOrNull(item.value()); }));
  return table;
}

}  // namespace scenario

namespace machine {

using namespace platform;  // the registry's type numbers
namespace {

using scenario::Fail;
using scenario::Json;
using scenario::Under;

std::uint32_t TypeNumber(const Json& j) {
  if (j.is_number_unsigned()) return scenario::Unsigned32(j);
  const std::string name = j.is_string() ? j.get<std::string>() : "";
  static const std::pair<const char*, std::uint32_t> kTypes[] = {
      {"none", 0},           {"sz", kRegSz},         {"expand_sz", kRegExpandSz}, {"binary", kRegBinary},
      {"dword", kRegDword}, {"multi_sz", kRegMultiSz}, {"qword", kRegQword}};
  for (const auto& [typeName, number] : kTypes)
    if (name == typeName) return number;
  Fail("unknown value type (known: none, sz, expand_sz, binary, dword, multi_sz, qword, or a number)");
}

// A whole number, or its hex text as regedit shows it ("0x0000002a").
std::uint64_t HexOrUnsigned(const Json& j) {
  if (!j.is_string()) return scenario::Unsigned(j);
  const std::string text = j.get<std::string>();
  const bool hex = text.size() > 2 && text.size() <= 18 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
                   text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
  if (!hex) Fail("expected a whole number of 0 or more, or a hex text such as \"0x2a\"");
  return std::stoull(text.substr(2), nullptr, 16);
}

std::vector<std::uint8_t> HexBytes(const Json& j) {
  if (!j.is_string()) Fail("expected a text of hex digit pairs");
  std::string digits;
  for (char c : j.get<std::string>())
    if (c != ' ' && c != ',') digits += c;
  if (digits.size() % 2 != 0) Fail("odd number of hex digits");
  std::vector<std::uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    if (!isxdigit(static_cast<unsigned char>(digits[i])) || !isxdigit(static_cast<unsigned char>(digits[i + 1])))
      Fail("not a hex digit");
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

void ReadForm(const Json& j, RegValue& value) {
  const bool terminated = j.contains("terminated") ? Under("terminated", [&] { return scenario::Bool(j["terminated"]); }) : true;
  if (j.contains("sz") || j.contains("expand_sz")) {
    const char* form = j.contains("sz") ? "sz" : "expand_sz";
    value.type = j.contains("sz") ? kRegSz : kRegExpandSz;
    testkit::AppendUnitBytes(value.data, Under(form, [&] { return scenario::Text(j[form]); }));
    if (terminated) value.data.insert(value.data.end(), {0, 0});
  } else if (j.contains("multi_sz")) {
    value.type = kRegMultiSz;
    const Json& list = j["multi_sz"];
    Under("multi_sz", [&] {
      if (!list.is_array()) scenario::FailExpected(list, "a list of texts");
      for (size_t i = 0; i < list.size(); ++i)
        testkit::AppendUnitBytes(value.data, Under(i, [&] { return scenario::Text(list[i]); }) + u'\0');
    });
    testkit::AppendUnitBytes(value.data, std::u16string(1, u'\0'));
  } else if (j.contains("dword") || j.contains("qword")) {
    const bool dword = j.contains("dword");
    const char* form = dword ? "dword" : "qword";
    value.type = dword ? kRegDword : kRegQword;
    const std::uint64_t n = Under(form, [&] {
      const std::uint64_t number = HexOrUnsigned(j[form]);
      if (dword && number > UINT32_MAX) Fail("dword out of the 32-bit range");
      return number;
    });
    for (int i = 0; i < (dword ? 4 : 8); ++i) value.data.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
  } else {
    value.type = j.contains("type") ? Under("type", [&] { return TypeNumber(j["type"]); }) : kRegBinary;
    value.data = Under("hex", [&] { return HexBytes(j["hex"]); });
  }
}

}  // namespace

void from_json(const Json& j, RegValue& value) {
  value = RegValue{};
  if (j.is_string()) {
    value.data = testkit::UnitBytes(testkit::FromUtf8(j.get<std::string>()) + u'\0');
    return;
  }
  scenario::OnlyKeys(j, {"sz", "expand_sz", "multi_sz", "dword", "qword", "hex", "type", "terminated"});
  int forms = 0;
  for (const char* form : {"sz", "expand_sz", "multi_sz", "dword", "qword", "hex"}) forms += j.contains(form);
  if (forms != 1) Fail("give exactly one of sz, expand_sz, multi_sz, dword, qword, hex");
  ReadForm(j, value);
  if (j.contains("type") && !j.contains("hex")) Under("type", [] { Fail("type goes with hex only"); });
  if (j.contains("terminated") && !j.contains("sz") && !j.contains("expand_sz"))
    Under("terminated", [] { Fail("terminated goes with sz or expand_sz only"); });
}

}  // namespace machine

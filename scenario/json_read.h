// Reading a scenario file's JSON, record by record (nlohmann's from_json), with every error
// placed by its JSON pointer. A record that cannot be read throws JsonError; each enclosing
// field adds its name to the error's place on the way out, and LoadScenario turns it into the
// scenario's Result.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "machine/records.h"
#include "scenario/scenario.h"

namespace scenario {

using Json = nlohmann::ordered_json;

struct JsonError {
  std::string where;  // JSON pointer below the node being read
  std::string what;
};

[[noreturn]] void Fail(const std::string& what);
// "expected WHAT, found a number": for a node of the wrong kind.
[[noreturn]] void FailExpected(const Json& j, const std::string& what);

// Runs `read` for the member `key` of the node being read: an error inside gets "/key" in front
// of its place.
// A member name as a JSON pointer writes it: "~" as "~0", "/" as "~1".
inline std::string PointerToken(const std::string& key) {
  std::string escaped;
  for (char c : key) escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return escaped;
}

template <class Read>
auto Under(const std::string& key, Read&& read) -> decltype(read()) {
  try {
    return read();
  } catch (JsonError& e) {
    e.where = "/" + PointerToken(key) + e.where;
    throw;
  }
}
template <class Read>
auto Under(size_t index, Read&& read) -> decltype(read()) {
  return Under(std::to_string(index), std::forward<Read>(read));
}
// The same for a node further down, by the members and indexes on the way: {"steps", "0", "expect"}.
template <class Read>
auto Under(std::initializer_list<std::string> path, Read&& read) -> decltype(read()) {
  try {
    return read();
  } catch (JsonError& e) {
    std::string where;
    for (const std::string& key : path) where += "/" + PointerToken(key);
    e.where = where + e.where;
    throw;
  }
}

// The member `key` read as T by its from_json.
template <class T>
T Get(const Json& j, const std::string& key) {
  return Under(key, [&] { return j.at(key).get<T>(); });
}
// The same when the member is there; `fallback` otherwise.
template <class T>
T GetOr(const Json& j, const std::string& key, T fallback) {
  return j.contains(key) ? Get<T>(j, key) : fallback;
}

// Every item of a list read as T.
template <class T>
std::vector<T> ListOf(const Json& j, const char* what) {
  if (!j.is_array()) FailExpected(j, what);
  std::vector<T> items;
  for (size_t i = 0; i < j.size(); ++i) items.push_back(Under(i, [&] { return j[i].get<T>(); }));
  return items;
}

// An object whose keys are all among `known`; names the first unknown one.
void OnlyKeys(const Json& j, std::initializer_list<const char*> known);
void ExpectObject(const Json& j, const char* what);

// Readers of plain values, whose errors name what was expected and what was found.
std::u16string Text(const Json& j);
std::optional<std::u16string> TextOrNull(const Json& j);
bool Bool(const Json& j);
std::uint64_t Unsigned(const Json& j);
// A whole number that must fit the 32 bits of its field: refused beyond 4294967295, never wrapped.
std::uint32_t Unsigned32(const Json& j);
HRESULT Status(const Json& j);
std::uint64_t Bytes(const Json& j);
// A canonical key path; the error names the roots that are known.
std::u16string Key(const std::string& key);
// An object of names and texts (null allowed where `allowNull`).
PropertyList Properties(const Json& j, bool allowNull);
TextTable Texts(const Json& j, const char* what);

// The records, each from its own node.
void from_json(const Json& j, Expectations& e);
void from_json(const Json& j, Step& step);
machine::Volume ReadVolume(const Json& j);
void from_json(const Json& j, Scenario& s);
// The machine's part of the whole file.
void ReadMachine(const Json& j, Scenario& s);

}  // namespace scenario

namespace machine {
// A registry value: a text (REG_SZ with its terminator), or an object naming the form.
void from_json(const scenario::Json& j, RegValue& value);
// A message box expected: text and caption.
void from_json(const scenario::Json& j, MessageShown& m);
}  // namespace machine

namespace platform {
// A program expected to start: file, parameters, directory.
void from_json(const scenario::Json& j, ShellStart& p);
// "YYYY-MM-DD HH:MM:SS".
void from_json(const scenario::Json& j, LocalTime& c);
}  // namespace platform

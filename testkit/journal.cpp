// Recording what a scenario will change, putting it back, and the journal file's text.
#include "testkit/journal.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "testkit/utf_text.h"

namespace testkit {
namespace {

using Json = nlohmann::json;

std::u16string Parent(const std::u16string& path) {
  const size_t cut = path.find_last_of(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

size_t Depth(const std::u16string& path) { return static_cast<size_t>(std::count(path.begin(), path.end(), u'\\')); }

// The key itself when it exists, else its highest ancestor that does not: removing that one
// removes every key created on the way down.
Result<KeyRecord> RecordKey(Store& store, const std::u16string& key) {
  const bool exists = store.KeyExists(key);
  KeyRecord record{key, std::nullopt, IsSystemKey(key)};
  if (exists) {
    record.tree = record.valuesOnly ? store.ReadValues(key) : store.ReadTree(key);
    if (!record.tree) return Failure("cannot read " + ToUtf8(key) + " whole, so it could not be put back");
    return record;
  }
  if (record.valuesOnly) return record;
  for (std::u16string up = Parent(key); Depth(up) >= 2 && !store.KeyExists(up); up = Parent(up)) record.path = up;
  return record;
}

// The folders above `file` that do not exist yet, outermost first (drive roots always exist).
void MissingFolders(Store& store, const std::u16string& file, std::vector<std::u16string>& folders) {
  std::vector<std::u16string> missing;
  for (std::u16string up = Parent(file); Depth(up) >= 1 && !store.FolderExists(up); up = Parent(up))
    missing.push_back(up);
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (std::find(folders.begin(), folders.end(), *it) == folders.end()) folders.push_back(*it);
}

Result<> RestoreKey(Store& store, const KeyRecord& record) {
  if (record.valuesOnly && record.tree && store.KeyExists(record.path)) return store.WriteValues(record.path, *record.tree);
  if (Result<> deleted = store.DeleteTree(record.path); !deleted) return deleted;
  if (record.tree) return store.WriteTree(record.path, *record.tree);
  return {};
}

// Keeps the first failure and goes on.
void Note(Result<>& first, Result<> next) {
  if (first && !next) first = std::move(next);
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdef") != std::string::npos)
    throw std::invalid_argument("not hex");
  std::vector<std::uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// Names are written as text a person reads; one that UTF-8 cannot hold exactly (an unpaired
// surrogate) as its UTF-16 units in hex, {"utf16": "..."}, so that every name comes back exactly.
// Journals of format 1 held every name so.
Json Name(const std::u16string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const bool high = name[i] >= 0xD800 && name[i] <= 0xDBFF, low = name[i] >= 0xDC00 && name[i] <= 0xDFFF;
    if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      return Json{{"utf16", Hex(UnitBytes(name))}};
    }
  }
  return ToUtf8(name);
}

std::u16string Name(const Json& j, int format) {
  if (format == 1) return UnitsOfBytes(Bytes(j.get<std::string>()));
  if (j.is_object()) return UnitsOfBytes(Bytes(j.at("utf16").get<std::string>()));
  return FromUtf8(j.get<std::string>());
}

Json TreeJson(const KeyTree& tree) {
  Json values = Json::array(), subkeys = Json::array();
  for (const auto& [name, value] : tree.values) values.push_back({Name(name), value.type, Hex(value.data)});
  for (const KeyTree& sub : tree.subkeys) subkeys.push_back(TreeJson(sub));
  return {{"name", Name(tree.name)}, {"values", values}, {"security", Hex(tree.security)}, {"subkeys", subkeys}};
}

KeyTree TreeOf(const Json& j, int format) {
  KeyTree tree;
  tree.name = Name(j.at("name"), format);
  for (const Json& v : j.at("values"))
    tree.values.emplace_back(Name(v.at(0), format), RegValue{v.at(1).get<std::uint32_t>(), Bytes(v.at(2).get<std::string>())});
  tree.security = Bytes(j.at("security").get<std::string>());
  for (const Json& sub : j.at("subkeys")) tree.subkeys.push_back(TreeOf(sub, format));
  return tree;
}

}  // namespace

bool Journal::operator==(const Journal& o) const {
  auto sameKey = [](const KeyRecord& a, const KeyRecord& b) {
    return a.path == b.path && a.tree == b.tree && a.valuesOnly == b.valuesOnly;
  };
  auto sameFile = [](const FileRecord& a, const FileRecord& b) { return a.path == b.path && a.bytes == b.bytes && a.written == b.written; };
  return std::equal(keys.begin(), keys.end(), o.keys.begin(), o.keys.end(), sameKey) &&
         std::equal(files.begin(), files.end(), o.files.begin(), o.files.end(), sameFile) && folders == o.folders &&
         windows == o.windows;
}

bool IsSystemKey(const std::u16string& path) {
  const std::u16string system = u"HKEY_LOCAL_MACHINE\\SYSTEM";
  return NoCaseLess::Same(path.substr(0, system.size()), system) &&
         (path.size() == system.size() || path[system.size()] == u'\\');
}

Result<Journal> Record(Store& store, const std::vector<std::u16string>& keys, const std::vector<std::u16string>& files) {
  Journal journal;
  std::set<std::u16string, NoCaseLess> seen;
  for (const std::u16string& key : keys) {
    Result<KeyRecord> record = RecordKey(store, key);
    if (!record) return Failure(record.error());
    if (seen.insert(record->path).second) journal.keys.push_back(std::move(*record));
  }
  std::set<std::u16string, NoCaseLess> seenFiles;
  for (const std::u16string& file : files) {
    if (!seenFiles.insert(file).second) continue;
    MissingFolders(store, file, journal.folders);
    std::optional<std::string> bytes = store.ReadFile(file);
    if (!bytes && store.FileExists(file)) return Failure("cannot read " + ToUtf8(file) + ", so it could not be put back");
    const std::optional<std::uint64_t> written = bytes ? store.FileWritten(file) : std::nullopt;
    journal.files.push_back({file, std::move(bytes), written});
  }
  return journal;
}

Result<> Restore(Store& store, const Journal& journal) {
  Result<> first;
  std::vector<const KeyRecord*> keys;
  for (const KeyRecord& record : journal.keys) keys.push_back(&record);
  // Inner keys first: an outer key's record holds its subkeys as they were and comes back last.
  std::stable_sort(keys.begin(), keys.end(),
                   [](const KeyRecord* a, const KeyRecord* b) { return Depth(a->path) > Depth(b->path); });
  for (const KeyRecord* record : keys) Note(first, RestoreKey(store, *record));
  for (const FileRecord& file : journal.files) {
    Result<> done = file.bytes ? store.WriteFile(file.path, *file.bytes) : store.RemoveFile(file.path);
    if (done && file.written) done = store.SetFileWritten(file.path, *file.written);
    Note(first, std::move(done));
  }
  for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it) Note(first, store.RemoveFolder(*it));
  return first;
}

std::string JournalText(const Journal& journal) {
  Json keys = Json::array(), files = Json::array(), folders = Json::array();
  for (const KeyRecord& k : journal.keys)
    keys.push_back({{"path", Name(k.path)}, {"tree", k.tree ? TreeJson(*k.tree) : Json()}, {"valuesOnly", k.valuesOnly}});
  for (const FileRecord& f : journal.files) {
    Json file{{"path", Name(f.path)}, {"bytes", f.bytes ? Json(Hex({f.bytes->begin(), f.bytes->end()})) : Json()}};
    if (f.written) file["written"] = *f.written;
    files.push_back(file);
  }
  for (const std::u16string& folder : journal.folders) folders.push_back(Name(folder));
  return Json{{"suitehostJournal", 2}, {"windows", machine::WindowsName(journal.windows)}, {"keys", keys},
              {"files", files}, {"folders", folders}}
             .dump(1) +
         "\n";
}

Result<Journal> ParseJournal(const std::string& text) {
  try {
    const Json j = Json::parse(text);
    if (j.at("suitehostJournal") != 1 && j.at("suitehostJournal") != 2) return Failure("not a journal of this suitehost");
    const int format = j.at("suitehostJournal").get<int>();
    Journal journal;
    // Journals written before 64-bit machines were modelled have no "windows": theirs was x86.
    const std::string windows = j.value("windows", "x86");
    if (windows != "x86" && windows != "x64") return Failure("unknown Windows \"" + windows + "\" in the journal");
    journal.windows = windows == "x64" ? machine::Windows::X64 : machine::Windows::X86;
    for (const Json& k : j.at("keys"))
      journal.keys.push_back({Name(k.at("path"), format),
                              k.at("tree").is_null() ? std::nullopt : std::optional<KeyTree>(TreeOf(k.at("tree"), format)),
                              k.at("valuesOnly").get<bool>()});
    for (const Json& f : j.at("files")) {
      std::optional<std::string> bytes;
      if (!f.at("bytes").is_null()) {
        const std::vector<std::uint8_t> raw = Bytes(f.at("bytes").get<std::string>());
        bytes = std::string(raw.begin(), raw.end());
      }
      std::optional<std::uint64_t> written;
      if (f.contains("written")) written = f.at("written").get<std::uint64_t>();
      journal.files.push_back({Name(f.at("path"), format), bytes, written});
    }
    for (const Json& folder : j.at("folders")) journal.folders.push_back(Name(folder, format));
    return journal;
  } catch (const std::exception& e) {
    return Failure(std::string("the journal cannot be read: ") + e.what());
  }
}

std::vector<std::string> JournalLines(const Journal& journal) {
  std::vector<std::string> lines;
  const auto count = [](size_t n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); };
  for (const KeyRecord& k : journal.keys) {
    const std::string key = "[" + ToUtf8(k.path) + "]";
    if (!k.tree)
      lines.push_back("key " + key + ": removed (the run made it)");
    else if (k.valuesOnly)
      lines.push_back("values of key " + key + ": as they were (" + count(k.tree->values.size(), "value") + ")");
    else
      lines.push_back("key " + key + ": as it was (" + count(k.tree->values.size(), "value") + ", " +
                      count(k.tree->subkeys.size(), "subkey") + ")");
  }
  for (const FileRecord& f : journal.files)
    lines.push_back("file " + ToUtf8(f.path) +
                    (f.bytes ? ": as it was (" + count(f.bytes->size(), "byte") + ")" : ": removed (the run made it)"));
  for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it)
    lines.push_back("folder " + ToUtf8(*it) + ": removed (the run made it)");
  return lines;
}

}  // namespace testkit

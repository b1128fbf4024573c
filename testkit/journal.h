// What a scenario machine on a real system records before it changes anything, so that it can
// put everything back exactly: the whole tree of every registry key it will change (values with
// type and bytes, subkeys, security descriptor) or that it did not exist, and every file it will
// place, with the bytes of one that already stood there. The record is written to a journal file
// before the first change, so that a run that is killed is undone by the next one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "testkit/machine.h"

namespace testkit {

// A registry key as it stood.
struct KeyTree {
  std::u16string name;  // the last part of its path, as the registry spells it
  std::vector<std::pair<std::u16string, RegValue>> values;
  std::vector<std::uint8_t> security;  // self-relative security descriptor (DACL); empty: unknown
  std::vector<KeyTree> subkeys;
  bool operator==(const KeyTree& o) const {
    return name == o.name && values == o.values && security == o.security && subkeys == o.subkeys;
  }
};

struct KeyRecord {
  std::u16string path;          // canonical
  std::optional<KeyTree> tree;  // nullopt: the key did not exist
  bool valuesOnly = false;      // a system key: only its values are recorded and put back
};

struct FileRecord {
  std::u16string path;
  std::optional<std::string> bytes;  // nullopt: no file stood there
  // When the file that stood there was last written (a FILETIME), given back with its bytes.
  std::optional<std::uint64_t> written;
};

struct Journal {
  // The registry view the key paths are in: on 64-bit Windows an x64 scenario's paths are the
  // machine's own, an x86 scenario's those of the 32-bit view.
  machine::Windows windows = machine::Windows::X86;
  std::vector<KeyRecord> keys;
  std::vector<FileRecord> files;
  std::vector<std::u16string> folders;  // folders that did not exist, outermost first
  bool operator==(const Journal& o) const;
};

// The registry and files as the journal reads and restores them.
class Store {
 public:
  virtual ~Store() = default;
  virtual bool KeyExists(const std::u16string& path) = 0;
  // The whole tree; nullopt when any part of it cannot be read.
  virtual std::optional<KeyTree> ReadTree(const std::u16string& path) = 0;
  // The key's own values, without subkeys or security; nullopt when it does not exist.
  virtual std::optional<KeyTree> ReadValues(const std::u16string& path) = 0;
  // Removes the key with all its subkeys, whatever their rights; an absent key is no failure.
  virtual Result<> DeleteTree(const std::u16string& path) = 0;
  // Creates the key (and its missing parents) as the tree describes it, security last.
  virtual Result<> WriteTree(const std::u16string& path, const KeyTree& tree) = 0;
  // Gives an existing key exactly these values, leaving its subkeys and security alone.
  virtual Result<> WriteValues(const std::u16string& path, const KeyTree& values) = 0;
  virtual bool FileExists(const std::u16string& path) = 0;
  virtual std::optional<std::string> ReadFile(const std::u16string& path) = 0;
  virtual Result<> WriteFile(const std::u16string& path, const std::string& bytes) = 0;
  virtual Result<> RemoveFile(const std::u16string& path) = 0;
  // When the file was last written, and setting it again; a store without times keeps none.
  virtual std::optional<std::uint64_t> FileWritten(const std::u16string&) { return std::nullopt; }
  virtual Result<> SetFileWritten(const std::u16string&, std::uint64_t) { return {}; }
  virtual bool FolderExists(const std::u16string& path) = 0;
  // Removes an empty folder; one that holds something is left, and that is said.
  virtual Result<> RemoveFolder(const std::u16string& path) = 0;
};

// True for a key under HKEY_LOCAL_MACHINE\SYSTEM: it belongs to the system, and only its values
// are recorded and put back; it is never removed.
bool IsSystemKey(const std::u16string& path);

// Records the keys (each, or its highest ancestor that does not exist yet, so that keys created
// on the way are removed again) and the files, before anything is changed. A key or file that
// exists but cannot be read whole is a failure: what cannot be recorded cannot be put back.
Result<Journal> Record(Store& store, const std::vector<std::u16string>& keys, const std::vector<std::u16string>& files);

// Puts back every key and file of the journal; every failure is said, none stops the others.
Result<> Restore(Store& store, const Journal& journal);

// The journal as a text file and back: JSON with names as text (format 2); journals of format 1,
// names in hex, still read.
std::string JournalText(const Journal& journal);
Result<Journal> ParseJournal(const std::string& text);

// What putting the journal back does, a line for each key, file and folder, in the user's terms.
std::vector<std::string> JournalLines(const Journal& journal);

}  // namespace testkit

// The registry of the simulated machine, in memory: keys by their full path, each with its
// values and the rights it refuses.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "machine/records.h"

namespace machine {

// READ_CONTROL and WRITE_DAC: what the owner of a key always holds, whatever its DACL says.
constexpr std::uint32_t kOwnerRights = 0x00020000 | 0x00040000;

struct RegKeyData {
  std::map<std::u16string, RegValue, NoCaseLess> values;
  // Access rights refused on open or create, as for a user without administrative rights. The
  // owner's READ_CONTROL and WRITE_DAC are never refused: the machine's token owns its keys.
  std::uint32_t deniedAccess = 0;
};

// Full key path as "HKEY_LOCAL_MACHINE\\SOFTWARE\\..."; HKEY_CLASSES_ROOT is an alias of
// HKEY_LOCAL_MACHINE\\Software\\Classes. Every key on a path exists once its leaf exists. Keys are
// held as a tree, one node a name, so that making, finding and deleting a key take time in
// proportion to its path (and to the keys deleted with it), however many keys there are.
class Registry {
 public:
  static std::u16string Under(platform::Hive hive, const std::u16string& path);

  Registry();
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  Registry(Registry&&) noexcept;
  Registry& operator=(Registry&&) noexcept;

  // The keys Windows does not run without: the Session Manager's, pending file operations or not.
  void CreateWindowsKeys();
  RegKeyData& CreateKey(const std::u16string& canonicalPath);
  RegKeyData* FindKey(const std::u16string& canonicalPath);
  void DeleteKey(const std::u16string& canonicalPath);  // with its subkeys
  void SetValue(const std::u16string& canonicalPath, const std::u16string& name, RegValue value);
  std::optional<RegValue> GetValue(const std::u16string& canonicalPath, const std::u16string& name) const;
  // One change of a set-up, its key named as `key` (the change's own path as the machine holds it).
  void Apply(const RegistryChange& change, const std::u16string& key);

 private:
  struct Node;
  Node* Find(const std::u16string& canonicalPath) const;  // null when the key does not exist
  std::unique_ptr<Node> root_;  // above the roots: its children are HKEY_LOCAL_MACHINE and the like
};

}  // namespace machine

// The registry of the simulated machine, in memory: keys by their full path, each with its
// values and the rights it refuses.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "machine/records.h"

namespace machine {

struct RegKeyData {
  std::map<std::u16string, RegValue, NoCaseLess> values;
  // Access rights refused on open or create, as for a user without administrative rights.
  std::uint32_t deniedAccess = 0;
};

// Full key path as "HKEY_LOCAL_MACHINE\SOFTWARE\..."; HKEY_CLASSES_ROOT is an alias of
// HKEY_LOCAL_MACHINE\Software\Classes. Every key on a path exists once its leaf exists.
class Registry {
 public:
  static std::u16string Under(platform::Hive hive, const std::u16string& path);

  RegKeyData& CreateKey(const std::u16string& canonicalPath);
  RegKeyData* FindKey(const std::u16string& canonicalPath);
  void DeleteKey(const std::u16string& canonicalPath);  // with its subkeys
  void SetValue(const std::u16string& canonicalPath, const std::u16string& name, RegValue value);
  std::optional<RegValue> GetValue(const std::u16string& canonicalPath, const std::u16string& name) const;
  const std::map<std::u16string, RegKeyData, NoCaseLess>& Keys() const { return keys_; }
  void Clear() { keys_.clear(); }

 private:
  std::map<std::u16string, RegKeyData, NoCaseLess> keys_;
};

}  // namespace machine

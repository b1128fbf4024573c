// The real registry under HKEY_LOCAL_MACHINE as the Windows scenario machine seeds, reads and
// puts back keys given by their canonical paths.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "testkit/machine.h"

namespace testkit::win32 {

// The key's values, or nullopt when it cannot be opened for reading.
std::optional<RegistryValues> ReadKey(const std::u16string& key);

// One change of a scenario's registry set-up, done for real.
Result<> ApplyChange(const RegistryChange& change);

// Removes the key with its subkeys, first giving it back its owner's rights; an absent key is
// no failure.
Result<> DeleteKeyTree(const std::u16string& key);

// Keys under HKEY_LOCAL_MACHINE\SYSTEM belong to the system and get back the values they had
// when first seen; every other key a scenario uses is its own and goes away.
class KeyRestorer {
 public:
  void Restore(const std::u16string& key);

 private:
  std::map<std::u16string, std::optional<RegistryValues>, NoCaseLess> firstSeen_;
};

}  // namespace testkit::win32

// The real registry under HKEY_LOCAL_MACHINE as the Windows scenario machine sets up, reads and
// puts back keys given by their canonical paths.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>
#include <string>

#include "testkit/machine.h"

namespace testkit::win32 {

// The key's values, or nullopt when it does not exist or cannot be read. With `openUp`, for a key
// of the scenario's own, a key whose reading the scenario refused is read all the same: its owner
// opens it up for a moment and gives it back the same rights.
std::optional<RegistryValues> ReadKey(const std::u16string& key, bool openUp = false);

// One change of a scenario's registry set-up, done for real; a key under HKEY_LOCAL_MACHINE\SYSTEM
// is never deleted.
Result<> ApplyChange(const RegistryChange& change);

// Removes the key with its subkeys, first giving each of them back its owner's rights; an absent
// key is no failure.
Result<> DeleteKeyTree(const std::u16string& key);

// The key's security descriptor (its DACL), and setting it again.
std::optional<std::vector<std::uint8_t>> KeySecurity(HKEY key);
Result<> SetKeySecurity(HKEY key, const std::u16string& path, const std::vector<std::uint8_t>& descriptor);

// The names of an open key's subkeys, as the registry spells them.
std::vector<std::u16string> SubkeyNames(HKEY key);

// The values of an open key, with their exact bytes.
RegistryValues ReadValues(HKEY key);
// Sets a value with its exact bytes, an unterminated string included; `path` names the key in
// the failure.
Result<> SetValue(HKEY key, const std::u16string& path, const std::u16string& name, const RegValue& value);

}  // namespace testkit::win32

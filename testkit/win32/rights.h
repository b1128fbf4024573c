// Access control on real registry keys: refusing rights as for a user without administrative
// rights, and handing them back.
#pragma once

#include <cstdint>
#include <string>

#include "testkit/result.h"

namespace testkit::win32 {

// Creates the key if needed and sets a DACL that refuses `rights` to everyone.
Result<> DenyRights(const std::u16string& key, std::uint32_t rights);

// Gives the key back its owner's full rights, so that a key the scenario locked can be changed
// or removed. A key that does not exist needs nothing.
Result<> Unlock(const std::u16string& key);

}  // namespace testkit::win32

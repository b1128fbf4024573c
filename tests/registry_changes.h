// Finding a registry change by what it is, not by where it stands in a list.
#pragma once

#include <string_view>
#include <vector>

#include "machine/records.h"

namespace testing_support {

// The change of this kind to this key (and value name, for a value's change), or null; keys and
// names compare exactly, as the loaders give them canonical.
inline const machine::RegistryChange* Find(const std::vector<machine::RegistryChange>& changes,
                                           machine::RegistryChange::Kind kind, std::u16string_view key,
                                           std::u16string_view name = {}) {
  for (const machine::RegistryChange& change : changes)
    if (change.kind == kind && change.key == key && change.name == name) return &change;
  return nullptr;
}

}  // namespace testing_support

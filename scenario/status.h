// Texts a person writes for the figures of a scenario: HRESULT names and sizes in bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/com_types.h"

namespace scenario {

// HRESULT texts: "S_OK", "E_OUTOFMEMORY", "0x8007000E"; nullopt when not one.
std::optional<HRESULT> ParseStatus(const std::string& text);
// "0x00000001 S_FALSE", or the hex figure alone for a status without a name.
std::string StatusName(HRESULT status);

// A size in bytes: a whole number, or one with a binary unit ("3 GB", "1.5GB", "512 MB").
std::optional<std::uint64_t> ParseSize(const std::string& text);

}  // namespace scenario

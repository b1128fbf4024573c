// Texts a person writes for the figures of a scenario: HRESULT names and sizes in bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/com_types.h"
#include "testkit/result.h"

namespace scenario {

// A drive's root as Windows names it: "D:" and "D:\\" alike are "D:\\"; other roots as given.
std::u16string VolumeRoot(const std::u16string& given);
// The same root for Windows: letter case aside.
bool SameVolume(const std::u16string& a, const std::u16string& b);

// HRESULT texts: "S_OK", "E_OUTOFMEMORY", "0x8007000E"; nullopt when not one.
std::optional<HRESULT> ParseStatus(const std::string& text);
// "0x00000001 S_FALSE", or the hex figure alone for a status without a name.
std::string StatusName(HRESULT status);

// A size in bytes: a whole number, or one with a binary unit ("3 GB", "1.5GB", "512 MB"), exactly;
// the failure says why it is not one (the form, too large, not a whole number of bytes).
testkit::Result<std::uint64_t> ParseSize(const std::string& text);

}  // namespace scenario

// Texts of the engine stand-in and the tests: UTF-8 and UTF-16 conversion (unpaired surrogates
// are kept as their three-byte forms so that nothing is lost on the way to the screen and back),
// texts for a person, and UTF-16 units as the little-endian bytes the registry stores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Text for a person: quoted, with control characters and NULs escaped.
std::string Quoted(std::u16string_view text);
// "0x0000002A": a 32-bit figure as eight hex digits.
std::string Hex32(std::uint32_t value);

// The units as little-endian bytes, as the registry stores a UTF-16 text.
std::vector<std::uint8_t> UnitBytes(std::u16string_view text);
void AppendUnitBytes(std::vector<std::uint8_t>& bytes, std::u16string_view text);
// The whole units of little-endian bytes; an odd last byte is left out.
std::u16string UnitsOfBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace testkit

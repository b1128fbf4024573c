// Dotted versions: scanned as the wide scan "%d.%d.%d.%d" does and compared field by field.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The four signed 32-bit fields of a dotted version text, major first.
using VersionFields = std::array<std::int32_t, 4>;

// Scans `text` as the wide scan "%d.%d.%d.%d" does: each field skips leading white space and
// takes a sign and decimal digits (clamped to the 32-bit range on overflow); the full stop
// between fields must follow at once. Scanning stops at the first mismatch. Fields the scan
// does not reach are 0. Returns the number of fields assigned.
int ScanDottedVersion(std::u16string_view text, VersionFields& fields);

// How two versions stand, compared over as many fields as `first` has full stops plus one (at
// most four).
enum class VersionOrder { FirstNewer, SecondNewer, Same };
VersionOrder CompareDottedVersions(std::u16string_view first, std::u16string_view second);

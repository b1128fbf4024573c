// The pieces of the disk space check that tests look at on their own.
#pragma once

#include <cstdint>
#include <string>

#include "common/com_types.h"

// A requirement property's text as GB: the decimal conversion rounded to 32 bits; negative
// texts count as 0, and numbers beyond the 32-bit range as infinitely large.
float RequirementOf(const std::u16string& text);
// Strictly more free GB than required.
bool EnoughRoom(std::uint64_t freeBytes, float requirement);
// "3 GB", "1.50 GB", "512 MB", "512.00 MB".
std::u16string FreeSpaceText(std::uint64_t freeBytes);
// The system drive's check, on a session of its own; the query's status when that fails.
HRESULT CheckSystemDriveSpace(IDispatch* dispatch);

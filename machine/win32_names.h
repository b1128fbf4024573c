// Windows' own names for the figures of a call on the system: error numbers, registry and token
// rights, value types, message box styles and answers, restart flags and reasons. Each name is
// given with its figure beside it, "ERROR_FILE_NOT_FOUND (2)", "KEY_READ | KEY_WOW64_64KEY
// (0x00020119)", so that a figure Windows has no name for still shows.
#pragma once

#include <cstdint>
#include <string>

namespace machine::names {

std::string Error(std::int32_t code);            // "ERROR_ACCESS_DENIED (5)", or "1234"
std::string KeyRights(std::uint32_t access);     // "KEY_READ | KEY_WRITE (0x0002001F)"
std::string TokenRights(std::uint32_t access);   // "TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY (0x00000028)"
std::string ValueType(std::uint32_t type);       // "REG_SZ", "REG_DWORD", or "type 77"
std::string MessageStyle(std::uint32_t style);   // "MB_YESNO (0x00000004)"
std::string MessageAnswer(int answer);           // "IDYES (6)"; 0 is "0 (not shown)"
std::string ExitFlags(std::uint32_t flags);      // "EWX_REBOOT | EWX_FORCE (0x00000006)"
std::string ShutdownReason(std::uint32_t reason);

}  // namespace machine::names

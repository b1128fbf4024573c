// Texts at the Win32 boundary of the Windows scenario machine: UTF-16 texts as Win32 takes and
// gives them, and a system status for a person.
#pragma once

#include <windows.h>

#include <string>

namespace testkit::win32 {

inline const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline std::u16string U(const wchar_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(text));
}

// "status 5 (Access is denied.)": the number and the system's own words for it.
std::string StatusText(DWORD status);

}  // namespace testkit::win32

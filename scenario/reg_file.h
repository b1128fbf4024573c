// Registry editor export files (.reg): "Windows Registry Editor Version 5.00" (UTF-16 LE with
// a byte-order mark, or UTF-8) and "REGEDIT4" (single-byte, Windows-1252).
#pragma once

#include <string>
#include <vector>

#include "machine/registry_view.h"
#include "testkit/machine.h"

namespace scenario {

using testkit::RegistryChange;
using testkit::Result;

// True for a key path with a "WOW6432Node" part: the 32-bit view as a 64-bit machine's registry
// editor shows and exports it. 32-bit Windows has no such key, and a scenario on it refuses one.
bool IsWow64Path(const std::u16string& path);
extern const char kWow64Refusal[];

// The file's changes in order, for a machine running `windows`; a failure says "FILE:LINE: what
// is wrong". Keys under HKEY_CURRENT_USER, HKEY_USERS and HKEY_CURRENT_CONFIG (a whole branch's
// export holds them) are left out, with their values, and said in one line added to `notes`.
Result<std::vector<RegistryChange>> ReadRegFile(const std::string& path, machine::Windows windows,
                                                std::vector<std::string>* notes = nullptr);
// The same for text already in memory; `name` is used in messages.
Result<std::vector<RegistryChange>> ParseRegText(const std::string& name, const std::string& bytes,
                                                 machine::Windows windows = machine::Windows::X86,
                                                 std::vector<std::string>* notes = nullptr);

}  // namespace scenario

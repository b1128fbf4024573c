// Registry editor export files (.reg): "Windows Registry Editor Version 5.00" (UTF-16 LE with
// a byte-order mark, or UTF-8) and "REGEDIT4" (single-byte, Windows-1252).
#pragma once

#include <string>
#include <vector>

#include "host/machine.h"

namespace host {

// Reads the file's changes in order; false with `error` as "FILE:LINE: what is wrong".
bool ReadRegFile(const std::string& path, std::vector<RegistryChange>& changes, std::string& error);
// The same for text already in memory; `name` is used in messages.
bool ParseRegText(const std::string& name, const std::string& bytes,
                  std::vector<RegistryChange>& changes, std::string& error);

}  // namespace host

// File paths as Win32 takes them.
#pragma once

#include <string>

namespace machine {

// A file path as Win32 resolves it: "/" taken for "\", repeated separators folded, "." segments
// dropped and ".." ones taken back, a path from the root of the current drive put on C:. The
// simulated machine keeps its files in this form, compared without regard to letter case.
std::u16string NormalFilePath(const std::u16string& path);

}  // namespace machine

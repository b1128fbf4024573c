// What tells one build of a library from another: the SHA-256 of its file, and the version its
// version resource gives (Windows DLLs; the native build's shared objects have none).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "testkit/result.h"

namespace testkit {

// The SHA-256 of the bytes, as 64 lowercase hex digits.
std::string Sha256(const std::string& bytes);
Result<std::string> Sha256OfFile(const std::string& path);

// "1.0.0.0", from the file's fixed version information; nullopt where it has none.
std::optional<std::string> FileVersion(const std::string& path);

}  // namespace testkit

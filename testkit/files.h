// Files of the engine stand-in: the folder of the running program and whole files read at once.
#pragma once

#include <string>

#include "testkit/result.h"

namespace testkit {

// The folder of the running program, in UTF-8 ("." when it cannot be told).
std::string ProgramFolder();

// The whole file, bytes as stored; a failure says "PATH: cannot be read".
Result<std::string> ReadWholeFile(const std::string& path);

}  // namespace testkit

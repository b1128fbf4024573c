// Files of the engine stand-in: the folder of the running program, the parts of a path, and whole
// files read at once.
#pragma once

#include <string>

#include "testkit/result.h"

namespace testkit {

// The folder of the running program, in UTF-8 ("." when it cannot be told).
std::string ProgramFolder();

// The name of the file a path names: what follows its last "/" or "\".
std::string FileName(const std::string& path);
// The folder a path names its file in, without the last separator; empty when it names none.
std::string FolderOf(const std::string& path);
// A path given relative to the folder of `file` (a scenario's import or library), as a path
// from here; an absolute path ("/...", "\...", "C:...") as it stands.
std::string BesideFile(const std::string& file, const std::string& relative);

// The whole file, bytes as stored; a failure says "PATH: cannot be read".
Result<std::string> ReadWholeFile(const std::string& path);

}  // namespace testkit

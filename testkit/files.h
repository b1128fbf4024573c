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

// The most a whole-file read takes: more than any scenario or registry export of the keys the
// actions read; a file that never ends (a device, a growing file) is refused at it.
constexpr unsigned long long kLargestFile = 256ull << 20;

// The whole file, bytes as stored; a failure says "PATH: " and why, as the system says it ("No
// such file or directory", "Is a directory", "Permission denied"), or that it is no file or too
// large.
Result<std::string> ReadWholeFile(const std::string& path);

// Writes BYTES to PATH whole or not at all: into a temporary file beside it, renamed over it (an
// earlier file of that name is replaced only then). The failure says why, as the system says it.
Result<> WriteWholeFile(const std::string& path, const std::string& bytes);

// Whether a file can be made at PATH, found by making an empty temporary file beside it and
// removing it: the failure says why (a missing folder, no permission).
Result<> CanWriteBeside(const std::string& path);

// Something (a file, a folder, a device) is at PATH.
bool PathExists(const std::string& path);

// The two paths name one file that exists (the same inode, or on Windows the same full path
// without regard to case).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace testkit

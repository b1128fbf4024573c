// Program start and time stamp.
#pragma once

#include <string>
#include <string_view>

// True for a path that names its place whole: a drive letter, a colon and a separator
// ("C:\..."), or a UNC path ("\\server\...").
bool IsFullyQualifiedPath(std::u16string_view path);

// Starts the program with the shell's "open" verb and returns at once; the outcome is not
// examined, and the shell is told to show no error box of its own. A program path that is not
// fully qualified starts nothing: the engine runs elevated, and such a path would be found
// relative to the engine's current folder or drive, where a standard user may have put a
// program of their own.
int LaunchProgram(const std::u16string& program, const std::u16string& parameters,
                  const std::u16string& workingFolder);

// The local date and time as "YYYY-MM-DD.HH:MM:SS" (the "%Y-%m-%d.%X" form of the "C" locale);
// the empty text if the clock cannot be read.
std::u16string MakeTimeStamp();

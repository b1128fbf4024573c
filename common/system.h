// Program start and time stamp.
#pragma once

#include <string>

// Starts the program with the shell's "open" verb and returns at once; the outcome is not
// examined, and the shell is told to show no error box of its own.
int LaunchProgram(const std::u16string& program, const std::u16string& parameters,
                  const std::u16string& workingFolder);

// The local date and time as "YYYY-MM-DD.HH:MM:SS" (the "%Y-%m-%d.%X" form of the "C" locale);
// the empty text if the clock cannot be read.
std::u16string MakeTimeStamp();

// The system strings of a run, counted by the machine: on Linux all of this process's, counted
// by the simulated platform; on Windows those of the engine stand-in and of the libraries taken
// over by the scenario machine, whose replaced imports count them.
#pragma once

#include <string_view>

#include "common/com_types.h"

namespace testkit {

// A system string made by the engine for an action (null when the allocation fails).
BSTR MakeEngineString(std::u16string_view text);
// System strings made and not yet freed.
long LiveSystemStrings();

// The count towards a system string made to fail on purpose, put aside while the engine stand-in
// makes its own strings (nothing to put aside where failures are not made), and taken up again.
long PauseSystemStringFailures();
void ResumeSystemStringFailures(long countdown);

// True while the simulated system does its own work, whose memory is not the library's.
bool InSystemWork();

}  // namespace testkit

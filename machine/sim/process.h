// The native build's platform runs on one simulated machine per process, as there is one
// Windows per process: the machine itself, its system strings, and the guard that tells the
// system's own work from the library's.
#pragma once

#include "machine/file_path.h"
#include "machine/simulated.h"

namespace sim {

using machine::NormalFilePath;

machine::SimulatedMachine& machine();
// A fresh machine: a registry with only the Session Manager key that Windows always has, no
// volumes, no environment, nothing recorded.
void Reset();

// System strings made and not yet freed, in the whole process.
long LiveSystemStrings();
// Makes the n-th system string allocation from now fail (1 = the next one); 0 disables.
void FailSystemStringAllocation(long nth);
// How many allocations are left before the one made to fail; 0 when none is.
long SystemStringFailureCountdown();

// Every call of the simulated system runs between these two: its own memory is the system's, not
// the library's, so no C++ allocation is made to fail on purpose inside it.
void EnterSystemWork();
void LeaveSystemWork();
bool InSystemWork();

}  // namespace sim

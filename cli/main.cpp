// suitehost: the installer engine's stand-in. Loads an action library from its file, calls its
// exported actions with an automation object as the engine does, and runs scenario files.
#include "cli/command.h"

int main(int argc, char** argv) { return suitehost::RunCommand(argc, argv); }

// A scenario's machine as the registry editor's export file: "Windows Registry Editor Version
// 5.00" in UTF-16 LE with its byte-order mark and CRLF lines, as regedit writes it.
#pragma once

#include <string>
#include <vector>

#include "scenario/scenario.h"

namespace scenario {

// The registry a set-up leaves, from its changes in order: keys with their values.
testkit::RegistryState FoldRegistry(const std::vector<RegistryChange>& changes);

struct RegExport {
  std::string bytes;  // the whole file
  size_t keys = 0;
  size_t values = 0;
  // What the file does not hold, one sentence each: refusals (a .reg file holds no rights, so
  // they also stand in it as comments), names a .reg line cannot hold, the machine's other parts.
  std::vector<std::string> leftOut;
};

// Keys stand in the view the machine's Windows puts them in: its own paths, WOW6432Node included
// on 64-bit Windows, as a scenario gives them.
RegExport ExportRegistry(const MachineSetUp& m);

}  // namespace scenario

// `suitehost export`.
#include "cli/export_command.h"

#include <iostream>

#include "cli/command.h"
#include "scenario/reg_export.h"
#include "testkit/files.h"

namespace suitehost {

int Export(const ExportOptions& options) {
  const scenario::Result<scenario::Scenario> s = scenario::LoadScenario(options.scenario);
  if (!s) return Refuse(s.error());
  if (testkit::PathExists(options.out))
    return Refuse("--out " + options.out + ": the file exists; remove it or name another");
  const scenario::RegExport exported = scenario::ExportRegistry(s->machine);
  if (scenario::Result<> written = testkit::WriteWholeFile(options.out, exported.bytes); !written)
    return Refuse("--out " + written.error());
  for (const std::string& left : exported.leftOut) std::cerr << "suitehost: not in the file: " << left << "\n";
  std::cerr << "suitehost: exported " << exported.keys << " key(s) with " << exported.values << " value(s) of "
            << machine::WindowsName(s->machine.windows) << " Windows"
            << (s->machine.windows == machine::Windows::X64 ? ", in its own paths (WOW6432Node for the 32-bit view)" : "")
            << " into " << options.out << "\n";
  return kAllHeld;
}

}  // namespace suitehost

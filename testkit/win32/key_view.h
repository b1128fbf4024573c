// How the Windows scenario machine names real keys: the registry view it works in, and the path
// below HKEY_LOCAL_MACHINE of a canonical key.
#pragma once

#include <windows.h>

#include <string>

#include "machine/registry_view.h"

namespace testkit::win32 {

// The view every key of the scenario machine is named in, from then on: the 64-bit view (the
// machine's own paths, as its registry editor shows them) for an x64 scenario; for an x86 one
// the view of this program, which is the loaded libraries' (the 32-bit view on 64-bit Windows).
// 32-bit Windows has one view and ignores the choice.
void UseRegistryView(machine::Windows windows);
REGSAM View();
// True when this program runs on 64-bit Windows (or in a 64-bit Wine prefix).
bool RunsOn64BitWindows();

// The path below HKEY_LOCAL_MACHINE of a canonical key ("HKEY_LOCAL_MACHINE\\...").
inline std::u16string BelowMachine(const std::u16string& key) {
  const std::u16string root = u"HKEY_LOCAL_MACHINE\\";
  return key.compare(0, root.size(), root) == 0 ? key.substr(root.size()) : std::u16string();
}

}  // namespace testkit::win32

#include "testkit/win32/key_view.h"

namespace testkit::win32 {
namespace {

REGSAM g_view = 0;

}  // namespace

void UseRegistryView(machine::Windows windows) {
  g_view = windows == machine::Windows::X64 ? KEY_WOW64_64KEY : 0;
}

REGSAM View() { return g_view; }

bool RunsOn64BitWindows() {
  if (sizeof(void*) == 8) return true;  // the x64 check build
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace testkit::win32

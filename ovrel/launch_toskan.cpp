// The vendor tool at the end of the wizard: withdraw the launch request when the tool is
// missing, start it after a successful installation.
#include "common/registry.h"
#include "common/system_helpers.h"
#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"
#include "platform/platform.h"

namespace {

const char16_t kToolFolder[] = u"\\VendorTools\\Toskan";
const char16_t kToolProgram[] = u"\\VendorTools\\Toskan\\toskan.exe";

// Starts the tool from the folder the install record names, when the launch is requested.
HRESULT StartToskan(const EngineSession& s) {
  if (ReadProperty(s, u"LAUNCH_TOSKAN").empty()) return S_OK;
  const RegistryKey key =
      OpenRegistryKey(platform::Hive::LocalMachine, kInstallRecordKey, platform::kKeyRead);
  if (!key) return S_OK;
  const std::u16string installed = ReadRegistryText(key.get(), u"ClientInstallDir", u"").text;
  LaunchProgram(installed + kToolProgram, u"-top", installed + kToolFolder);
  return S_OK;
}

}  // namespace

ACTION_EXPORT launchToskan(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT queried) -> HRESULT {
    return InstallSucceeded(s) ? StartToskan(s) : queried;
  });
}

ACTION_EXPORT allowLaunchToskan(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    if (platform::OpenForSharedReading(ReadProperty(s, u"INSTALLDIR") + kToolProgram)) return S_OK;
    WriteProperty(s, u"LAUNCH_TOSKAN", u"");
    return S_FALSE;
  });
}

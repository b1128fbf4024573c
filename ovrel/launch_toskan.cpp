// The vendor tool at the end of the wizard: withdraw the launch request when the tool is
// missing, start it after a successful installation; and the diagnostic action.
#include "common/registry.h"
#include "common/sys_string.h"
#include "common/system.h"
#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"
#include "platform/platform.h"

namespace {

const char16_t kToolFolder[] = u"\\VendorTools\\Toskan";
const char16_t kToolProgram[] = u"\\VendorTools\\Toskan\\toskan.exe";

// Starts the tool from the folder the install record names, when the launch is requested.
HRESULT StartToskan(const HostSession& s) {
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
  return RunAction(dispatch, [](const HostSession& s, HRESULT queried) -> HRESULT {
    return InstallSucceeded(s) ? StartToskan(s) : queried;
  });
}

ACTION_EXPORT allowLaunchToskan(IDispatch* dispatch) {
  return RunAction(dispatch, [](const HostSession& s, HRESULT) -> HRESULT {
    if (platform::OpenForSharedReading(ReadProperty(s, u"INSTALLDIR") + kToolProgram)) return S_OK;
    WriteProperty(s, u"LAUNCH_TOSKAN", u"");
    return S_FALSE;
  });
}

// Shows a fixed message through the engine. Without an interface to carry it (a null argument,
// or a refused query) the query's failing status is the result.
ACTION_EXPORT test(IDispatch* dispatch) {
  return RunAction(dispatch, [](const HostSession& s, HRESULT) -> HRESULT {
    const SysString caption = MakeSysString(u"DLL Action");
    const SysString message = MakeSysString(u"HRESULT __stdcall test(IDispatch *pDispatch)");
    std::int32_t answer = 0;
    return s.get()->ShowHostMessage(message.get(), caption.get(), 0, &answer);
  });
}

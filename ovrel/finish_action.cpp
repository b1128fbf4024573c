// finishAction: the install record of this run, and the post-install program after success.
#include "common/registry.h"
#include "common/system_helpers.h"
#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"

bool InstallSucceeded(const EngineSession& session) {
  const std::u16string success = ResolveText(session, u"IDS_INSTALL_SUCCESS");
  return ResolveText(session, ReadProperty(session, u"ISInstallStatus")) == success;
}

ACTION_EXPORT finishAction(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    const std::u16string installDir = ReadProperty(s, u"INSTALLDIR");
    // Only an existing record is written to; the key is never created here.
    const RegistryKey key =
        OpenRegistryKey(platform::Hive::LocalMachine, kInstallRecordKey, platform::kKeyWrite);
    auto record = [&](const char16_t* name, const std::u16string& text) {
      if (key) WriteRegistryText(key.get(), name, text);
    };
    if (InstallSucceeded(s)) {
      if (!installDir.empty()) record(u"InstallDir", installDir);
      // The folder is used as the engine gives it: no separator is added.
      const std::u16string folder = ReadProperty(s, u"CommonAppDataFolder") + u"Brisolt\\Connect\\11";
      LaunchProgram(folder + u"\\ISUSPM.exe", u"", folder);
    }
    record(u"InstallStatus", ReadProperty(s, u"ISInstallStatus"));
    record(u"InstallDate", MakeTimeStamp());
    record(u"InstallVersion", ReadProperty(s, u"QUOR_VERSION"));
    return S_OK;
  });
}

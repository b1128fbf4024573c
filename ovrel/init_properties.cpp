// initProperties: what of this installation's products is already on the machine, told to the
// wizard as feature states, enablement flags and texts.
#include "common/registry.h"
#include "common/number_text.h"
#include "common/version.h"
#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"

namespace {

struct Record {
  std::u16string installDir;
  std::u16string toolInstallDir;
  std::u16string toolInstalledVersion;
  std::u16string legacyServerVersion;
  std::u16string serverInstalledVersion;
};

const std::u16string kLegacyMessage = u"Corvane TAMBER Fallowmark Server (v.";
const std::u16string kLegacyMessageEnd =
    u") is already installed on this computer. In order to perform data migration to Corvane "
    u"ORVIX you need to update Corvane TAMBER Fallowmark to the latest version";

// Returns whether the installed tool is the version this installation carries.
bool DetectTool(const EngineSession& s, const Record& record) {
  WriteProperty(s, u"TOSKAN_SELECTED", u"install");
  if (record.toolInstalledVersion.empty()) {
    WriteProperty(s, u"TOSKAN_ENABLED", u"true");
    return false;
  }
  WriteProperty(s, u"TOSKAN_ENABLED", u"false");
  const std::u16string setupVersion = ReadProperty(s, u"CLIENTINSTALLVERSION");
  const std::u16string installed =
      u"Corvane Toskan (v." + record.toolInstalledVersion + u") is already installed on this system";
  if (CompareDottedVersions(setupVersion, record.toolInstalledVersion) == VersionOrder::Same) {
    WriteProperty(s, u"TOSKAN_TEXT", installed);
    WriteProperty(s, u"TOSKAN_INSTALLED", u"true");
    return true;
  }
  WriteProperty(s, u"CLIENTINSTALLDIR", record.toolInstallDir);
  WriteProperty(s, u"TOSKAN_TEXT", installed + u" and will be replaced with v." + setupVersion);
  return false;
}

void Offer(const EngineSession& s, bool selected, bool enabled) {
  WriteProperty(s, u"ORVIX_SELECTED", selected ? u"install" : u"");
  WriteProperty(s, u"ORVIX_ENABLED", enabled ? u"true" : u"false");
}

// Returns whether the installed server is the version this installation carries.
bool DetectServer(const EngineSession& s, const Record& record,
                  const std::u16string& serverSetupVersion) {
  const std::u16string& legacy = record.legacyServerVersion;
  const std::u16string legacyText = kLegacyMessage + legacy + kLegacyMessageEnd;
  if (record.serverInstalledVersion.empty()) {
    Offer(s, true, true);
    if (legacy.empty()) return false;
    if (CompareDottedVersions(legacy, u"5.0") == VersionOrder::FirstNewer) {
      Offer(s, true, true);
      WriteProperty(s, u"ORVIX_TEXT",
                    u"Your Corvane TAMBER Fallowmark Server installation will remain intact and "
                    u"you can migrate the data at a later stage to ORVIX");
    } else {
      Offer(s, false, false);
      WriteProperty(s, u"ORVIX_TEXT", legacyText);
    }
    return false;
  }

  const std::u16string& installed = record.serverInstalledVersion;
  switch (CompareDottedVersions(serverSetupVersion, installed)) {
    case VersionOrder::Same:
      Offer(s, true, false);
      WriteProperty(s, u"ORVIX_TEXT",
                    u"The latest version of Corvane ORVIX (v." + installed +
                        u") is already installed on this machine");
      WriteProperty(s, u"ORVIX_INSTALLED", u"true");
      return true;
    case VersionOrder::SecondNewer:
      Offer(s, false, false);
      WriteProperty(s, u"ORVIX_TEXT",
                    u"A newer version of Corvane ORVIX is already installed on this machine");
      return false;
    case VersionOrder::FirstNewer:  // this installation's server is newer: an upgrade
      break;
  }
  WriteProperty(s, u"ORVIX_VERSION", installed);
  Offer(s, true, true);
  WriteProperty(s, u"ORVIX_TEXT",
                u"Corvane ORVIX (v." + installed +
                    u") is already installed on this system and will be replaced with v." +
                    serverSetupVersion);
  // 2.1 and 2.2 releases, judged on their first two fields, cannot be upgraded in place.
  if (CompareDottedVersions(u"2.1", installed) == VersionOrder::Same ||
      CompareDottedVersions(u"2.2", installed) == VersionOrder::Same) {
    Offer(s, true, false);
    return false;
  }
  if (!legacy.empty() && CompareDottedVersions(legacy, u"5.0") == VersionOrder::SecondNewer) {
    Offer(s, false, false);
    WriteProperty(s, u"ORVIX_TEXT", legacyText);
  }
  return false;
}

}  // namespace

ACTION_EXPORT initProperties(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    // The key is opened before the setup version is read, and closed once the values are in.
    const RegistryKey key =
        OpenRegistryKey(platform::Hive::LocalMachine, kInstallRecordKey, platform::kKeyRead);
    const std::u16string serverSetupVersion = ReadProperty(s, u"SERVERINSTALLVERSION");
    auto value = [&](const char16_t* name) { return ReadRegistryText(key.get(), name, u"").text; };
    Record record;
    record.installDir = value(u"InstallDir");
    record.toolInstallDir = value(u"ClientInstallDir");
    record.toolInstalledVersion = value(u"ClientInstalledVersion");
    record.legacyServerVersion = value(u"ServerInstalledVersion");
    record.serverInstalledVersion = value(u"orvix_version");

    const bool toolCurrent = DetectTool(s, record);
    const bool serverCurrent = DetectServer(s, record, serverSetupVersion);
    if (record.installDir.size() > 2) WriteProperty(s, u"DEFINED_INSTALLDIR", record.installDir);
    if (toolCurrent && serverCurrent) WriteProperty(s, u"KALDO_UPTODATE", u"true");
    return S_OK;
  });
}

// detectORVIX and SetPortalTypeRegistry: the ORVIX server's registry records.
#include <cstdint>
#include <cstring>

#include "caddon/caddon.h"
#include "common/registry.h"
#include "platform/platform.h"

namespace {

// The Windows Installer registration of the server, product code
// {A6DA7A1E-D527-412C-AD17-D129B8F3E399} in its packed form.
constexpr std::uint32_t kProductVersion = 0x02000000;  // 2.0 build 0

// The text of a value read into a buffer of 520 bytes; false when the query fails.
bool QueryText(platform::KeyHandle key, const std::u16string& name, std::u16string& text) {
  char16_t buffer[260];
  const QueriedBytes queried = QueryIntoBuffer(key, name, buffer, sizeof buffer);
  if (queried.status != platform::kSuccess) return false;
  text = TextOfBuffer(buffer, queried.count);
  return true;
}

bool RegisteredServerIsCurrent(platform::KeyHandle product) {
  std::u16string name;
  if (!QueryText(product, u"ProductName", name) || name != u"Corvane ORVIX") return false;
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  if (QueryIntoBuffer(product, u"Version", bytes, sizeof bytes).status != platform::kSuccess)
    return false;
  std::uint32_t version = 0;
  std::memcpy(&version, bytes, sizeof version);
  return version == kProductVersion;
}

}  // namespace

ACTION_EXPORT detectORVIX(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    const RegistryKey product =
        OpenRegistryKey(platform::Hive::ClassesRoot, kProductKey, platform::kKeyAllAccess);
    if (product) {
      // A registered product decides alone; the server key is not consulted.
      if (RegisteredServerIsCurrent(product.get())) WriteProperty(s, u"ISORVIXEXIST", u"Yes");
      return S_OK;
    }
    const RegistryKey server =
        OpenRegistryKey(platform::Hive::LocalMachine, kServerKey, platform::kKeyAllAccess);
    std::u16string version;
    if (!server || !QueryText(server.get(), u"Version", version)) return S_OK;
    const bool known = version == u"2.6" || version == u"2.6.1" || version == u"2.7";
    WriteProperty(s, u"ISORVIXEXIST", known ? u"Yes" : u"No");
    return S_OK;
  });
}

ACTION_EXPORT SetPortalTypeRegistry(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    const RegistryKey server = CreateRegistryKey(platform::Hive::LocalMachine, kServerKey,
                                                   platform::kKeyRead | platform::kKeyWrite);
    if (!server) return S_OK;
    const std::u16string portalType = ReadProperty(s, u"ORVIXPortalTypeProp");
    char converted[260] = {};
    // A portal type that does not fit the buffer is stored as the empty text, as an absent one
    // is: never cut short, so no partial text or character reaches the registry.
    if (platform::WideToAnsi(platform::kWcCompositeCheck, portalType, converted, sizeof converted) == 0)
      converted[0] = '\0';
    const auto length = static_cast<std::uint32_t>(std::strlen(converted));
    platform::SetValueAnsi(server.get(), "IsIntegratedPortal", platform::kRegSz, converted, length + 1);
    return S_OK;
  });
}

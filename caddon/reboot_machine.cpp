// RebootMachine: offers a restart when Windows holds file operations for the next one.
#include "caddon/caddon.h"
#include "common/registry.h"
#include "common/unique_handle.h"
#include "platform/platform.h"

namespace {


// Owner of the process token handle.
using Token = UniqueAny<platform::TokenHandle, &platform::CloseToken>;

bool ServerWasUpgraded(bool& known) {
  const RegistryKey server =
      OpenRegistryKey(platform::Hive::LocalMachine, kServerKey, platform::kKeyAllAccess);
  char16_t buffer[260];
  const QueriedBytes type = QueryIntoBuffer(server.get(), u"ORVIXTYPE", buffer, sizeof buffer);
  known = type.status == platform::kSuccess;
  return known && TextOfBuffer(buffer, type.count) == u"upgrade";
}

bool FileOperationsPending() {
  const RegistryKey manager =
      OpenRegistryKey(platform::Hive::LocalMachine, kSessionManagerKey, platform::kKeyAllAccess);
  char16_t buffer[260];
  const QueriedBytes pending =
      QueryIntoBuffer(manager.get(), u"PendingFileRenameOperations", buffer, sizeof buffer);
  // Only the presence of the list matters, and a real list is often longer than the buffer.
  return pending.status == platform::kSuccess || pending.status == platform::kMoreData;
}

}  // namespace

// Never uses its argument and always returns 0.
ACTION_EXPORT RebootMachine(IDispatch*) {
  RunWithoutSession([]() -> HRESULT {
    bool typeKnown = false;
    if (ServerWasUpgraded(typeKnown) || !typeKnown) return S_OK;
    if (!FileOperationsPending()) return S_OK;
    if (platform::ShowMessageBox(u"It is recommended to restart the machine. Save and close any "
                                 u"unsaved files and click Yes to reboot.",
                                 u"Corvane ORVIX", platform::kMbYesNo) != platform::kIdYes)
      return S_OK;
    Token token;
    if (!platform::OpenOwnToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery, token.put()))
      return S_OK;
    platform::PrivilegeId shutdown;
    if (!platform::LookupPrivilege(u"SeShutdownPrivilege", &shutdown)) return S_OK;
    // The adjustment reports success even when the privilege was not granted; the last
    // error tells.
    std::uint32_t lastError = 0;
    platform::EnablePrivilege(token.get(), shutdown, &lastError);
    if (lastError != 0) return S_OK;
    platform::RequestShutdown(platform::kEwxReboot | platform::kEwxForce,
                              platform::kShutdownReasonUpgrade);
    return S_OK;
  });
  return S_OK;
}

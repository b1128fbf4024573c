// Refusing and handing back rights on real registry keys.
#include "testkit/win32/rights.h"

#include <windows.h>

#include <vector>

#include "testkit/utf_text.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

Result<> SetDacl(HKEY key, ACL* acl, const std::u16string& path) {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
  if (status != ERROR_SUCCESS) return Failure("cannot set the DACL of " + ToUtf8(path) + ": " + StatusText(status));
  return {};
}

}  // namespace

Result<> DenyRights(const std::u16string& key, std::uint32_t rights) {
  HKEY opened = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, nullptr, 0,
                                   KEY_ALL_ACCESS | WRITE_DAC | View(), nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return Failure("cannot open " + ToUtf8(key) + " to refuse rights: " + StatusText(status));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
    RegCloseKey(opened);
    return Failure("cannot make the SID of everyone: " + StatusText(GetLastError()));
  }
  // Only the key's own rights are refused, so the owner can still hand them back.
  const DWORD refused = rights & 0xFFFF;
  const DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone));
  std::vector<BYTE> aclBytes(size);
  auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
  InitializeAcl(acl, size, ACL_REVISION);
  AddAccessDeniedAce(acl, ACL_REVISION, refused, everyone);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
  Result<> set = SetDacl(opened, acl, key);
  RegCloseKey(opened);
  FreeSid(everyone);
  return set;
}

Result<> Unlock(const std::u16string& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, WRITE_DAC | View(), &opened);
  if (status == ERROR_FILE_NOT_FOUND) return {};
  if (status != ERROR_SUCCESS) return Failure("cannot open " + ToUtf8(key) + " to hand back rights: " + StatusText(status));
  Result<> set = SetDacl(opened, nullptr, key);
  RegCloseKey(opened);
  return set;
}

}  // namespace testkit::win32

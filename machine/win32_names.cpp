// The names Windows' headers give the figures the actions meet.
#include "machine/win32_names.h"

#include <cstdio>

namespace machine::names {
namespace {

struct Named {
  std::uint32_t bits;
  const char* name;
};

std::string Hex(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

// The names whose bits all lie in `value`, taken in the table's order (wider names first), each
// bit named once; what no name covers is shown as a figure of its own.
std::string Flags(std::uint32_t value, const Named* table, size_t count, const char* none) {
  std::string out;
  std::uint32_t left = value;
  for (size_t i = 0; i < count; ++i) {
    const Named& n = table[i];
    if (n.bits == 0 || (value & n.bits) != n.bits || (left & n.bits) == 0) continue;
    out += (out.empty() ? "" : " | ") + std::string(n.name);
    left &= ~n.bits;
  }
  if (left != 0) out += (out.empty() ? "" : " | ") + Hex(left);
  if (out.empty()) out = none;
  return out + " (" + Hex(value) + ")";
}

template <size_t N>
std::string Flags(std::uint32_t value, const Named (&table)[N], const char* none) {
  return Flags(value, table, N, none);
}

}  // namespace

std::string Error(std::int32_t code) {
  static const Named kErrors[] = {
      {0, "ERROR_SUCCESS"},           {2, "ERROR_FILE_NOT_FOUND"},      {3, "ERROR_PATH_NOT_FOUND"},
      {5, "ERROR_ACCESS_DENIED"},     {6, "ERROR_INVALID_HANDLE"},      {8, "ERROR_NOT_ENOUGH_MEMORY"},
      {14, "ERROR_OUTOFMEMORY"},      {87, "ERROR_INVALID_PARAMETER"},  {161, "ERROR_BAD_PATHNAME"},
      {206, "ERROR_FILENAME_EXCED_RANGE"}, {234, "ERROR_MORE_DATA"},   {259, "ERROR_NO_MORE_ITEMS"},
      {1004, "ERROR_INVALID_FLAGS"},  {1009, "ERROR_BADDB"},            {1010, "ERROR_BADKEY"},
      {1011, "ERROR_CANTOPEN"},       {1012, "ERROR_CANTREAD"},         {1013, "ERROR_CANTWRITE"},
      {1015, "ERROR_REGISTRY_CORRUPT"}, {1018, "ERROR_KEY_DELETED"},    {1300, "ERROR_NOT_ALL_ASSIGNED"},
      {1313, "ERROR_NO_SUCH_PRIVILEGE"}, {1314, "ERROR_PRIVILEGE_NOT_HELD"},
  };
  for (const Named& n : kErrors)
    if (static_cast<std::int32_t>(n.bits) == code) return std::string(n.name) + " (" + std::to_string(code) + ")";
  return std::to_string(code);
}

std::string KeyRights(std::uint32_t access) {
  static const Named kRights[] = {
      {0x000F003F, "KEY_ALL_ACCESS"},
      {0x00020019, "KEY_READ"},
      {0x00020006, "KEY_WRITE"},
      {0x0001, "KEY_QUERY_VALUE"},
      {0x0002, "KEY_SET_VALUE"},
      {0x0004, "KEY_CREATE_SUB_KEY"},
      {0x0008, "KEY_ENUMERATE_SUB_KEYS"},
      {0x0010, "KEY_NOTIFY"},
      {0x0020, "KEY_CREATE_LINK"},
      {0x0100, "KEY_WOW64_64KEY"},
      {0x0200, "KEY_WOW64_32KEY"},
      {0x00010000, "DELETE"},
      {0x00020000, "READ_CONTROL"},
      {0x00040000, "WRITE_DAC"},
      {0x00080000, "WRITE_OWNER"},
      {0x00100000, "SYNCHRONIZE"},
      {0x02000000, "MAXIMUM_ALLOWED"},
      {0x10000000, "GENERIC_ALL"},
      {0x20000000, "GENERIC_EXECUTE"},
      {0x40000000, "GENERIC_WRITE"},
      {0x80000000, "GENERIC_READ"},
  };
  return Flags(access, kRights, "no rights");
}

std::string TokenRights(std::uint32_t access) {
  // The adjusting rights first: Windows' examples write TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY.
  static const Named kRights[] = {
      {0x0020, "TOKEN_ADJUST_PRIVILEGES"}, {0x0040, "TOKEN_ADJUST_GROUPS"}, {0x0080, "TOKEN_ADJUST_DEFAULT"},
      {0x0100, "TOKEN_ADJUST_SESSIONID"},  {0x0001, "TOKEN_ASSIGN_PRIMARY"}, {0x0002, "TOKEN_DUPLICATE"},
      {0x0004, "TOKEN_IMPERSONATE"},       {0x0008, "TOKEN_QUERY"},         {0x0010, "TOKEN_QUERY_SOURCE"},
      {0x00020000, "READ_CONTROL"},
  };
  return Flags(access, kRights, "no rights");
}

std::string ValueType(std::uint32_t type) {
  static const char* const kTypes[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  if (type < sizeof kTypes / sizeof kTypes[0]) return kTypes[type];
  return "type " + std::to_string(type);
}

std::string MessageStyle(std::uint32_t style) {
  // The buttons and the icon are figures within a field, not bits of their own.
  static const char* const kButtons[] = {"MB_OK",    "MB_OKCANCEL",    "MB_ABORTRETRYIGNORE", "MB_YESNOCANCEL",
                                         "MB_YESNO", "MB_RETRYCANCEL", "MB_CANCELTRYCONTINUE"};
  static const char* const kIcons[] = {nullptr, "MB_ICONERROR", "MB_ICONQUESTION", "MB_ICONWARNING",
                                       "MB_ICONINFORMATION"};
  static const Named kFlags[] = {{0x0100, "MB_DEFBUTTON2"}, {0x0200, "MB_DEFBUTTON3"},     {0x1000, "MB_SYSTEMMODAL"},
                                 {0x2000, "MB_TASKMODAL"},  {0x4000, "MB_HELP"},           {0x00010000, "MB_SETFOREGROUND"},
                                 {0x00040000, "MB_TOPMOST"}, {0x00080000, "MB_RIGHT"},     {0x00200000, "MB_SERVICE_NOTIFICATION"}};
  std::string out;
  std::uint32_t left = style;
  if ((style & 0xF) < 7) {
    out = kButtons[style & 0xF];
    left &= ~0xFu;
  }
  const std::uint32_t icon = (style & 0xF0) >> 4;
  if (icon >= 1 && icon <= 4) {
    out += std::string(" | ") + kIcons[icon];
    left &= ~0xF0u;
  }
  for (const Named& n : kFlags)
    if ((left & n.bits) == n.bits) {
      out += std::string(" | ") + n.name;
      left &= ~n.bits;
    }
  if (left != 0) out += " | " + Hex(left);
  return out + " (" + Hex(style) + ")";
}

std::string MessageAnswer(int answer) {
  static const char* const kAnswers[] = {nullptr, "IDOK", "IDCANCEL", "IDABORT", "IDRETRY", "IDIGNORE",
                                         "IDYES", "IDNO", nullptr, nullptr, "IDTRYAGAIN", "IDCONTINUE"};
  if (answer == 0) return "0 (not shown)";
  if (answer > 0 && answer < 12 && kAnswers[answer] != nullptr)
    return std::string(kAnswers[answer]) + " (" + std::to_string(answer) + ")";
  return std::to_string(answer);
}

std::string ExitFlags(std::uint32_t flags) {
  static const Named kFlags[] = {{0x0001, "EWX_SHUTDOWN"}, {0x0002, "EWX_REBOOT"},      {0x0004, "EWX_FORCE"},
                                 {0x0008, "EWX_POWEROFF"}, {0x0010, "EWX_FORCEIFHUNG"}, {0x0040, "EWX_RESTARTAPPS"}};
  return Flags(flags, kFlags, "EWX_LOGOFF");
}

std::string ShutdownReason(std::uint32_t reason) {
  // A flag or two, a major reason in bits 16-23 and a minor one in bits 0-15.
  static const Named kFlags[] = {{0x80000000, "SHTDN_REASON_FLAG_PLANNED"}, {0x40000000, "SHTDN_REASON_FLAG_USER_DEFINED"}};
  static const char* const kMajor[] = {"SHTDN_REASON_MAJOR_OTHER",       "SHTDN_REASON_MAJOR_HARDWARE",
                                       "SHTDN_REASON_MAJOR_OPERATINGSYSTEM", "SHTDN_REASON_MAJOR_SOFTWARE",
                                       "SHTDN_REASON_MAJOR_APPLICATION", "SHTDN_REASON_MAJOR_SYSTEM",
                                       "SHTDN_REASON_MAJOR_POWER",       "SHTDN_REASON_MAJOR_LEGACY_API"};
  static const char* const kMinor[] = {"SHTDN_REASON_MINOR_OTHER",        "SHTDN_REASON_MINOR_MAINTENANCE",
                                       "SHTDN_REASON_MINOR_INSTALLATION", "SHTDN_REASON_MINOR_UPGRADE",
                                       "SHTDN_REASON_MINOR_RECONFIG",     "SHTDN_REASON_MINOR_HUNG",
                                       "SHTDN_REASON_MINOR_UNSTABLE"};
  std::string out;
  for (const Named& n : kFlags)
    if ((reason & n.bits) != 0) out += (out.empty() ? "" : " | ") + std::string(n.name);
  const std::uint32_t major = (reason >> 16) & 0xFF, minor = reason & 0xFFFF;
  const std::uint32_t other = reason & 0x3F000000u;
  out += (out.empty() ? "" : " | ") +
         (major < 8 ? std::string(kMajor[major]) : Hex(major << 16)) + " | " +
         (minor < 7 ? std::string(kMinor[minor]) : Hex(minor));
  if (other != 0) out += " | " + Hex(other);
  return out + " (" + Hex(reason) + ")";
}

}  // namespace machine::names

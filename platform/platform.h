// The narrow boundary between the actions and the operating system. Each call reports what
// the system reported (status codes, byte counts) and decides nothing: buffer sizes, defaults
// and fallbacks belong to the callers. Implemented by win32/ for the shipped libraries and by
// sim/ for the Linux build, where everything it touches is held in memory.
#pragma once

#include <cstdint>
#include <string>


namespace platform {

// Win32 status codes and constants the callers look at, with their Windows values.
constexpr std::int32_t kSuccess = 0;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kAccessDenied = 5;
constexpr std::int32_t kInvalidHandle = 6;
constexpr std::int32_t kInvalidParameter = 87;
constexpr std::int32_t kMoreData = 234;
constexpr std::int32_t kNotAllAssigned = 1300;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// A program start as ShellExecuteExW is given it.
struct ShellStart {
  std::uint32_t mask = 0;
  std::u16string verb;
  std::u16string file;
  std::u16string parameters;
  std::u16string directory;
  int show = 0;
};

// The local time as the C runtime gives it.
struct LocalTime {
  int year = 0;    // e.g. 2014
  int month = 0;   // 1-12
  int day = 0;     // 1-31
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
  int second = 0;  // 0-60
};

// ---- Registry ------------------------------------------------------------------------------
enum class Hive { LocalMachine, ClassesRoot };
using KeyHandle = void*;

// RegOpenKeyExW without a view flag.
std::int32_t OpenKey(Hive hive, const std::u16string& path, std::uint32_t access,
                     KeyHandle* key);
// RegCreateKeyExW: no class, non-volatile, default security; creates or opens.
std::int32_t CreateKey(Hive hive, const std::u16string& path, std::uint32_t access,
                       KeyHandle* key);
// RegQueryValueExW without asking for the type. `data` may be null (a size query); `bytes`
// holds the buffer size on entry and the value's size on return.
std::int32_t QueryValue(KeyHandle key, const std::u16string& name, void* data,
                        std::uint32_t* bytes);
// RegSetValueExW.
std::int32_t SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type,
                      const void* data, std::uint32_t bytes);
// RegSetValueExA: single-byte name and data in the ANSI code page.
std::int32_t SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type,
                          const void* data, std::uint32_t bytes);
void CloseKey(KeyHandle key);

// ---- Disks and environment -------------------------------------------------------------------
// GetDiskFreeSpaceExW on `folder`; on success `callerFreeBytes` holds the free bytes available
// to the calling user. Returns false when the query fails.
bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes);
// The process environment variable, or the empty text when it is not set.
std::u16string EnvironmentVariable(const std::u16string& name);
// The Windows folder (GetWindowsDirectoryW), or the empty text when it cannot be had.
std::u16string WindowsFolder();

// ---- Programs and files -----------------------------------------------------------------
// ShellExecuteExW with no owner window; true when the system reports a start.
bool StartShellProgram(const ShellStart& start);
constexpr std::uint32_t kSeeMaskFlagNoUi = 0x00000400;
constexpr int kSwShowNormal = 1;

// Opens the file for reading in text mode, other openers not denied, and closes it at once.
bool OpenForSharedReading(const std::u16string& path);

// ---- Clock -----------------------------------------------------------------------------
// The current calendar time converted to the machine's local time; false if it cannot be.
bool CurrentLocalTime(LocalTime* now);

// ---- Code page ---------------------------------------------------------------------------
constexpr std::uint32_t kWcCompositeCheck = 0x00000200;
// WideCharToMultiByte(CP_ACP, flags, text incl. its NUL, -1, buffer, size, null, null):
// the bytes written (terminator included), or 0 when the conversion failed.
int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size);

// ---- User and shutdown ---------------------------------------------------------------------
constexpr unsigned kMbYesNo = 0x00000004;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
// MessageBoxW with no owner window.
int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style);

using TokenHandle = void*;
constexpr std::uint32_t kTokenAdjustPrivileges = 0x0020;
constexpr std::uint32_t kTokenQuery = 0x0008;
struct PrivilegeId {
  std::uint32_t low = 0;
  std::int32_t high = 0;
};
bool OpenOwnToken(std::uint32_t access, TokenHandle* token);
bool LookupPrivilege(const std::u16string& name, PrivilegeId* id);
// AdjustTokenPrivileges enabling one privilege; `lastError` is the thread's last error right
// after the call, which is what tells whether the privilege was granted.
bool EnablePrivilege(TokenHandle token, const PrivilegeId& id, std::uint32_t* lastError);
void CloseToken(TokenHandle token);

constexpr unsigned kEwxReboot = 0x00000002;
constexpr unsigned kEwxForce = 0x00000004;
constexpr std::uint32_t kShutdownReasonUpgrade = 0x80020003;
bool RequestShutdown(unsigned flags, std::uint32_t reason);

}  // namespace platform

// The boundary on the simulated machine. Each function reproduces what its Win32 counterpart
// reports: statuses, byte counts, value types and terminators.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>

#include "platform/platform.h"
#include "platform/registry_view.h"
#include "platform/sim/sim.h"

namespace sim {

// Win32 folds repeated separators and takes "/" for "\"; a path from the root of the current
// drive is on C:.
std::u16string NormalFilePath(const std::u16string& path) {
  std::u16string out;
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i] == u'/' ? u'\\' : path[i];
    const bool uncStart = i == 1 && out == u"\\";
    if (c == u'\\' && !out.empty() && out.back() == u'\\' && !uncStart) continue;
    out += c;
  }
  if (out.size() >= 1 && out[0] == u'\\' && (out.size() < 2 || out[1] != u'\\')) out = u"C:" + out;
  return out;
}

}  // namespace sim

namespace platform {
namespace {

struct OpenedKey {
  std::u16string path;   // canonical, in the simulated registry
  std::uint32_t access;
  std::u16string shown;  // as the action named it: "HKLM\\..." or "HKCR\\..."
};
std::set<OpenedKey*>& LiveKeys() {
  static std::set<OpenedKey*> live;
  return live;
}
OpenedKey* Lookup(KeyHandle key) {
  auto* opened = static_cast<OpenedKey*>(key);
  return LiveKeys().count(opened) != 0 ? opened : nullptr;
}

// A key's root as the trace names it.
std::u16string HiveName(Hive hive) { return hive == Hive::LocalMachine ? u"HKLM\\" : u"HKCR\\"; }

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::int32_t Open(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key,
                  bool create) {
  const sim::SystemWork work;
  *key = nullptr;
  sim::Registry& registry = sim::machine().registry;
  // A 32-bit program on 64-bit Windows reaches the key the registry redirector maps it to.
  const std::u16string full =
      platform::KeyInView(sim::machine().windows, sim::Registry::Under(hive, path), access);
  sim::RegKeyData* data = registry.FindKey(full);
  if (data == nullptr) {
    if (!create) return kFileNotFound;
    data = &registry.CreateKey(full);
  }
  if ((data->deniedAccess & access & ~platform::kKeyWow64Res) != 0) return kAccessDenied;
  auto* opened = new OpenedKey{full, access, HiveName(hive) + path};
  LiveKeys().insert(opened);
  ++sim::machine().openKeys;
  *key = opened;
  return kSuccess;
}

// Precomposed Latin letters for WC_COMPOSITECHECK: base letter, combining mark, result.
struct Composition {
  char16_t base, mark, composed;
};
constexpr Composition kCompositions[] = {
    {u'A', 0x300, 0xC0}, {u'A', 0x301, 0xC1}, {u'A', 0x302, 0xC2}, {u'A', 0x303, 0xC3},
    {u'A', 0x308, 0xC4}, {u'A', 0x30A, 0xC5}, {u'C', 0x327, 0xC7}, {u'E', 0x300, 0xC8},
    {u'E', 0x301, 0xC9}, {u'E', 0x302, 0xCA}, {u'E', 0x308, 0xCB}, {u'I', 0x300, 0xCC},
    {u'I', 0x301, 0xCD}, {u'I', 0x302, 0xCE}, {u'I', 0x308, 0xCF}, {u'N', 0x303, 0xD1},
    {u'O', 0x300, 0xD2}, {u'O', 0x301, 0xD3}, {u'O', 0x302, 0xD4}, {u'O', 0x303, 0xD5},
    {u'O', 0x308, 0xD6}, {u'U', 0x300, 0xD9}, {u'U', 0x301, 0xDA}, {u'U', 0x302, 0xDB},
    {u'U', 0x308, 0xDC}, {u'Y', 0x301, 0xDD}, {u'y', 0x308, 0xFF}, {u'S', 0x30C, 0x160},
    {u's', 0x30C, 0x161}, {u'Z', 0x30C, 0x17D}, {u'z', 0x30C, 0x17E}, {u'Y', 0x308, 0x178},
};

char16_t Compose(char16_t base, char16_t mark) {
  for (const Composition& c : kCompositions) {
    if (c.mark != mark) continue;
    if (c.base == base) return c.composed;
    // The lower-case letters of the Latin-1 block sit 0x20 above their capitals.
    if (c.composed < 0x100 && c.base >= u'A' && c.base <= u'Z' && base == c.base + 0x20)
      return static_cast<char16_t>(c.composed + 0x20);
  }
  return 0;
}

}  // namespace

std::int32_t OpenKeyImpl(Hive hive, const std::u16string& path, std::uint32_t access,
                     KeyHandle* key) {
  const sim::SystemWork work;
  return Open(hive, path, access, key, false);
}

std::int32_t CreateKeyImpl(Hive hive, const std::u16string& path, std::uint32_t access,
                       KeyHandle* key) {
  const sim::SystemWork work;
  return Open(hive, path, access, key, true);
}

std::int32_t QueryValueImpl(KeyHandle key, const std::u16string& name, void* data,
                        std::uint32_t* bytes) {
  const sim::SystemWork work;
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeyQueryValue) == 0) return kAccessDenied;
  if (data != nullptr && bytes == nullptr) return kInvalidParameter;
  const std::optional<sim::RegValue> value = sim::machine().registry.GetValue(opened->path, name);
  if (!value) return kFileNotFound;
  const auto size = static_cast<std::uint32_t>(value->data.size());
  if (bytes == nullptr) return kSuccess;
  if (data == nullptr) {
    *bytes = size;
    return kSuccess;
  }
  const std::uint32_t room = *bytes;
  *bytes = size;
  if (room < size) return kMoreData;
  if (size != 0) std::memcpy(data, value->data.data(), size);
  // A string stored without its terminator gets one when the buffer has room, uncounted.
  if (IsStringType(value->type) && room >= size + 2) {
    const bool terminated = size >= 2 && value->data[size - 1] == 0 && value->data[size - 2] == 0;
    if (!terminated) {
      static_cast<std::uint8_t*>(data)[size] = 0;
      static_cast<std::uint8_t*>(data)[size + 1] = 0;
    }
  }
  return kSuccess;
}

std::int32_t SetValueImpl(KeyHandle key, const std::u16string& name, std::uint32_t type,
                      const void* data, std::uint32_t bytes) {
  const sim::SystemWork work;
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeySetValue) == 0) return kAccessDenied;
  if (data == nullptr && bytes != 0) return kInvalidParameter;
  sim::RegValue value;
  value.type = type;
  const auto* from = static_cast<const std::uint8_t*>(data);
  value.data.assign(from, from + bytes);
  sim::machine().registry.SetValue(opened->path, name, std::move(value));
  return kSuccess;
}

std::int32_t SetValueAnsiImpl(KeyHandle key, const char* name, std::uint32_t type,
                          const void* data, std::uint32_t bytes) {
  const sim::SystemWork work;
  // The system keeps single-byte strings as UTF-16.
  std::u16string wideName;
  for (const char* c = name; *c != 0; ++c) wideName += platform::FromCodePage1252(static_cast<unsigned char>(*c));
  if (!IsStringType(type)) return SetValueImpl(key, wideName, type, data, bytes);
  std::u16string text;
  const auto* from = static_cast<const std::uint8_t*>(data);
  for (std::uint32_t i = 0; i < bytes; ++i) text += platform::FromCodePage1252(from[i]);
  return SetValueImpl(key, wideName, type, text.data(),
                  static_cast<std::uint32_t>(text.size() * sizeof(char16_t)));
}

void CloseKeyImpl(KeyHandle key) {
  const sim::SystemWork work;
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return;
  LiveKeys().erase(opened);
  --sim::machine().openKeys;
  delete opened;
}

bool FreeBytesForCallerImpl(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  const sim::SystemWork work;
  const auto& volumes = sim::machine().volumes;
  auto found = volumes.find(folder);
  // "C:" names the current folder of drive C, which lies on the same volume.
  if (found == volumes.end() && folder.size() == 2 && folder[1] == u':')
    found = volumes.find(folder + u"\\");
  if (found == volumes.end() || found->second.fails) return false;
  *callerFreeBytes = found->second.callerFreeBytes;
  return true;
}

std::u16string EnvironmentVariableImpl(const std::u16string& name) {
  const sim::SystemWork work;
  const auto& environment = sim::machine().environment;
  auto found = environment.find(name);
  return found == environment.end() ? std::u16string() : found->second;
}

std::u16string WindowsFolderImpl() {
  const sim::SystemWork work;
  return sim::machine().windowsFolder;
}

bool StartShellProgramImpl(const ShellStart& start) {
  const sim::SystemWork work;
  sim::Machine& m = sim::machine();
  m.programsStarted.push_back(start);
  // A program held open without sharing cannot be started, as on Windows.
  auto found = m.files.find(sim::NormalFilePath(start.file));
  return found != m.files.end() && found->second.readable;
}

bool OpenForSharedReadingImpl(const std::u16string& path) {
  const sim::SystemWork work;
  const auto& files = sim::machine().files;
  auto found = files.find(sim::NormalFilePath(path));
  return found != files.end() && found->second.readable;
}

bool CurrentLocalTime(LocalTime* now) {
  const sim::SystemWork work;
  if (sim::machine().clock) {
    *now = *sim::machine().clock;
    return true;
  }
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return false;
  *now = LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
  return true;
}

int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size) {
  const sim::SystemWork work;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if ((flags & kWcCompositeCheck) != 0 && i + 1 < text.size()) {
      if (const char16_t composed = Compose(unit, text[i + 1])) {
        unit = composed;
        ++i;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      ++i;  // a surrogate pair is one character, and one default character
    const std::optional<std::uint8_t> byte = platform::ToCodePage1252(unit);
    out += static_cast<char>(byte ? *byte : '?');
  }
  out += '\0';
  const int needed = static_cast<int>(out.size());
  if (size == 0) return needed;
  std::memcpy(buffer, out.data(), static_cast<size_t>(needed < size ? needed : size));
  return needed <= size ? needed : 0;
}

int ShowMessageBoxImpl(const std::u16string& text, const std::u16string& caption, unsigned style) {
  const sim::SystemWork work;
  sim::Machine& m = sim::machine();
  int answer = 0;
  if (!m.messageAnswers.empty()) {
    answer = m.messageAnswers.front();
    m.messageAnswers.pop_front();
  }
  m.messagesShown.push_back({text, caption, style, answer});
  return answer;
}

bool OpenOwnTokenImpl(std::uint32_t, TokenHandle* token) {
  const sim::SystemWork work;
  if (!sim::machine().tokenOpens) return false;
  ++sim::machine().openTokens;
  *token = &sim::machine();
  return true;
}

bool LookupPrivilegeImpl(const std::u16string& name, PrivilegeId* id) {
  const sim::SystemWork work;
  if (!sim::machine().privilegeLookupWorks || name != u"SeShutdownPrivilege") return false;
  *id = PrivilegeId{19, 0};
  return true;
}

bool EnablePrivilegeImpl(TokenHandle, const PrivilegeId& id, std::uint32_t* lastError) {
  const sim::SystemWork work;
  sim::Machine& m = sim::machine();
  *lastError = m.privilegeAdjustError;
  if (m.privilegeAdjustError == 0 && id.low == 19) m.privilegesEnabled.push_back(u"SeShutdownPrivilege");
  return true;  // as on Windows, the return value says nothing about the grant
}

void CloseTokenImpl(TokenHandle) { --sim::machine().openTokens; }

bool RequestShutdownImpl(unsigned flags, std::uint32_t reason) {
  const sim::SystemWork work;
  sim::machine().shutdownRequests.push_back({flags, reason});
  return true;
}

// ---- The calls as the actions make them, each recorded for the trace ----------------------
namespace {

void Log(const char* kind, std::u16string name, std::optional<std::u16string> value, const std::string& detail,
         std::string status, std::u16string more = u"") {
  std::u16string wide(detail.begin(), detail.end());  // figures and words in ASCII
  sim::machine().calls.push_back({kind, std::move(name), std::move(value), wide + more, std::move(status)});
}

std::string Hex(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

const char* Ok(bool ok) { return ok ? "ok" : "failed"; }

}  // namespace

std::int32_t OpenKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  const sim::SystemWork work;  // the record is the system's own
  const std::int32_t status = OpenKeyImpl(hive, path, access, key);
  Log("open key", HiveName(hive) + path, std::nullopt, "access " + Hex(access), std::to_string(status));
  return status;
}

std::int32_t CreateKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  const sim::SystemWork work;  // the record is the system's own
  const std::int32_t status = CreateKeyImpl(hive, path, access, key);
  Log("create key", HiveName(hive) + path, std::nullopt, "access " + Hex(access), std::to_string(status));
  return status;
}

std::int32_t QueryValue(KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes) {
  const sim::SystemWork work;  // the record is the system's own
  const std::uint32_t room = bytes != nullptr ? *bytes : 0;
  const std::int32_t status = QueryValueImpl(key, name, data, bytes);
  std::string detail = data == nullptr ? std::string("size only") : "buffer " + std::to_string(room) + " bytes";
  if ((status == kSuccess || status == kMoreData) && bytes != nullptr) {
    detail += ", value " + std::to_string(*bytes) + " bytes";
    if (const OpenedKey* opened = Lookup(key))
      if (auto value = sim::machine().registry.GetValue(opened->path, name))
        detail += " of type " + std::to_string(value->type);
  }
  Log("query value", name, std::nullopt, detail, std::to_string(status));
  return status;
}

std::int32_t SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                      std::uint32_t bytes) {
  const sim::SystemWork work;  // the record is the system's own
  const std::int32_t status = SetValueImpl(key, name, type, data, bytes);
  Log("set value", name, std::nullopt, "type " + std::to_string(type) + ", " + std::to_string(bytes) + " bytes",
      std::to_string(status));
  return status;
}

std::int32_t SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                          std::uint32_t bytes) {
  const sim::SystemWork work;  // the record is the system's own
  const std::int32_t status = SetValueAnsiImpl(key, name, type, data, bytes);
  std::u16string wideName;
  for (const char* c = name; *c != 0; ++c) wideName += platform::FromCodePage1252(static_cast<unsigned char>(*c));
  Log("set value (ANSI)", wideName, std::nullopt,
      "type " + std::to_string(type) + ", " + std::to_string(bytes) + " bytes", std::to_string(status));
  return status;
}

void CloseKey(KeyHandle key) {
  const sim::SystemWork work;  // the record is the system's own
  const OpenedKey* opened = Lookup(key);
  Log("close key", opened != nullptr ? opened->shown : u"", std::nullopt, "", "");
  CloseKeyImpl(key);
}

bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = FreeBytesForCallerImpl(folder, callerFreeBytes);
  Log("free space", folder, std::nullopt, ok ? std::to_string(*callerFreeBytes) + " bytes" : "", Ok(ok));
  return ok;
}

std::u16string EnvironmentVariable(const std::u16string& name) {
  const sim::SystemWork work;  // the record is the system's own
  std::u16string value = EnvironmentVariableImpl(name);
  Log("environment", name, value.empty() ? std::nullopt : std::optional<std::u16string>(value), "", "");
  return value;
}

std::u16string WindowsFolder() {
  const sim::SystemWork work;  // the record is the system's own
  std::u16string folder = WindowsFolderImpl();
  Log("windows folder", u"", folder, "", "");
  return folder;
}

bool StartShellProgram(const ShellStart& start) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = StartShellProgramImpl(start);
  Log("start", start.file, start.parameters, "in ", Ok(ok), start.directory);
  return ok;
}

bool OpenForSharedReading(const std::u16string& path) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = OpenForSharedReadingImpl(path);
  Log("file check", path, std::nullopt, "", ok ? "readable" : "not readable");
  return ok;
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style) {
  const sim::SystemWork work;  // the record is the system's own
  const int answer = ShowMessageBoxImpl(text, caption, style);
  Log("message box", text, caption, "style " + std::to_string(style), std::to_string(answer));
  return answer;
}

bool OpenOwnToken(std::uint32_t access, TokenHandle* token) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = OpenOwnTokenImpl(access, token);
  Log("open token", u"", std::nullopt, "access " + Hex(access), Ok(ok));
  return ok;
}

bool LookupPrivilege(const std::u16string& name, PrivilegeId* id) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = LookupPrivilegeImpl(name, id);
  Log("privilege lookup", name, std::nullopt, "", Ok(ok));
  return ok;
}

bool EnablePrivilege(TokenHandle token, const PrivilegeId& id, std::uint32_t* lastError) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = EnablePrivilegeImpl(token, id, lastError);
  Log("privilege adjust", u"", std::nullopt, "last error " + std::to_string(*lastError), Ok(ok));
  return ok;
}

void CloseToken(TokenHandle token) {
  const sim::SystemWork work;  // the record is the system's own
  Log("close token", u"", std::nullopt, "", "");
  CloseTokenImpl(token);
}

bool RequestShutdown(unsigned flags, std::uint32_t reason) {
  const sim::SystemWork work;  // the record is the system's own
  const bool ok = RequestShutdownImpl(flags, reason);
  Log("restart", u"", std::nullopt, "flags " + std::to_string(flags) + ", reason " + Hex(reason), Ok(ok));
  return ok;
}

}  // namespace platform

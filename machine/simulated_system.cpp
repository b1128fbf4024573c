// The platform's calls on a simulated machine. Each reproduces what its Win32 counterpart reports:
// statuses, byte counts, value types and terminators.
#include "machine/simulated_system.h"

#include <cstring>
#include <set>

#include "machine/call_trace.h"
#include "machine/file_path.h"

namespace machine {
namespace {

using namespace platform;  // NOLINT: the Win32 constants

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

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// The key as the action named it, for the trace of a call on it.
std::u16string ShownKey(KeyHandle key) {
  const OpenedKey* opened = Lookup(key);
  return opened != nullptr ? opened->shown : u"";
}

// A registry call's event with where its key landed on the machine's Windows: a call on an open
// key lands where its open did.
Event LandedIn(Windows windows, Event e, std::uint32_t access) {
  e.landed = Landed(windows, e.key, access);
  return e;
}
Event LandedIn(Windows windows, Event e, KeyHandle key) {
  const OpenedKey* opened = Lookup(key);
  return LandedIn(windows, std::move(e), opened != nullptr ? opened->access : 0);
}

RegValue Bytes(std::uint32_t type, const void* data, std::uint32_t bytes) {
  const auto* first = static_cast<const std::uint8_t*>(data);
  return RegValue{type, first != nullptr ? std::vector<std::uint8_t>(first, first + bytes) : std::vector<std::uint8_t>()};
}

// The system keeps single-byte names and strings as UTF-16.
std::u16string FromAnsi(const std::uint8_t* bytes, size_t count) {
  std::u16string text;
  for (size_t i = 0; i < count; ++i) text += FromCodePage1252(bytes[i]);
  return text;
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

// ---- Registry ------------------------------------------------------------------------------

std::int32_t SimulatedSystem::Open(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key,
                                   bool create) {
  *key = nullptr;
  // A 32-bit program on 64-bit Windows reaches the key the registry redirector maps it to.
  const std::u16string full = KeyInView(m_.windows, Registry::Under(hive, path), access);
  if (m_.source != nullptr) m_.source->Key(full, access);
  RegKeyData* data = m_.registry.FindKey(full);
  if (data == nullptr) {
    if (!create) return kFileNotFound;
    data = &m_.registry.CreateKey(full);
  }
  // The machine's token owns its keys, and an owner is never refused READ_CONTROL or WRITE_DAC.
  if ((data->deniedAccess & access & ~kKeyWow64Res & ~kOwnerRights) != 0) return kAccessDenied;
  auto* opened = new OpenedKey{full, access, HiveName(hive) + path};
  LiveKeys().insert(opened);
  ++m_.openKeys;
  *key = opened;
  return kSuccess;
}

std::int32_t SimulatedSystem::Query(KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes) {
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeyQueryValue) == 0) return kAccessDenied;
  if (data != nullptr && bytes == nullptr) return kInvalidParameter;
  if (m_.source != nullptr) m_.source->Value(opened->path, name);
  const std::optional<RegValue> value = m_.registry.GetValue(opened->path, name);
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

std::int32_t SimulatedSystem::Set(KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                                  std::uint32_t bytes) {
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeySetValue) == 0) return kAccessDenied;
  if (data == nullptr && bytes != 0) return kInvalidParameter;
  RegValue value;
  value.type = type;
  const auto* from = static_cast<const std::uint8_t*>(data);
  value.data.assign(from, from + bytes);
  m_.registry.SetValue(opened->path, name, std::move(value));
  return kSuccess;
}

std::int32_t SimulatedSystem::OpenKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  const std::int32_t status = Open(hive, path, access, key, false);
  Record(LandedIn(m_.windows, trace::OpenKey(HiveName(hive) + path, access, status), access));
  return status;
}

std::int32_t SimulatedSystem::CreateKey(Hive hive, const std::u16string& path, std::uint32_t access,
                                        KeyHandle* key) {
  const std::int32_t status = Open(hive, path, access, key, true);
  Record(LandedIn(m_.windows, trace::CreateKey(HiveName(hive) + path, access, status), access));
  return status;
}

std::int32_t SimulatedSystem::QueryValue(KeyHandle key, const std::u16string& name, void* data,
                                         std::uint32_t* bytes) {
  const std::uint32_t room = bytes != nullptr ? *bytes : 0;
  const std::int32_t status = Query(key, name, data, bytes);
  std::optional<Stored> stored;
  if ((status == kSuccess || status == kMoreData) && bytes != nullptr)
    if (const OpenedKey* opened = Lookup(key))
      if (auto value = m_.registry.GetValue(opened->path, name)) stored = Stored{*bytes, value->type};
  Record(LandedIn(m_.windows,
                  trace::QueryValue(ShownKey(key), name, data == nullptr, room, status, stored,
                                    status == kSuccess && data != nullptr && stored
                                        ? std::optional<RegValue>(Bytes(stored->type, data, stored->bytes))
                                        : std::nullopt),
                  key));
  return status;
}

std::int32_t SimulatedSystem::SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type,
                                       const void* data, std::uint32_t bytes) {
  const std::int32_t status = Set(key, name, type, data, bytes);
  Record(LandedIn(m_.windows, trace::SetValue(ShownKey(key), name, Bytes(type, data, bytes), status), key));
  return status;
}

std::int32_t SimulatedSystem::SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                                           std::uint32_t bytes) {
  const std::u16string wideName = FromAnsi(reinterpret_cast<const std::uint8_t*>(name), std::strlen(name));
  std::int32_t status = 0;
  if (IsStringType(type)) {
    const std::u16string text = FromAnsi(static_cast<const std::uint8_t*>(data), bytes);
    status = Set(key, wideName, type, text.data(), static_cast<std::uint32_t>(text.size() * sizeof(char16_t)));
  } else {
    status = Set(key, wideName, type, data, bytes);
  }
  Record(LandedIn(m_.windows, trace::SetValueAnsi(ShownKey(key), wideName, Bytes(type, data, bytes), status), key));
  return status;
}

void SimulatedSystem::CloseKey(KeyHandle key) {
  OpenedKey* opened = Lookup(key);
  Record(LandedIn(m_.windows, trace::CloseKey(opened != nullptr ? opened->shown : u""), key));
  if (opened == nullptr) return;
  LiveKeys().erase(opened);
  --m_.openKeys;
  delete opened;
}

bool SimulatedSystem::IsOpenKey(KeyHandle key) { return Lookup(key) != nullptr; }

// ---- Disks, environment, programs and files -------------------------------------------------

bool SimulatedSystem::FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  if (m_.source != nullptr) m_.source->Volume(folder);
  const Volume* volume = m_.answers.VolumeOf(folder);
  if (volume != nullptr) *callerFreeBytes = volume->callerFreeBytes;
  Record(trace::FreeSpace(folder, volume != nullptr ? std::optional<std::uint64_t>(volume->callerFreeBytes)
                                                    : std::nullopt));
  return volume != nullptr;
}

std::u16string SimulatedSystem::EnvironmentVariable(const std::u16string& name) {
  if (m_.source != nullptr) m_.source->Environment(name);
  auto found = m_.environment.find(name);
  std::u16string value = found == m_.environment.end() ? std::u16string() : found->second;
  Record(trace::Environment(name, value));
  return value;
}

std::u16string SimulatedSystem::WindowsFolder() {
  if (m_.source != nullptr) m_.source->WindowsFolder();
  std::u16string folder = m_.answers.windowsFolder.value_or(u"C:\\Windows");
  Record(trace::WindowsFolder(folder));
  return folder;
}

bool SimulatedSystem::Readable(const std::u16string& path) {
  const std::u16string normal = NormalFilePath(path);
  if (m_.source != nullptr) m_.source->File(normal);
  auto found = m_.files.find(normal);
  return found != m_.files.end() && found->second.readable;
}

bool SimulatedSystem::StartShellProgram(const ShellStart& start) {
  m_.answers.programsStarted.push_back(start);
  // A program held open without sharing cannot be started, as on Windows.
  const bool started = Readable(start.file);
  Record(trace::Start(start, started));
  return started;
}

bool SimulatedSystem::OpenForSharedReading(const std::u16string& path) {
  const bool readable = Readable(path);
  Record(trace::FileCheck(path, readable));
  return readable;
}

// ---- Clock and code page --------------------------------------------------------------------

bool SimulatedSystem::FixedLocalTime(LocalTime* now) {
  if (!m_.answers.clock) return false;
  *now = *m_.answers.clock;
  return true;
}

int SimulatedSystem::WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if ((flags & kWcCompositeCheck) != 0 && i + 1 < text.size()) {
      if (const char16_t composed = Compose(unit, text[i + 1])) {
        unit = composed;
        ++i;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      ++i;  // a surrogate pair is one character, and one default character
    const std::optional<std::uint8_t> byte = ToCodePage1252(unit);
    out += static_cast<char>(byte ? *byte : '?');
  }
  out += '\0';
  const int needed = static_cast<int>(out.size());
  if (size == 0) return needed;
  std::memcpy(buffer, out.data(), static_cast<size_t>(needed < size ? needed : size));
  return needed <= size ? needed : 0;
}

// ---- User and shutdown -----------------------------------------------------------------------

int SimulatedSystem::ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style) {
  const int answer = m_.answers.Answer({text, caption, style, 0});
  Record(trace::Message(m_.answers.messagesShown.back()));
  return answer;
}

bool SimulatedSystem::OpenOwnToken(std::uint32_t access, TokenHandle* token) {
  const bool opened = m_.tokenOpens;
  if (opened) {
    ++m_.openTokens;
    *token = &m_;
  }
  Record(trace::OpenToken(access, opened));
  return opened;
}

bool SimulatedSystem::LookupPrivilege(const std::u16string& name, PrivilegeId* id) {
  const bool found = m_.answers.privilegeLookupWorks && name == u"SeShutdownPrivilege";
  if (found) *id = PrivilegeId{19, 0};
  Record(trace::PrivilegeLookup(name, found));
  return found;
}

bool SimulatedSystem::EnablePrivilege(TokenHandle, const PrivilegeId& id, std::uint32_t* lastError) {
  *lastError = m_.answers.privilegeAdjustError;
  if (*lastError == 0 && id.low == 19) m_.privilegesEnabled.push_back(u"SeShutdownPrivilege");
  Record(trace::PrivilegeAdjust(*lastError, true));
  return true;  // as on Windows, the return value says nothing about the grant
}

void SimulatedSystem::CloseToken(TokenHandle) {
  Record(trace::CloseToken());
  --m_.openTokens;
}

bool SimulatedSystem::RequestShutdown(unsigned flags, std::uint32_t reason) {
  m_.answers.restarts.push_back({flags, reason});
  Record(trace::Restart({flags, reason}, true));
  return true;
}

}  // namespace machine

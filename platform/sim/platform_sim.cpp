// The boundary on the simulated machine. Each function reproduces what its Win32 counterpart
// reports: statuses, byte counts, value types and terminators.
#include <cstring>
#include <ctime>
#include <set>

#include "machine/call_trace.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace platform {
namespace {

namespace trace = machine::trace;

// The one seam of every call on the simulated system: its memory is the system's own (no
// allocation in it is made to fail on purpose), and what the call did is recorded for the trace.
template <class Work>
auto AsSystem(Work&& work) {
  struct Leave {
    ~Leave() { sim::LeaveSystemWork(); }
  };
  sim::EnterSystemWork();
  const Leave leave;
  return work();
}
void Record(machine::SystemCall call) { sim::machine().answers.calls.push_back(std::move(call)); }

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

std::int32_t Open(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key, bool create) {
  *key = nullptr;
  machine::Registry& registry = sim::machine().registry;
  // A 32-bit program on 64-bit Windows reaches the key the registry redirector maps it to.
  const std::u16string full = machine::KeyInView(sim::machine().windows, machine::Registry::Under(hive, path), access);
  machine::RegKeyData* data = registry.FindKey(full);
  if (data == nullptr) {
    if (!create) return kFileNotFound;
    data = &registry.CreateKey(full);
  }
  // The machine's token owns its keys, and an owner is never refused READ_CONTROL or WRITE_DAC.
  if ((data->deniedAccess & access & ~machine::kKeyWow64Res & ~machine::kOwnerRights) != 0) return kAccessDenied;
  auto* opened = new OpenedKey{full, access, HiveName(hive) + path};
  LiveKeys().insert(opened);
  ++sim::machine().openKeys;
  *key = opened;
  return kSuccess;
}

std::int32_t Query(KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes) {
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeyQueryValue) == 0) return kAccessDenied;
  if (data != nullptr && bytes == nullptr) return kInvalidParameter;
  const std::optional<machine::RegValue> value = sim::machine().registry.GetValue(opened->path, name);
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

std::int32_t Set(KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                 std::uint32_t bytes) {
  OpenedKey* opened = Lookup(key);
  if (opened == nullptr) return kInvalidHandle;
  if ((opened->access & kKeySetValue) == 0) return kAccessDenied;
  if (data == nullptr && bytes != 0) return kInvalidParameter;
  machine::RegValue value;
  value.type = type;
  const auto* from = static_cast<const std::uint8_t*>(data);
  value.data.assign(from, from + bytes);
  sim::machine().registry.SetValue(opened->path, name, std::move(value));
  return kSuccess;
}

// The system keeps single-byte names and strings as UTF-16.
std::u16string FromAnsi(const std::uint8_t* bytes, size_t count) {
  std::u16string text;
  for (size_t i = 0; i < count; ++i) text += machine::FromCodePage1252(bytes[i]);
  return text;
}

bool Readable(const std::u16string& path) {
  const auto& files = sim::machine().files;
  auto found = files.find(machine::NormalFilePath(path));
  return found != files.end() && found->second.readable;
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

namespace {

// The key as the action named it, for the trace of a call on it.
std::u16string ShownKey(KeyHandle key) {
  const OpenedKey* opened = Lookup(key);
  return opened != nullptr ? opened->shown : u"";
}

machine::RegValue Bytes(std::uint32_t type, const void* data, std::uint32_t bytes) {
  const auto* first = static_cast<const std::uint8_t*>(data);
  return machine::RegValue{type, first != nullptr ? std::vector<std::uint8_t>(first, first + bytes) : std::vector<std::uint8_t>()};
}

}  // namespace

std::int32_t OpenKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  return AsSystem([&] {
    const std::int32_t status = Open(hive, path, access, key, false);
    Record(trace::OpenKey(HiveName(hive) + path, access, status));
    return status;
  });
}

std::int32_t CreateKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  return AsSystem([&] {
    const std::int32_t status = Open(hive, path, access, key, true);
    Record(trace::CreateKey(HiveName(hive) + path, access, status));
    return status;
  });
}

std::int32_t QueryValue(KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes) {
  return AsSystem([&] {
    const std::uint32_t room = bytes != nullptr ? *bytes : 0;
    const std::int32_t status = Query(key, name, data, bytes);
    std::optional<trace::Stored> stored;
    if ((status == kSuccess || status == kMoreData) && bytes != nullptr)
      if (const OpenedKey* opened = Lookup(key))
        if (auto value = sim::machine().registry.GetValue(opened->path, name)) stored = trace::Stored{*bytes, value->type};
    Record(trace::QueryValue(ShownKey(key), name, data == nullptr, room, status, stored,
                             status == kSuccess && data != nullptr && stored
                                 ? std::optional<machine::RegValue>(Bytes(stored->type, data, stored->bytes))
                                 : std::nullopt));
    return status;
  });
}

std::int32_t SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                      std::uint32_t bytes) {
  return AsSystem([&] {
    const std::int32_t status = Set(key, name, type, data, bytes);
    Record(trace::SetValue(ShownKey(key), name, Bytes(type, data, bytes), status));
    return status;
  });
}

std::int32_t SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                          std::uint32_t bytes) {
  return AsSystem([&] {
    const std::u16string wideName = FromAnsi(reinterpret_cast<const std::uint8_t*>(name), std::strlen(name));
    std::int32_t status = 0;
    if (IsStringType(type)) {
      const std::u16string text = FromAnsi(static_cast<const std::uint8_t*>(data), bytes);
      status = Set(key, wideName, type, text.data(), static_cast<std::uint32_t>(text.size() * sizeof(char16_t)));
    } else {
      status = Set(key, wideName, type, data, bytes);
    }
    Record(trace::SetValueAnsi(ShownKey(key), wideName, Bytes(type, data, bytes), status));
    return status;
  });
}

void CloseKey(KeyHandle key) {
  AsSystem([&] {
    OpenedKey* opened = Lookup(key);
    Record(trace::CloseKey(opened != nullptr ? opened->shown : u""));
    if (opened == nullptr) return;
    LiveKeys().erase(opened);
    --sim::machine().openKeys;
    delete opened;
  });
}

// ---- Disks, environment, programs and files -------------------------------------------------

bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  return AsSystem([&] {
    const machine::Volume* volume = sim::machine().answers.VolumeOf(folder);
    if (volume != nullptr) *callerFreeBytes = volume->callerFreeBytes;
    Record(trace::FreeSpace(folder, volume != nullptr ? std::optional<std::uint64_t>(volume->callerFreeBytes)
                                                      : std::nullopt));
    return volume != nullptr;
  });
}

std::u16string EnvironmentVariable(const std::u16string& name) {
  return AsSystem([&] {
    const auto& environment = sim::machine().environment;
    auto found = environment.find(name);
    std::u16string value = found == environment.end() ? std::u16string() : found->second;
    Record(trace::Environment(name, value));
    return value;
  });
}

std::u16string WindowsFolder() {
  return AsSystem([&] {
    std::u16string folder = sim::machine().answers.windowsFolder.value_or(u"C:\\Windows");
    Record(trace::WindowsFolder(folder));
    return folder;
  });
}

bool StartShellProgram(const ShellStart& start) {
  return AsSystem([&] {
    sim::machine().answers.programsStarted.push_back(start);
    // A program held open without sharing cannot be started, as on Windows.
    const bool started = Readable(start.file);
    Record(trace::Start(start, started));
    return started;
  });
}

bool OpenForSharedReading(const std::u16string& path) {
  return AsSystem([&] {
    const bool readable = Readable(path);
    Record(trace::FileCheck(path, readable));
    return readable;
  });
}

// ---- Clock and code page --------------------------------------------------------------------

bool CurrentLocalTime(LocalTime* now) {
  return AsSystem([&] {
    if (sim::machine().answers.clock) {
      *now = *sim::machine().answers.clock;
      return true;
    }
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return false;
    *now = LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    return true;
  });
}

int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size) {
  return AsSystem([&] {
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
      const std::optional<std::uint8_t> byte = machine::ToCodePage1252(unit);
      out += static_cast<char>(byte ? *byte : '?');
    }
    out += '\0';
    const int needed = static_cast<int>(out.size());
    if (size == 0) return needed;
    std::memcpy(buffer, out.data(), static_cast<size_t>(needed < size ? needed : size));
    return needed <= size ? needed : 0;
  });
}

// ---- User and shutdown -----------------------------------------------------------------------

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style) {
  return AsSystem([&] {
    const int answer = sim::machine().answers.Answer({text, caption, style, 0});
    Record(trace::Message(sim::machine().answers.messagesShown.back()));
    return answer;
  });
}

bool OpenOwnToken(std::uint32_t access, TokenHandle* token) {
  return AsSystem([&] {
    const bool opened = sim::machine().tokenOpens;
    if (opened) {
      ++sim::machine().openTokens;
      *token = &sim::machine();
    }
    Record(trace::OpenToken(access, opened));
    return opened;
  });
}

bool LookupPrivilege(const std::u16string& name, PrivilegeId* id) {
  return AsSystem([&] {
    const bool found = sim::machine().answers.privilegeLookupWorks && name == u"SeShutdownPrivilege";
    if (found) *id = PrivilegeId{19, 0};
    Record(trace::PrivilegeLookup(name, found));
    return found;
  });
}

bool EnablePrivilege(TokenHandle, const PrivilegeId& id, std::uint32_t* lastError) {
  return AsSystem([&] {
    sim::Machine& m = sim::machine();
    *lastError = m.answers.privilegeAdjustError;
    if (*lastError == 0 && id.low == 19) m.privilegesEnabled.push_back(u"SeShutdownPrivilege");
    Record(trace::PrivilegeAdjust(*lastError, true));
    return true;  // as on Windows, the return value says nothing about the grant
  });
}

void CloseToken(TokenHandle) {
  AsSystem([&] {
    Record(trace::CloseToken());
    --sim::machine().openTokens;
  });
}

bool RequestShutdown(unsigned flags, std::uint32_t reason) {
  return AsSystem([&] {
    sim::machine().answers.restarts.push_back({flags, reason});
    Record(trace::Restart({flags, reason}, true));
    return true;
  });
}

}  // namespace platform

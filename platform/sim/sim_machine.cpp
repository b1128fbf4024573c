// The simulated machine: its registry, the process-wide machine and its system strings.
#include <cstdlib>
#include <cstring>

#include "platform/sim/com_sim.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

char16_t Fold(char16_t c) { return NoCaseLess::Fold(c); }

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Fold(text[i]) != Fold(prefix[i])) return false;
  return true;
}

const std::u16string kMachineRoot = u"HKEY_LOCAL_MACHINE";
const std::u16string kClassesUnderMachine = u"HKEY_LOCAL_MACHINE\\Software\\Classes";

long g_liveStrings = 0;
long g_failCountdown = 0;
int g_systemWork = 0;

}  // namespace

std::u16string Registry::Under(platform::Hive hive, const std::u16string& path) {
  const std::u16string& root =
      hive == platform::Hive::LocalMachine ? kMachineRoot : kClassesUnderMachine;
  return path.empty() ? root : root + u"\\" + path;
}

RegKeyData& Registry::CreateKey(const std::u16string& canonicalPath) {
  // Every key on the way down exists too.
  for (size_t at = canonicalPath.find(u'\\'); at != std::u16string::npos;
       at = canonicalPath.find(u'\\', at + 1))
    keys_.try_emplace(canonicalPath.substr(0, at));
  return keys_[canonicalPath];
}

RegKeyData* Registry::FindKey(const std::u16string& canonicalPath) {
  auto found = keys_.find(canonicalPath);
  return found == keys_.end() ? nullptr : &found->second;
}

void Registry::DeleteKey(const std::u16string& canonicalPath) {
  const std::u16string below = canonicalPath + u"\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    if ((it->first.size() == canonicalPath.size() && StartsWithNoCase(it->first, canonicalPath)) ||
        StartsWithNoCase(it->first, below))
      it = keys_.erase(it);
    else
      ++it;
  }
}

void Registry::SetValue(const std::u16string& canonicalPath, const std::u16string& name,
                        RegValue value) {
  CreateKey(canonicalPath).values[name] = std::move(value);
}

std::optional<RegValue> Registry::GetValue(const std::u16string& canonicalPath,
                                           const std::u16string& name) const {
  auto key = keys_.find(canonicalPath);
  if (key == keys_.end()) return std::nullopt;
  auto value = key->second.values.find(name);
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

Machine& machine() {
  static Machine the;
  return the;
}

void Reset() {
  machine() = Machine{};
  // Windows does not run without its Session Manager key: every machine has it, pending file
  // operations or not.
  machine().registry.CreateKey(u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
}

long LiveSystemStrings() { return g_liveStrings; }
void FailSystemStringAllocation(long nth) { g_failCountdown = nth; }
long SystemStringFailureCountdown() { return g_failCountdown; }

SystemWork::SystemWork() { ++g_systemWork; }
SystemWork::~SystemWork() { --g_systemWork; }
bool InSystemWork() { return g_systemWork > 0; }

}  // namespace sim

// ---- System strings -------------------------------------------------------------------------
extern "C" {

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (sim::g_failCountdown > 0 && --sim::g_failCountdown == 0) return nullptr;
  const size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, sizeof prefix);
  auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof prefix);
  if (text != nullptr)
    std::memcpy(chars, text, bytes);
  else
    std::memset(chars, 0, bytes);
  chars[length] = u'\0';
  ++sim::g_liveStrings;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != u'\0') ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  --sim::g_liveStrings;
  std::free(reinterpret_cast<unsigned char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<unsigned char*>(text) - sizeof prefix, sizeof prefix);
  return prefix / sizeof(OLECHAR);
}

}  // extern "C"

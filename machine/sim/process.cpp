// The process-wide simulated machine and its system strings.
#include <cstdlib>
#include <cstring>

#include "machine/sim/com/com_stand_ins.h"
#include "machine/sim/process.h"

namespace sim {
namespace {

long g_liveStrings = 0;
long g_failCountdown = 0;
int g_systemWork = 0;

}  // namespace

machine::SimulatedMachine& machine() {
  static machine::SimulatedMachine the;
  return the;
}

void Reset() {
  machine() = machine::SimulatedMachine{};
  machine().registry.CreateWindowsKeys();
}

long LiveSystemStrings() { return g_liveStrings; }
void FailSystemStringAllocation(long nth) { g_failCountdown = nth; }
long SystemStringFailureCountdown() { return g_failCountdown; }

void EnterSystemWork() { ++g_systemWork; }
void LeaveSystemWork() { --g_systemWork; }
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

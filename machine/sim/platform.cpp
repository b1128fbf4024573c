// The boundary on the simulated machine: every call is answered by the process's one simulated
// machine, as the system's own work.
#include <ctime>

#include "machine/simulated_system.h"
#include "platform/platform.h"
#include "machine/sim/process.h"

namespace platform {
namespace {

// The one seam of every call on the simulated system: its memory is the system's own (no
// allocation in it is made to fail on purpose).
template <class Work>
auto AsSystem(Work&& work) {
  struct Leave {
    ~Leave() { sim::LeaveSystemWork(); }
  };
  sim::EnterSystemWork();
  const Leave leave;
  machine::SimulatedSystem system(sim::machine());
  return work(system);
}

}  // namespace

std::int32_t OpenKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.OpenKey(hive, path, access, key); });
}

std::int32_t CreateKey(Hive hive, const std::u16string& path, std::uint32_t access, KeyHandle* key) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.CreateKey(hive, path, access, key); });
}

std::int32_t QueryValue(KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.QueryValue(key, name, data, bytes); });
}

std::int32_t SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                      std::uint32_t bytes) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.SetValue(key, name, type, data, bytes); });
}

std::int32_t SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                          std::uint32_t bytes) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.SetValueAnsi(key, name, type, data, bytes); });
}

void CloseKey(KeyHandle key) {
  AsSystem([&](machine::SimulatedSystem& s) { s.CloseKey(key); });
}

bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.FreeBytesForCaller(folder, callerFreeBytes); });
}

std::u16string EnvironmentVariable(const std::u16string& name) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.EnvironmentVariable(name); });
}

std::u16string WindowsFolder() {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.WindowsFolder(); });
}

bool StartShellProgram(const ShellStart& start) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.StartShellProgram(start); });
}

bool OpenForSharedReading(const std::u16string& path) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.OpenForSharedReading(path); });
}

bool CurrentLocalTime(LocalTime* now) {
  return AsSystem([&](machine::SimulatedSystem& s) {
    if (s.FixedLocalTime(now)) return true;
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return false;
    *now = LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    return true;
  });
}

int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.WideToAnsi(flags, text, buffer, size); });
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.ShowMessageBox(text, caption, style); });
}

bool OpenOwnToken(std::uint32_t access, TokenHandle* token) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.OpenOwnToken(access, token); });
}

bool LookupPrivilege(const std::u16string& name, PrivilegeId* id) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.LookupPrivilege(name, id); });
}

bool EnablePrivilege(TokenHandle token, const PrivilegeId& id, std::uint32_t* lastError) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.EnablePrivilege(token, id, lastError); });
}

void CloseToken(TokenHandle token) {
  AsSystem([&](machine::SimulatedSystem& s) { s.CloseToken(token); });
}

bool RequestShutdown(unsigned flags, std::uint32_t reason) {
  return AsSystem([&](machine::SimulatedSystem& s) { return s.RequestShutdown(flags, reason); });
}

}  // namespace platform

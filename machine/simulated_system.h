// The calls of the platform boundary answered by a simulated machine, as their Win32 counterparts
// answer them (statuses, byte counts, value types and terminators), each recorded for the trace.
// The native build's platform answers every call of the actions here; on Windows, a capture
// answers the taken-over library's calls here too, from the machine it fills as they read.
#pragma once

#include <cstdint>
#include <string>

#include "machine/simulated.h"
#include "platform/platform.h"

namespace machine {

class SimulatedSystem {
 public:
  explicit SimulatedSystem(SimulatedMachine& machine) : m_(machine) {}

  std::int32_t OpenKey(platform::Hive hive, const std::u16string& path, std::uint32_t access,
                       platform::KeyHandle* key);
  std::int32_t CreateKey(platform::Hive hive, const std::u16string& path, std::uint32_t access,
                         platform::KeyHandle* key);
  std::int32_t QueryValue(platform::KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes);
  std::int32_t SetValue(platform::KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                        std::uint32_t bytes);
  std::int32_t SetValueAnsi(platform::KeyHandle key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t bytes);
  void CloseKey(platform::KeyHandle key);
  // True when `key` is a handle this system gave out and has not closed.
  static bool IsOpenKey(platform::KeyHandle key);

  bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes);
  std::u16string EnvironmentVariable(const std::u16string& name);
  std::u16string WindowsFolder();
  bool StartShellProgram(const platform::ShellStart& start);
  bool OpenForSharedReading(const std::u16string& path);
  // The machine's fixed clock; false when it runs on the real one (unset).
  bool FixedLocalTime(platform::LocalTime* now);
  int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size);

  int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style);
  bool OpenOwnToken(std::uint32_t access, platform::TokenHandle* token);
  bool LookupPrivilege(const std::u16string& name, platform::PrivilegeId* id);
  bool EnablePrivilege(platform::TokenHandle token, const platform::PrivilegeId& id, std::uint32_t* lastError);
  void CloseToken(platform::TokenHandle token);
  bool RequestShutdown(unsigned flags, std::uint32_t reason);

 private:
  std::int32_t Open(platform::Hive hive, const std::u16string& path, std::uint32_t access, platform::KeyHandle* key,
                    bool create);
  std::int32_t Query(platform::KeyHandle key, const std::u16string& name, void* data, std::uint32_t* bytes);
  std::int32_t Set(platform::KeyHandle key, const std::u16string& name, std::uint32_t type, const void* data,
                   std::uint32_t bytes);
  bool Readable(const std::u16string& path);
  void Record(Event call) { m_.answers.journal.push_back(std::move(call)); }

  SimulatedMachine& m_;
};

}  // namespace machine

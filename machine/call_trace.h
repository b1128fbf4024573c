// The one place that turns a call the actions made on the system into its trace entry: the
// simulated platform and the Windows stand-in's replaced imports both record their calls here,
// so that the traces of both agree by construction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "machine/records.h"

namespace machine::trace {

// Registry calls name the key as the action named it ("HKLM\\...", "HKCR\\..."); a value's call
// also names its key. Statuses are Windows' error numbers.
SystemCall OpenKey(const std::u16string& key, std::uint32_t access, std::int32_t status);
SystemCall CreateKey(const std::u16string& key, std::uint32_t access, std::int32_t status);
SystemCall CloseKey(const std::u16string& key);

// The size and type of the stored value, where the query told them.
struct Stored {
  std::uint32_t bytes = 0;
  std::uint32_t type = 0;
};
// A query with a buffer of `room` bytes, or without one (`sizeOnly`); `read` is the data the
// buffer received, where it received any.
SystemCall QueryValue(const std::u16string& key, const std::u16string& name, bool sizeOnly, std::uint32_t room,
                      std::int32_t status, std::optional<Stored> stored, std::optional<RegValue> read);
// The data as the action gave it: UTF-16 text for SetValue, text in the ANSI code page for
// SetValueAnsi (shown as the text the registry stores).
SystemCall SetValue(const std::u16string& key, const std::u16string& name, const RegValue& data, std::int32_t status);
SystemCall SetValueAnsi(const std::u16string& key, const std::u16string& name, const RegValue& data,
                        std::int32_t status);

// The free bytes available to the caller, or nullopt when the query failed.
SystemCall FreeSpace(const std::u16string& root, std::optional<std::uint64_t> callerFreeBytes);
SystemCall Environment(const std::u16string& name, const std::u16string& value);  // empty: not set
SystemCall WindowsFolder(const std::u16string& folder);                          // empty: not told
SystemCall FileCheck(const std::u16string& path, bool readable);
SystemCall Start(const ShellStart& start, bool started);
SystemCall Message(const MessageShown& box);

SystemCall OpenToken(std::uint32_t access, bool opened);
SystemCall PrivilegeLookup(const std::u16string& name, bool found);
SystemCall PrivilegeAdjust(std::uint32_t lastError, bool ok);
SystemCall CloseToken();
SystemCall Restart(const ShutdownRequest& request, bool ok);

}  // namespace machine::trace

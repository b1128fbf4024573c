// The one place that turns a call the actions made on the system into its event in the journal:
// the simulated platform and the Windows stand-in's replaced imports both record their calls
// here, so that the traces of both agree by construction. The registry changes a call left and
// the scenario's own settings are made here too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "machine/journal.h"

namespace machine::trace {

// Registry calls name the key as the action named it ("HKLM\\...", "HKCR\\..."); a value's call
// also names its key. Statuses are Windows' error numbers.
Event OpenKey(const std::u16string& key, std::uint32_t access, std::int32_t status);
Event CreateKey(const std::u16string& key, std::uint32_t access, std::int32_t status);
Event CloseKey(const std::u16string& key);

// A query with a buffer of `room` bytes, or without one (`sizeOnly`); `read` is the data the
// buffer received, where it received any.
Event QueryValue(const std::u16string& key, const std::u16string& name, bool sizeOnly, std::uint32_t room,
                      std::int32_t status, std::optional<Stored> stored, std::optional<RegValue> read);
// The data as the action gave it: UTF-16 text for SetValue, text in the ANSI code page for
// SetValueAnsi (shown as the text the registry stores).
Event SetValue(const std::u16string& key, const std::u16string& name, const RegValue& data, std::int32_t status);
Event SetValueAnsi(const std::u16string& key, const std::u16string& name, const RegValue& data,
                        std::int32_t status);

// The free bytes available to the caller, or nullopt when the query failed.
Event FreeSpace(const std::u16string& root, std::optional<std::uint64_t> callerFreeBytes);
Event Environment(const std::u16string& name, const std::u16string& value);  // empty: not set
Event WindowsFolder(const std::u16string& folder);                          // empty: not told
Event FileCheck(const std::u16string& path, bool readable);
Event Start(const ShellStart& start, bool started);
Event Message(const MessageShown& box);

Event OpenToken(std::uint32_t access, bool opened);
Event PrivilegeLookup(const std::u16string& name, bool found);
Event PrivilegeAdjust(std::uint32_t lastError, bool ok);
Event CloseToken();
Event Restart(const ShutdownRequest& request, bool ok);

// What a call left in the registry; keys canonical.
Event KeyAdded(const std::u16string& key);
Event ValueStored(const std::u16string& key, const std::u16string& name, const RegValue& value);
Event ValueDeleted(const std::u16string& key, const std::u16string& name);
Event KeyDeleted(const std::u16string& key);

// A property the scenario set or cleared (nullopt) between calls.
Event SetProperty(const std::u16string& name, const std::optional<std::u16string>& value);

}  // namespace machine::trace

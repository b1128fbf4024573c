// The events of the calls on the system, of the registry changes and of the scenario's settings.
#include "machine/call_trace.h"

namespace machine::trace {
namespace {

Event Call(EventKind kind, std::u16string name = {}) {
  Event e;
  e.source = Source::System;
  e.kind = kind;
  e.name = std::move(name);
  return e;
}

Event KeyCall(EventKind kind, const std::u16string& key, std::uint32_t access, std::int32_t status) {
  Event e = Call(kind);
  e.key = key;
  e.access = access;
  e.code = status;
  return e;
}

// A call that succeeds or fails.
Event Done(EventKind kind, std::u16string name, bool ok) {
  Event e = Call(kind, std::move(name));
  e.ok = ok;
  return e;
}

Event Change(EventKind kind, const std::u16string& key, const std::u16string& name = {}) {
  Event e = Call(kind, name);
  e.key = key;
  return e;
}

}  // namespace

Event OpenKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return KeyCall(EventKind::OpenKey, key, access, status);
}

Event CreateKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return KeyCall(EventKind::CreateKey, key, access, status);
}

Event CloseKey(const std::u16string& key) { return Change(EventKind::CloseKey, key); }

Event QueryValue(const std::u16string& key, const std::u16string& name, bool sizeOnly, std::uint32_t room,
                 std::int32_t status, std::optional<Stored> stored, std::optional<RegValue> read) {
  Event e = Change(EventKind::QueryValue, key, name);
  if (!sizeOnly) e.buffer = room;
  e.stored = stored;
  e.data = std::move(read);
  e.code = status;
  return e;
}

Event SetValue(const std::u16string& key, const std::u16string& name, const RegValue& data, std::int32_t status) {
  Event e = Change(EventKind::SetValue, key, name);
  e.data = data;
  e.bytes = static_cast<std::uint32_t>(data.data.size());
  e.code = status;
  return e;
}

Event SetValueAnsi(const std::u16string& key, const std::u16string& name, const RegValue& data, std::int32_t status) {
  Event e = SetValue(key, name, data, status);
  e.kind = EventKind::SetValueAnsi;
  // The registry keeps text as UTF-16; the event holds the text it received.
  if (data.type == 1 || data.type == 2 || data.type == 7) {
    e.data->data.clear();
    for (std::uint8_t byte : data.data) {
      const char16_t unit = FromCodePage1252(byte);
      e.data->data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      e.data->data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return e;
}

Event FreeSpace(const std::u16string& root, std::optional<std::uint64_t> callerFreeBytes) {
  Event e = Done(EventKind::FreeSpace, root, callerFreeBytes.has_value());
  e.freeBytes = callerFreeBytes;
  return e;
}

Event Environment(const std::u16string& name, const std::u16string& value) {
  Event e = Call(EventKind::Environment, name);
  if (!value.empty()) e.text = value;
  return e;
}

Event WindowsFolder(const std::u16string& folder) {
  Event e = Call(EventKind::WindowsFolder);
  e.text = folder;
  return e;
}

Event FileCheck(const std::u16string& path, bool readable) { return Done(EventKind::FileCheck, path, readable); }

Event Start(const ShellStart& start, bool started) {
  Event e = Done(EventKind::Start, start.file, started);
  e.text = start.parameters;
  e.folder = start.directory;
  return e;
}

Event Message(const MessageShown& box) {
  Event e = Call(EventKind::BoxShown, box.text);
  e.text = box.caption;
  e.flags = box.style;
  e.code = box.answer;
  return e;
}

Event OpenToken(std::uint32_t access, bool opened) {
  Event e = Done(EventKind::OpenToken, u"", opened);
  e.access = access;
  return e;
}

Event PrivilegeLookup(const std::u16string& name, bool found) { return Done(EventKind::PrivilegeLookup, name, found); }

Event PrivilegeAdjust(std::uint32_t lastError, bool ok) {
  Event e = Done(EventKind::PrivilegeAdjust, u"", ok);
  e.code = lastError;
  return e;
}

Event CloseToken() { return Call(EventKind::CloseToken); }

Event Restart(const ShutdownRequest& request, bool ok) {
  Event e = Done(EventKind::Restart, u"", ok);
  e.flags = request.flags;
  e.reason = request.reason;
  return e;
}

Event KeyAdded(const std::u16string& key) { return Change(EventKind::KeyAdded, key); }

Event ValueStored(const std::u16string& key, const std::u16string& name, const RegValue& value) {
  Event e = Change(EventKind::ValueStored, key, name);
  e.data = value;
  return e;
}

Event ValueDeleted(const std::u16string& key, const std::u16string& name) {
  return Change(EventKind::ValueDeleted, key, name);
}

Event KeyDeleted(const std::u16string& key) { return Change(EventKind::KeyDeleted, key); }

Event SetProperty(const std::u16string& name, const std::optional<std::u16string>& value) {
  Event e = Call(EventKind::SetProperty, name);
  e.source = Source::Step;
  e.text = value;
  return e;
}

}  // namespace machine::trace

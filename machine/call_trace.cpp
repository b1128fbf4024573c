// The trace entries of the calls on the system.
#include "machine/call_trace.h"

#include "machine/win32_names.h"

namespace machine::trace {
namespace {

// Figures and words of a detail are ASCII.
std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

const char* Ok(bool ok) { return ok ? "ok" : "failed"; }

SystemCall Call(const char* kind, std::u16string name, const std::string& detail, std::string status,
                std::optional<std::u16string> value = std::nullopt) {
  SystemCall call;
  call.kind = kind;
  call.name = std::move(name);
  call.value = std::move(value);
  call.detail = Wide(detail);
  call.status = std::move(status);
  return call;
}

SystemCall KeyCall(const char* kind, const std::u16string& key, std::uint32_t access, std::int32_t status) {
  SystemCall call = Call(kind, u"", "access " + names::KeyRights(access), names::Error(status));
  call.key = key;
  call.code = status;
  return call;
}

}  // namespace

SystemCall OpenKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return KeyCall("open key", key, access, status);
}

SystemCall CreateKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return KeyCall("create key", key, access, status);
}

SystemCall CloseKey(const std::u16string& key) {
  SystemCall call = Call("close key", u"", "", "");
  call.key = key;
  return call;
}

SystemCall QueryValue(const std::u16string& key, const std::u16string& name, bool sizeOnly, std::uint32_t room,
                      std::int32_t status, std::optional<Stored> stored, std::optional<RegValue> read) {
  std::string detail = sizeOnly ? std::string("size only") : "buffer " + std::to_string(room) + " bytes";
  if (stored) detail += ", value " + std::to_string(stored->bytes) + " bytes of " + names::ValueType(stored->type);
  SystemCall call = Call("query value", name, detail, names::Error(status));
  call.key = key;
  call.data = std::move(read);
  call.code = status;
  return call;
}

SystemCall SetValue(const std::u16string& key, const std::u16string& name, const RegValue& data, std::int32_t status) {
  SystemCall call = Call("set value", name, names::ValueType(data.type) + ", " + std::to_string(data.data.size()) + " bytes",
                         names::Error(status));
  call.key = key;
  call.data = data;
  call.code = status;
  return call;
}

SystemCall SetValueAnsi(const std::u16string& key, const std::u16string& name, const RegValue& data,
                        std::int32_t status) {
  SystemCall call = SetValue(key, name, data, status);
  call.kind = "set value (ANSI)";
  // The registry keeps text as UTF-16; the trace shows the text it received.
  if (data.type == 1 || data.type == 2 || data.type == 7) {
    call.data->data.clear();
    for (std::uint8_t byte : data.data) {
      const char16_t unit = FromCodePage1252(byte);
      call.data->data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      call.data->data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return call;
}

SystemCall FreeSpace(const std::u16string& root, std::optional<std::uint64_t> callerFreeBytes) {
  return Call("free space", root, callerFreeBytes ? std::to_string(*callerFreeBytes) + " bytes" : "",
              Ok(callerFreeBytes.has_value()));
}

SystemCall Environment(const std::u16string& name, const std::u16string& value) {
  return Call("environment", name, "", "", value.empty() ? std::nullopt : std::optional<std::u16string>(value));
}

SystemCall WindowsFolder(const std::u16string& folder) { return Call("windows folder", u"", "", "", folder); }

SystemCall FileCheck(const std::u16string& path, bool readable) {
  return Call("file check", path, "", readable ? "readable" : "not readable");
}

// The detail is the working folder itself.
SystemCall Start(const ShellStart& start, bool started) {
  SystemCall call = Call("start", start.file, "", Ok(started), start.parameters);
  call.detail = start.directory;
  return call;
}

SystemCall Message(const MessageShown& box) {
  SystemCall call = Call("message box", box.text, "style " + names::MessageStyle(box.style),
                         names::MessageAnswer(box.answer), box.caption);
  call.code = box.answer;
  return call;
}

SystemCall OpenToken(std::uint32_t access, bool opened) {
  return Call("open token", u"", "access " + names::TokenRights(access), Ok(opened));
}

SystemCall PrivilegeLookup(const std::u16string& name, bool found) {
  return Call("privilege lookup", name, "", Ok(found));
}

SystemCall PrivilegeAdjust(std::uint32_t lastError, bool ok) {
  SystemCall call = Call("privilege adjust", u"", "last error " + names::Error(static_cast<std::int32_t>(lastError)), Ok(ok));
  call.code = lastError;
  return call;
}

SystemCall CloseToken() { return Call("close token", u"", "", ""); }

SystemCall Restart(const ShutdownRequest& request, bool ok) {
  return Call("restart", u"", "flags " + names::ExitFlags(request.flags) + ", reason " + names::ShutdownReason(request.reason),
              Ok(ok));
}

}  // namespace machine::trace

// The trace entries of the calls on the system.
#include "machine/call_trace.h"

#include <cstdio>

namespace machine::trace {
namespace {

// Figures and words of a detail are ASCII.
std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string Hex(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

const char* Ok(bool ok) { return ok ? "ok" : "failed"; }

SystemCall Call(const char* kind, std::u16string name, const std::string& detail, std::string status,
                std::optional<std::u16string> value = std::nullopt) {
  return SystemCall{kind, std::move(name), std::move(value), Wide(detail), std::move(status)};
}

}  // namespace

SystemCall OpenKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return Call("open key", key, "access " + Hex(access), std::to_string(status));
}

SystemCall CreateKey(const std::u16string& key, std::uint32_t access, std::int32_t status) {
  return Call("create key", key, "access " + Hex(access), std::to_string(status));
}

SystemCall CloseKey(const std::u16string& key) { return Call("close key", key, "", ""); }

SystemCall QueryValue(const std::u16string& name, bool sizeOnly, std::uint32_t room, std::int32_t status,
                      std::optional<Stored> stored) {
  std::string detail = sizeOnly ? std::string("size only") : "buffer " + std::to_string(room) + " bytes";
  if (stored) detail += ", value " + std::to_string(stored->bytes) + " bytes of type " + std::to_string(stored->type);
  return Call("query value", name, detail, std::to_string(status));
}

SystemCall SetValue(const std::u16string& name, std::uint32_t type, std::uint32_t bytes, std::int32_t status) {
  return Call("set value", name, "type " + std::to_string(type) + ", " + std::to_string(bytes) + " bytes",
              std::to_string(status));
}

SystemCall SetValueAnsi(const std::u16string& name, std::uint32_t type, std::uint32_t bytes, std::int32_t status) {
  SystemCall call = SetValue(name, type, bytes, status);
  call.kind = "set value (ANSI)";
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

SystemCall Start(const ShellStart& start, bool started) {
  SystemCall call = Call("start", start.file, "in ", Ok(started), start.parameters);
  call.detail += start.directory;
  return call;
}

SystemCall Message(const MessageShown& box) {
  return Call("message box", box.text, "style " + std::to_string(box.style), std::to_string(box.answer), box.caption);
}

SystemCall OpenToken(std::uint32_t access, bool opened) {
  return Call("open token", u"", "access " + Hex(access), Ok(opened));
}

SystemCall PrivilegeLookup(const std::u16string& name, bool found) {
  return Call("privilege lookup", name, "", Ok(found));
}

SystemCall PrivilegeAdjust(std::uint32_t lastError, bool ok) {
  return Call("privilege adjust", u"", "last error " + std::to_string(lastError), Ok(ok));
}

SystemCall CloseToken() { return Call("close token", u"", "", ""); }

SystemCall Restart(const ShutdownRequest& request, bool ok) {
  return Call("restart", u"", "flags " + std::to_string(request.flags) + ", reason " + Hex(request.reason), Ok(ok));
}

}  // namespace machine::trace

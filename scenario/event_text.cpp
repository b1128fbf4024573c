// The lines and fields of the events of each kind.
#include "scenario/event_text.h"

#include "machine/win32_names.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using machine::Event;
using machine::EventKind;
using testkit::Quoted;
using testkit::ToUtf8;
namespace names = machine::names;

bool OfEngine(EventKind kind) { return kind <= EventKind::UnexpectedSlot; }
bool Changed(EventKind kind) { return kind >= EventKind::KeyAdded && kind <= EventKind::KeyDeleted; }
bool NamesValue(EventKind kind) {
  return kind == EventKind::QueryValue || kind == EventKind::SetValue || kind == EventKind::SetValueAnsi;
}
const char* Ok(const Event& e) { return e.ok.value_or(false) ? "ok" : "failed"; }

std::string EngineDetail(const Event& e) {
  return e.kind == EventKind::EngineMessage ? "flags " + std::to_string(static_cast<std::int32_t>(e.flags)) : "";
}

std::string EngineStatus(const Event& e) {
  const bool told = e.kind == EventKind::QueryInterface || e.kind == EventKind::EngineMessage ||
                    e.kind == EventKind::UnexpectedSlot;
  return told ? testkit::Hex32(static_cast<std::uint32_t>(e.code.value_or(0))) : "";
}

// An engine call's line; its texts cut as registry data is, the fields keeping them whole.
std::string EngineLine(const Event& e, Length length) {
  const auto shownText = [length](const std::u16string& text) {
    return length == Length::Line ? LineText(text) : Quoted(text);
  };
  const std::string kind = KindName(e.kind);
  const std::string shown = e.text ? shownText(*e.text) : "null";
  switch (e.kind) {
    case EventKind::ReadProperty:
    case EventKind::WriteProperty: return kind + " " + ToUtf8(e.name) + " = " + shown;
    case EventKind::ExpandText:
    case EventKind::TranslateText: return kind + " " + shownText(e.name) + " -> " + shown;
    case EventKind::EngineMessage:
      return "message " + shownText(e.name) + " caption " + shown + " " + EngineDetail(e);
    case EventKind::QueryInterface: return kind + " -> " + EngineStatus(e);
    case EventKind::UnexpectedSlot: return kind + " slot " + ToUtf8(e.name);
    default: return kind;
  }
}

std::string SystemDetail(const Event& e) {
  switch (e.kind) {
    case EventKind::OpenKey:
    case EventKind::CreateKey: return "access " + names::KeyRights(e.access);
    case EventKind::QueryValue: {
      std::string detail = e.buffer ? "buffer " + std::to_string(*e.buffer) + " bytes" : std::string("size only");
      if (e.stored)
        detail += ", value " + std::to_string(e.stored->bytes) + " bytes of " + names::ValueType(e.stored->type);
      return detail;
    }
    case EventKind::SetValue:
    case EventKind::SetValueAnsi:
      return names::ValueType(e.data ? e.data->type : 0) + ", " + std::to_string(e.bytes) + " bytes";
    case EventKind::FreeSpace: return e.freeBytes ? std::to_string(*e.freeBytes) + " bytes" : "";
    case EventKind::Start: return ToUtf8(e.folder);
    case EventKind::BoxShown: return "style " + names::MessageStyle(e.flags);
    case EventKind::OpenToken: return "access " + names::TokenRights(e.access);
    case EventKind::PrivilegeAdjust: return "last error " + names::Error(static_cast<std::int32_t>(e.code.value_or(0)));
    case EventKind::Restart:
      return "flags " + names::ExitFlags(e.flags) + ", reason " + names::ShutdownReason(e.reason);
    default: return "";
  }
}

std::string SystemStatus(const Event& e) {
  switch (e.kind) {
    case EventKind::OpenKey:
    case EventKind::CreateKey:
    case EventKind::QueryValue:
    case EventKind::SetValue:
    case EventKind::SetValueAnsi: return names::Error(static_cast<std::int32_t>(e.code.value_or(0)));
    case EventKind::FileCheck: return e.ok.value_or(false) ? "readable" : "not readable";
    case EventKind::BoxShown: return names::MessageAnswer(static_cast<int>(e.code.value_or(0)));
    case EventKind::FreeSpace:
    case EventKind::Start:
    case EventKind::OpenToken:
    case EventKind::PrivilegeLookup:
    case EventKind::PrivilegeAdjust:
    case EventKind::Restart: return Ok(e);
    default: return "";
  }
}

// A call on the system: `open key [HKLM\SOFTWARE\...] (access KEY_READ (0x00020019)) ->
// ERROR_FILE_NOT_FOUND (2)`. A registry call names its key, and on 64-bit Windows where the
// redirector moved it (`at [HKLM\SOFTWARE\WOW6432Node\...]`); a value's call then the value, by
// .reg files' convention.
std::string SystemLine(const Event& e, const EventText& t) {
  std::string line = KindName(e.kind);
  if (!e.key.empty()) line += " " + ShowKey(e.key);
  if (!e.landed.empty()) line += " at " + ShowKey(e.landed);
  if (!e.key.empty() && NamesValue(e.kind))
    line += " " + ShowValueName(e.name);
  else if (!e.name.empty())
    line += " " + Quoted(e.name);
  if (e.data)
    line += " = " + DescribeValue(*e.data, Length::Line);
  else if (e.text)
    line += " = " + Quoted(*e.text);
  if (e.kind == EventKind::Start)
    line += " (in " + Quoted(e.folder) + ")";
  else if (!t.detail.empty())
    line += " (" + t.detail + ")";
  if (!t.status.empty()) line += " -> " + t.status;
  return line;
}

std::string ChangeLine(const Event& e) {
  switch (e.kind) {
    case EventKind::KeyAdded: return "registry new key " + ShowKey(e.key);
    case EventKind::KeyDeleted: return "registry deleted key " + ShowKey(e.key);
    case EventKind::ValueDeleted: return "registry " + ShowKey(e.key) + " " + ShowValueName(e.name) + " deleted";
    default:
      return "registry " + ShowKey(e.key) + " " + ShowValueName(e.name) + " = " +
             (e.data ? DescribeValue(*e.data, Length::Line) : std::string());
  }
}

}  // namespace

const char* SourceName(machine::Source source) {
  switch (source) {
    case machine::Source::Engine: return "host";
    case machine::Source::Step: return "step";
    case machine::Source::System: break;
  }
  return "machine";
}

const char* KindName(EventKind kind) {
  static const char* const kNames[] = {
      "query interface", "addref", "release", "read", "write", "expand", "translate", "message", "unexpected",
      "open key", "create key", "query value", "set value", "set value (ANSI)", "close key", "environment",
      "free space", "windows folder", "file check", "start", "message box", "open token", "privilege lookup",
      "privilege adjust", "close token", "restart", "registry change", "registry change", "registry change",
      "registry change", "set"};
  static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(EventKind::SetProperty) + 1,
                "a name for every kind of event");
  return kNames[static_cast<size_t>(kind)];
}

EventText Render(const Event& e) {
  EventText t;
  t.name = ToUtf8(e.name);
  if (e.data)
    t.value = DescribeValue(*e.data);
  else if (e.text)
    t.value = ToUtf8(*e.text);
  if (OfEngine(e.kind)) {
    t.detail = EngineDetail(e);
    t.status = EngineStatus(e);
    t.line = EngineLine(e, Length::Line);
  } else if (Changed(e.kind)) {
    t.line = ChangeLine(e);
  } else if (e.kind == EventKind::SetProperty) {
    t.line = "set " + t.name + " = " + Show(e.text);
  } else {
    t.detail = SystemDetail(e);
    t.status = SystemStatus(e);
    t.code = e.code;
    t.line = SystemLine(e, t);
  }
  return t;
}

std::string Line(const Event& e, Length length) {
  return OfEngine(e.kind) && length == Length::Whole ? EngineLine(e, length) : Render(e).line;
}

}  // namespace scenario

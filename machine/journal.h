// The journal of what happened while a scenario ran: the calls the actions made on the engine and
// on the system, in the order they made them, the registry changes a call left, and the scenario's
// own doing. Each entry is an event: where it came from, its kind and its typed data. The lines
// a person reads are made from events by the reports alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine/records.h"

namespace machine {

enum class Source {
  Engine,  // a call an action made on the engine
  System,  // a call an action made on the system, or what it changed there
  Step,    // the scenario's own doing
};

// The kinds stand in their groups in this order: the reports tell a group by its range.
enum class EventKind {
  // Calls on the engine.
  QueryInterface,
  AddRef,
  Release,
  ReadProperty,
  WriteProperty,
  ExpandText,
  TranslateText,
  EngineMessage,
  UnexpectedSlot,  // a slot of the interface no action may call
  // Calls on the system.
  OpenKey,
  CreateKey,
  QueryValue,
  SetValue,
  SetValueAnsi,
  CloseKey,
  Environment,
  FreeSpace,
  WindowsFolder,
  FileCheck,
  Start,
  BoxShown,  // a message box
  OpenToken,
  PrivilegeLookup,
  PrivilegeAdjust,
  CloseToken,
  Restart,
  // What a call left in the registry.
  KeyAdded,
  ValueStored,
  ValueDeleted,
  KeyDeleted,
  // The scenario's own doing.
  SetProperty,
};

// The size and type of a stored value, where a query told them.
struct Stored {
  std::uint32_t bytes = 0;
  std::uint32_t type = 0;
};

// One event. Which fields mean something depends on the kind; the rest stay empty.
struct Event {
  Source source = Source::System;
  EventKind kind = EventKind::CloseKey;
  // A registry call's key as the action named it ("HKLM\...", "HKCR\..."); a change's key
  // canonical ("HKEY_LOCAL_MACHINE\...").
  std::u16string key;
  // On 64-bit Windows, where a registry call's key lies when the registry redirector moved it
  // ("HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\..."); empty where it lies where its name says.
  std::u16string landed;
  // The property, text, value, variable, drive, file, program, privilege or message; an
  // unexpected slot's number.
  std::u16string name;
  // The text read, written or resolved, a caption, a program's parameters, a variable's value,
  // the Windows folder; nullopt for a null string or a variable not set.
  std::optional<std::u16string> text;
  std::optional<RegValue> data;  // the registry data read, written or stored
  std::u16string folder;         // the working folder of a program started
  std::uint32_t access = 0;      // the rights asked of a key or a token
  std::uint32_t flags = 0;       // a message's flags or a box's style; a restart's flags
  std::uint32_t reason = 0;      // a restart's reason
  // A value query's buffer in bytes (nullopt: the size alone was asked) and what it told of the
  // stored value; a value set's bytes as the action gave them.
  std::optional<std::uint32_t> buffer;
  std::optional<Stored> stored;
  std::uint32_t bytes = 0;
  std::optional<std::uint64_t> freeBytes;  // the free space answered to the caller
  std::optional<bool> ok;                  // whether a call that succeeds or fails succeeded
  // The figure behind the outcome: a registry call's Windows error, an engine call's HRESULT, a
  // box's answer, the last error after a privilege adjustment.
  std::optional<std::int64_t> code;
};

using EventJournal = std::vector<Event>;

}  // namespace machine

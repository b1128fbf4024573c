// The test engine: suite properties, text resolution, the journal of the calls on it.
#include "testkit/test_engine.h"

#include "testkit/failure_injection.h"
#include "testkit/engine_strings.h"
#include "testkit/utf_text.h"

namespace testkit {
namespace {

std::u16string TextOf(BSTR text) {
  return text == nullptr ? std::u16string() : std::u16string(AsU16(text), SysStringLen(text));
}

machine::Event Call(machine::EventKind kind, std::u16string name = {}) {
  machine::Event e;
  e.source = machine::Source::Engine;
  e.kind = kind;
  e.name = std::move(name);
  return e;
}

}  // namespace

std::vector<std::pair<std::u16string, std::u16string>> WritesIn(const machine::EventJournal& events) {
  std::vector<std::pair<std::u16string, std::u16string>> writes;
  for (const machine::Event& e : events)
    if (e.kind == machine::EventKind::WriteProperty) writes.emplace_back(e.name, e.text.value_or(u""));
  return writes;
}

std::optional<std::u16string> TestEngine::Property(const std::u16string& name) const {
  auto found = properties.find(name);
  if (found == properties.end()) return std::nullopt;
  return found->second;
}

HRESULT TestEngine::QueryInterface(REFIID iid, void** out) {
  const EngineWork engineWork;
  machine::Event call = Call(machine::EventKind::QueryInterface);
  HRESULT status = queryStatus;
  if (out == nullptr) {
    status = E_POINTER;
  } else if (status >= 0 && !(iid == IID_EngineExtension)) {
    status = E_NOINTERFACE;
  } else if (status >= 0) {
    *out = static_cast<EngineExtension*>(this);
    ++references;
  }
  call.code = status;
  Note(call);
  return status;
}

ULONG TestEngine::AddRef() {
  const EngineWork engineWork;
  Note(Call(machine::EventKind::AddRef));
  return static_cast<ULONG>(++references);
}

ULONG TestEngine::Release() {
  const EngineWork engineWork;
  Note(Call(machine::EventKind::Release));
  ++releases;
  return static_cast<ULONG>(--references);
}

HRESULT TestEngine::GetProperty(BSTR name, BSTR* value) {
  const EngineWork engineWork;
  machine::Event call = Call(machine::EventKind::ReadProperty, TextOf(name));
  auto found = properties.find(call.name);
  if (found != properties.end()) call.text = found->second;
  if (value != nullptr) *value = call.text ? MakeEngineString(*call.text) : nullptr;
  Note(call);
  return S_OK;
}

HRESULT TestEngine::SetProperty(BSTR name, BSTR value) {
  const EngineWork engineWork;
  machine::Event call = Call(machine::EventKind::WriteProperty, TextOf(name));
  if (value != nullptr) call.text = TextOf(value);
  properties[call.name] = TextOf(value);
  Note(call);
  return S_OK;
}

HRESULT TestEngine::Resolve(machine::EventKind kind,
                            const std::map<std::u16string, std::optional<std::u16string>>& table,
                            BSTR text, BSTR* result) {
  const EngineWork engineWork;
  machine::Event call = Call(kind, TextOf(text));
  call.text = call.name;
  auto found = table.find(call.name);
  if (found != table.end()) call.text = found->second;
  if (result != nullptr) *result = call.text ? MakeEngineString(*call.text) : nullptr;
  Note(call);
  return S_OK;
}

HRESULT TestEngine::ExpandText(BSTR text, BSTR* result) {
  return Resolve(machine::EventKind::ExpandText, expansions, text, result);
}

HRESULT TestEngine::TranslateText(BSTR text, BSTR* result) {
  return Resolve(machine::EventKind::TranslateText, translations, text, result);
}

HRESULT TestEngine::ShowEngineMessage(BSTR text, BSTR caption, std::int32_t flags,
                                    std::int32_t* result) {
  const EngineWork engineWork;
  machine::Event call = Call(machine::EventKind::EngineMessage, TextOf(text));
  call.text = TextOf(caption);
  call.code = messageStatus;
  call.flags = static_cast<std::uint32_t>(flags);
  if (result != nullptr) *result = 0;
  Note(call);
  return messageStatus;
}

void TestEngine::Note(machine::Event call) { journal_->push_back(std::move(call)); }

HRESULT TestEngine::Unexpected(int slot) {
  const EngineWork engineWork;
  machine::Event call = Call(machine::EventKind::UnexpectedSlot, FromUtf8(std::to_string(slot)));
  call.code = E_UNEXPECTED;
  Note(call);
  return E_UNEXPECTED;
}

}  // namespace testkit

// The test engine: suite properties, text resolution, the journal of host calls.
#include "testkit/test_engine.h"

#include "testkit/failure_injection.h"
#include "testkit/engine_strings.h"
#include "testkit/utf_text.h"

namespace testkit {
namespace {

std::u16string TextOf(BSTR text) {
  return text == nullptr ? std::u16string() : std::u16string(AsU16(text), SysStringLen(text));
}

const char* OpName(EngineCall::Op op) {
  switch (op) {
    case EngineCall::Op::QueryInterface: return "query";
    case EngineCall::Op::AddRef: return "addref";
    case EngineCall::Op::Release: return "release";
    case EngineCall::Op::GetProperty: return "read";
    case EngineCall::Op::SetProperty: return "write";
    case EngineCall::Op::ExpandText: return "expand";
    case EngineCall::Op::TranslateText: return "translate";
    case EngineCall::Op::ShowEngineMessage: return "message";
    case EngineCall::Op::Other: break;
  }
  return "unexpected";
}

}  // namespace

const char* EngineCall::Kind() const { return op == Op::QueryInterface ? "query interface" : OpName(op); }

std::string EngineCall::Describe() const {
  const std::string shown = isNull ? "null" : Quoted(value);
  switch (op) {
    case Op::GetProperty:
    case Op::SetProperty:
      return std::string(OpName(op)) + " " + ToUtf8(name) + " = " + shown;
    case Op::ExpandText:
    case Op::TranslateText:
      return std::string(OpName(op)) + " " + Quoted(name) + " -> " + shown;
    case Op::ShowEngineMessage:
      return "message " + Quoted(name) + " caption " + Quoted(value) + " flags " +
             std::to_string(flags);
    case Op::QueryInterface:
      return "query interface -> " + Hex32(static_cast<std::uint32_t>(status));
    default:
      return std::string(OpName(op)) + (op == Op::Other ? " slot " + ToUtf8(name) : "");
  }
}

std::vector<std::pair<std::u16string, std::u16string>> TestEngine::Writes() const {
  std::vector<std::pair<std::u16string, std::u16string>> writes;
  for (const EngineCall& call : journal)
    if (call.op == EngineCall::Op::SetProperty) writes.emplace_back(call.name, call.value);
  return writes;
}

std::optional<std::u16string> TestEngine::Property(const std::u16string& name) const {
  auto found = properties.find(name);
  if (found == properties.end()) return std::nullopt;
  return found->second;
}

HRESULT TestEngine::QueryInterface(REFIID iid, void** out) {
  const EngineWork engineWork;
  EngineCall call{EngineCall::Op::QueryInterface};
  HRESULT status = queryStatus;
  if (out == nullptr) {
    status = E_POINTER;
  } else if (status >= 0 && !(iid == IID_EngineExtension)) {
    status = E_NOINTERFACE;
  } else if (status >= 0) {
    *out = static_cast<EngineExtension*>(this);
    ++references;
  }
  call.status = status;
  Note(call);
  return status;
}

ULONG TestEngine::AddRef() {
  const EngineWork engineWork;
  Note(EngineCall{EngineCall::Op::AddRef});
  return static_cast<ULONG>(++references);
}

ULONG TestEngine::Release() {
  const EngineWork engineWork;
  Note(EngineCall{EngineCall::Op::Release});
  ++releases;
  return static_cast<ULONG>(--references);
}

HRESULT TestEngine::GetProperty(BSTR name, BSTR* value) {
  const EngineWork engineWork;
  EngineCall call{EngineCall::Op::GetProperty, TextOf(name)};
  auto found = properties.find(call.name);
  call.isNull = found == properties.end();
  if (!call.isNull) call.value = found->second;
  if (value != nullptr) *value = call.isNull ? nullptr : MakeEngineString(call.value);
  Note(call);
  return S_OK;
}

HRESULT TestEngine::SetProperty(BSTR name, BSTR value) {
  const EngineWork engineWork;
  EngineCall call{EngineCall::Op::SetProperty, TextOf(name), TextOf(value), value == nullptr};
  properties[call.name] = call.value;
  Note(call);
  return S_OK;
}

HRESULT TestEngine::Resolve(EngineCall::Op op,
                            const std::map<std::u16string, std::optional<std::u16string>>& table,
                            BSTR text, BSTR* result) {
  const EngineWork engineWork;
  EngineCall call{op, TextOf(text)};
  std::optional<std::u16string> answer = call.name;
  auto found = table.find(call.name);
  if (found != table.end()) answer = found->second;
  call.isNull = !answer.has_value();
  if (answer) call.value = *answer;
  if (result != nullptr) *result = answer ? MakeEngineString(*answer) : nullptr;
  Note(call);
  return S_OK;
}

HRESULT TestEngine::ExpandText(BSTR text, BSTR* result) {
  return Resolve(EngineCall::Op::ExpandText, expansions, text, result);
}

HRESULT TestEngine::TranslateText(BSTR text, BSTR* result) {
  return Resolve(EngineCall::Op::TranslateText, translations, text, result);
}

HRESULT TestEngine::ShowEngineMessage(BSTR text, BSTR caption, std::int32_t flags,
                                    std::int32_t* result) {
  const EngineWork engineWork;
  EngineCall call{EngineCall::Op::ShowEngineMessage, TextOf(text), TextOf(caption)};
  call.status = messageStatus;
  call.flags = flags;
  if (result != nullptr) *result = 0;
  Note(call);
  return messageStatus;
}

void TestEngine::Note(EngineCall call) {
  call.systemCallsBefore = systemCallCount ? systemCallCount() : 0;
  journal.push_back(std::move(call));
}

HRESULT TestEngine::Unexpected(int slot) {
  const EngineWork engineWork;
  EngineCall call{EngineCall::Op::Other};
  call.name = FromUtf8(std::to_string(slot));
  call.status = E_UNEXPECTED;
  Note(call);
  return E_UNEXPECTED;
}

}  // namespace testkit

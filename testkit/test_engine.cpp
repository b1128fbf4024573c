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

const char* OpName(HostCall::Op op) {
  switch (op) {
    case HostCall::Op::QueryInterface: return "query";
    case HostCall::Op::AddRef: return "addref";
    case HostCall::Op::Release: return "release";
    case HostCall::Op::GetProperty: return "read";
    case HostCall::Op::SetProperty: return "write";
    case HostCall::Op::ExpandText: return "expand";
    case HostCall::Op::TranslateText: return "translate";
    case HostCall::Op::ShowHostMessage: return "message";
    case HostCall::Op::Other: break;
  }
  return "unexpected";
}

}  // namespace

const char* HostCall::Kind() const { return op == Op::QueryInterface ? "query interface" : OpName(op); }

std::string HostCall::Describe() const {
  const std::string shown = isNull ? "null" : Quoted(value);
  switch (op) {
    case Op::GetProperty:
    case Op::SetProperty:
      return std::string(OpName(op)) + " " + ToUtf8(name) + " = " + shown;
    case Op::ExpandText:
    case Op::TranslateText:
      return std::string(OpName(op)) + " " + Quoted(name) + " -> " + shown;
    case Op::ShowHostMessage:
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
  for (const HostCall& call : journal)
    if (call.op == HostCall::Op::SetProperty) writes.emplace_back(call.name, call.value);
  return writes;
}

std::optional<std::u16string> TestEngine::Property(const std::u16string& name) const {
  auto found = properties.find(name);
  if (found == properties.end()) return std::nullopt;
  return found->second;
}

HRESULT TestEngine::QueryInterface(REFIID iid, void** out) {
  const EngineWork engineWork;
  HostCall call{HostCall::Op::QueryInterface};
  HRESULT status = queryStatus;
  if (out == nullptr) {
    status = E_POINTER;
  } else if (status >= 0 && !(iid == IID_HostExtension)) {
    status = E_NOINTERFACE;
  } else if (status >= 0) {
    *out = static_cast<HostExtension*>(this);
    ++references;
  }
  call.status = status;
  Note(call);
  return status;
}

ULONG TestEngine::AddRef() {
  const EngineWork engineWork;
  Note(HostCall{HostCall::Op::AddRef});
  return static_cast<ULONG>(++references);
}

ULONG TestEngine::Release() {
  const EngineWork engineWork;
  Note(HostCall{HostCall::Op::Release});
  ++releases;
  return static_cast<ULONG>(--references);
}

HRESULT TestEngine::GetProperty(BSTR name, BSTR* value) {
  const EngineWork engineWork;
  HostCall call{HostCall::Op::GetProperty, TextOf(name)};
  auto found = properties.find(call.name);
  call.isNull = found == properties.end();
  if (!call.isNull) call.value = found->second;
  if (value != nullptr) *value = call.isNull ? nullptr : MakeEngineString(call.value);
  Note(call);
  return S_OK;
}

HRESULT TestEngine::SetProperty(BSTR name, BSTR value) {
  const EngineWork engineWork;
  HostCall call{HostCall::Op::SetProperty, TextOf(name), TextOf(value), value == nullptr};
  properties[call.name] = call.value;
  Note(call);
  return S_OK;
}

HRESULT TestEngine::Resolve(HostCall::Op op,
                            const std::map<std::u16string, std::optional<std::u16string>>& table,
                            BSTR text, BSTR* result) {
  const EngineWork engineWork;
  HostCall call{op, TextOf(text)};
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
  return Resolve(HostCall::Op::ExpandText, expansions, text, result);
}

HRESULT TestEngine::TranslateText(BSTR text, BSTR* result) {
  return Resolve(HostCall::Op::TranslateText, translations, text, result);
}

HRESULT TestEngine::ShowHostMessage(BSTR text, BSTR caption, std::int32_t flags,
                                    std::int32_t* result) {
  const EngineWork engineWork;
  HostCall call{HostCall::Op::ShowHostMessage, TextOf(text), TextOf(caption)};
  call.status = messageStatus;
  call.flags = flags;
  if (result != nullptr) *result = 0;
  Note(call);
  return messageStatus;
}

void TestEngine::Note(HostCall call) {
  call.systemCallsBefore = systemCallCount ? systemCallCount() : 0;
  journal.push_back(std::move(call));
}

HRESULT TestEngine::Unexpected(int slot) {
  const EngineWork engineWork;
  HostCall call{HostCall::Op::Other};
  call.name = FromUtf8(std::to_string(slot));
  call.status = E_UNEXPECTED;
  Note(call);
  return E_UNEXPECTED;
}

}  // namespace testkit

// The session on the engine's extension interface and the bridge operations.
#include "common/engine_session.h"

#include "common/sys_string_owner.h"

HRESULT OpenSession(IDispatch* dispatch, EngineSession& session) {
  session.reset();
  if (dispatch == nullptr) return E_POINTER;
  void* out = nullptr;
  const HRESULT status = dispatch->QueryInterface(IID_EngineExtension, &out);
  if (status < 0) return status;
  session.reset(static_cast<EngineExtension*>(out));
  // An engine that reports success without an interface leaves nothing to call.
  if (!session) return E_NOINTERFACE;
  return status;
}

std::u16string ReadProperty(const EngineSession& session, std::u16string_view name) {
  const SysString nameString = MakeSysString(name);
  SysString value;
  session.get()->GetProperty(nameString.get(), value.put());
  return SysStringText(value);
}

void WriteProperty(const EngineSession& session, std::u16string_view name,
                   std::u16string_view value) {
  const SysString nameString = MakeSysString(name);
  const SysString valueString = MakeSysString(value);
  session.get()->SetProperty(nameString.get(), valueString.get());
}

std::u16string ResolveText(const EngineSession& session, std::u16string_view text) {
  const SysString input = MakeSysString(text);
  SysString translated;
  session.get()->TranslateText(input.get(), translated.put());
  SysString expanded;
  session.get()->ExpandText(translated.get(), expanded.put());
  // A copy of the engine's text, all of it: a NUL inside is part of the text, so that texts
  // that differ after one never compare equal.
  return SysStringWhole(expanded);
}

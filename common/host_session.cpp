#include "common/host_session.h"

#include "common/sys_string.h"

HRESULT HostSession::Open(IDispatch* dispatch, HostSession& session) {
  session.Close();
  if (dispatch == nullptr) return E_POINTER;
  void* out = nullptr;
  const HRESULT status = dispatch->QueryInterface(IID_HostExtension, &out);
  if (status < 0) return status;
  session.ext_ = static_cast<HostExtension*>(out);
  // An engine that reports success without an interface leaves nothing to call.
  if (session.ext_ == nullptr) return E_NOINTERFACE;
  return status;
}

std::u16string ReadProperty(const HostSession& session, std::u16string_view name) {
  SysString nameString = SysString::Make(name);
  SysString value;
  session.get()->GetProperty(nameString.get(), value.out());
  return value.Text();
}

void WriteProperty(const HostSession& session, std::u16string_view name,
                   std::u16string_view value) {
  SysString nameString = SysString::Make(name);
  SysString valueString = SysString::Make(value);
  session.get()->SetProperty(nameString.get(), valueString.get());
}

std::u16string ResolveText(const HostSession& session, std::u16string_view text) {
  SysString input = SysString::Make(text);
  SysString translated;
  session.get()->TranslateText(input.get(), translated.out());
  SysString expanded;
  session.get()->ExpandText(translated.get(), expanded.out());
  return expanded.Text();
}

// The diagnostic action: a fixed message shown through the engine.
#include "common/sys_string_owner.h"
#include "ovrel/ovrel.h"

// Shows a fixed message through the engine. Without an interface to carry it (a null argument,
// or a refused query) the query's failing status is the result.
ACTION_EXPORT test(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    const SysString caption = MakeSysString(u"DLL Action");
    const SysString message = MakeSysString(u"HRESULT __stdcall test(IDispatch *pDispatch)");
    std::int32_t answer = 0;
    return s.get()->ShowEngineMessage(message.get(), caption.get(), 0, &answer);
  });
}

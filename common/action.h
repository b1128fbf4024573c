// The shape every exported action shares: open the session, work, close it on every way out,
// and never let a C++ exception reach the engine.
#pragma once

#include <new>

#include "common/engine_session.h"

#ifdef _WIN32
// Exported by name in the module definition file; dllexport also tells the link-time optimiser
// that the engine calls them, so that they are kept.
#define ACTION_EXPORT extern "C" __declspec(dllexport) HRESULT __stdcall
#else
#define ACTION_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT
#endif

// Runs `work(session, queryStatus)` on an open session and returns its result. A failed query
// is returned unchanged and nothing else happens; exhausted memory becomes E_OUTOFMEMORY.
template <class Work>
HRESULT RunAction(IDispatch* dispatch, Work&& work) noexcept {
  try {
    EngineSession session;
    const HRESULT opened = OpenSession(dispatch, session);
    if (opened < 0) return opened;
    return work(session, opened);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// The same boundary for an action that does not use the engine's interface.
template <class Work>
HRESULT RunWithoutSession(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// The session an action holds on the engine's extension interface for one call, and the
// three bridge operations built on it.
#pragma once

#include <string>
#include <string_view>

#include "common/engine_extension.h"
#include "common/unique_handle.h"

inline void ReleaseExtension(EngineExtension* extension) { extension->Release(); }
// Releases the interface exactly once, on every way out of the action.
using EngineSession = UniqueAny<EngineExtension*, &ReleaseExtension>;

// Queries `dispatch` for the extension interface. A negative status comes back unchanged
// and leaves the session closed; a null `dispatch` gives E_POINTER.
HRESULT OpenSession(IDispatch* dispatch, EngineSession& session);

// The value of a suite property; a property the engine hands back nothing for is empty.
std::u16string ReadProperty(const EngineSession& session, std::u16string_view name);
// Sets a suite property; the engine's status is not examined.
void WriteProperty(const EngineSession& session, std::u16string_view name,
                   std::u16string_view value);
// The engine's translation of `text`, then its expansion of that: the whole expanded text,
// NULs included.
std::u16string ResolveText(const EngineSession& session, std::u16string_view text);

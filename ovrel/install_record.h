// The install record key, which earlier installations left and finishAction writes.
#pragma once

#include <string>

#include "common/engine_session.h"

inline const std::u16string kInstallRecordKey = u"SOFTWARE\\Pellucor\\TAMBER VANTLE Install";

// True when the engine's resolved status text equals its resolved success text: the literal
// is resolved first, then the "ISInstallStatus" property is read and resolved.
bool InstallSucceeded(const EngineSession& session);

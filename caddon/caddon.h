// The actions of the server action library, as the engine calls them.
#pragma once

#include "common/action.h"

ACTION_EXPORT detectORVIX(IDispatch* dispatch);
ACTION_EXPORT SetPortalTypeRegistry(IDispatch* dispatch);
ACTION_EXPORT RebootMachine(IDispatch* dispatch);

// The keys the actions read and write: the server key and the pending file operations below
// HKEY_LOCAL_MACHINE, the server's Windows Installer registration below HKEY_CLASSES_ROOT.
inline const std::u16string kServerKey = u"SOFTWARE\\Brisolt\\Corvane ORVIX";
inline const std::u16string kSessionManagerKey = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline const std::u16string kProductKey = u"Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99";

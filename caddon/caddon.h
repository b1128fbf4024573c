// The actions of the server action library, as the engine calls them.
#pragma once

#include "common/action.h"

ACTION_EXPORT detectORVIX(IDispatch* dispatch);
ACTION_EXPORT SetPortalTypeRegistry(IDispatch* dispatch);
ACTION_EXPORT RebootMachine(IDispatch* dispatch);

inline const std::u16string kServerKey = u"SOFTWARE\\Brisolt\\Corvane ORVIX";

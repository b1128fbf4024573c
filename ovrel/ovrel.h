// The actions of the feature validation library, as the engine calls them.
#pragma once

#include "common/action.h"

ACTION_EXPORT initProperties(IDispatch* dispatch);
ACTION_EXPORT verify(IDispatch* dispatch);
ACTION_EXPORT calculateRequiredSpace(IDispatch* dispatch);
ACTION_EXPORT finishAction(IDispatch* dispatch);
ACTION_EXPORT launchToskan(IDispatch* dispatch);
ACTION_EXPORT allowLaunchToskan(IDispatch* dispatch);
ACTION_EXPORT test(IDispatch* dispatch);

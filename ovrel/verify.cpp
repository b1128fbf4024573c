// verify: judges the user's feature selection and sets the ORVIX setup type.
#include "ovrel/ovrel.h"

ACTION_EXPORT verify(IDispatch* dispatch) {
  return RunAction(dispatch, [](const EngineSession& s, HRESULT) -> HRESULT {
    const bool tool = !ReadProperty(s, u"TOSKAN").empty();
    const bool server = !ReadProperty(s, u"ORVIX").empty();
    const bool serverCurrent = !ReadProperty(s, u"ORVIX_INSTALLED").empty();
    WriteProperty(s, u"ValidSelection", tool || server ? u"true" : u"false");
    WriteProperty(s, u"ORVIX_TOSKAN", server && !tool ? u"install" : u"");
    if (!server) {
      WriteProperty(s, u"CUSTOM_ACTION", u"{Install InstallationProgress}");
      WriteProperty(s, u"ORVIXSETUPTYPE", u"");
      WriteProperty(s, u"ORVIX_TYPE", u"false");
      return S_OK;
    }
    const bool upgrade = !ReadProperty(s, u"ORVIX_VERSION").empty();
    if (upgrade) {
      WriteProperty(s, u"ORVIXSETUPTYPE", u"upgrade");
      WriteProperty(s, u"ORVIX_TYPE", u"false");
    } else if (serverCurrent) {
      WriteProperty(s, u"ORVIXSETUPTYPE", u"");
      WriteProperty(s, u"ORVIX_TYPE", u"false");
    } else {
      WriteProperty(s, u"ORVIXSETUPTYPE", u"evaluation");
      WriteProperty(s, u"ORVIX_TYPE", u"true");
    }
    return S_OK;
  });
}

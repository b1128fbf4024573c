// calculateRequiredSpace: room on the destination and system drives for the products that
// still have to be installed, and a destination folder short enough.
#include <cstdint>
#include <limits>

#include "common/number_text.h"
#include "ovrel/ovrel.h"
#include "ovrel/required_space.h"
#include "platform/platform.h"

namespace {

constexpr double kBytesPerGb = 1073741824.0;  // 2^30
constexpr double kBytesPerMb = 1048576.0;     // 2^20
constexpr std::uint64_t kGb = std::uint64_t{1} << 30;
constexpr std::uint64_t kMb = std::uint64_t{1} << 20;
constexpr size_t kLongestFolder = 83;

const char16_t kNotAccessible[] = u"Selected disc is not accessible, choose a folder on another disc.";
const char16_t kNoRoomElsewhere[] =
    u"Not enough space for installation. Free disc space, or choose a folder on another disc.";
const char16_t kNoRoom[] = u"Not enough space for installation. Free disc space.";
const char16_t kTooLong[] = u"The selected path is too long.";

// The text handed to the free-space query: the first three units of the folder, as they are.
std::u16string DriveRoot(const std::u16string& folder) { return folder.substr(0, 3); }

bool IsSet(const std::u16string& text) { return !text.empty(); }

}  // namespace

float RequirementOf(const std::u16string& text) {
  const double value = ParseDecimal(text);
  // A product never frees space: a negative requirement counts as none.
  if (!(value > 0.0)) return 0.0f;
  // Beyond the 32-bit range the requirement is infinite; no drive is large enough.
  if (value >= 3.4028235677973366e38) return std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

bool EnoughRoom(std::uint64_t freeBytes, float requirement) {
  return static_cast<double>(freeBytes) / kBytesPerGb > static_cast<double>(requirement);
}

std::u16string FreeSpaceText(std::uint64_t freeBytes) {
  if (freeBytes >= kGb) {
    if (freeBytes % kGb == 0) return FormatUnsigned(freeBytes / kGb) + u" GB";
    return FormatFixed2(static_cast<double>(freeBytes) / kBytesPerGb) + u" GB";
  }
  if (freeBytes % kMb == 0) return FormatUnsigned(freeBytes / kMb) + u" MB";
  return FormatFixed2(static_cast<double>(freeBytes) / kBytesPerMb) + u" MB";
}

HRESULT CheckSystemDriveSpace(IDispatch* dispatch) {
  EngineSession s;
  const HRESULT opened = OpenSession(dispatch, s);
  if (opened < 0) return opened;
  std::u16string folder = platform::EnvironmentVariable(u"SystemRoot");
  const std::u16string requirementText = ReadProperty(s, u"REQUIRED_SPACE_SYSTEM");
  const float requirement = RequirementOf(requirementText);
  if (folder.empty()) folder = platform::EnvironmentVariable(u"TEMP");
  // With neither variable the Windows folder itself tells the system drive.
  if (folder.empty()) folder = platform::WindowsFolder();
  std::uint64_t freeBytes = 0;
  if (folder.empty() || !platform::FreeBytesForCaller(DriveRoot(folder), &freeBytes)) return S_OK;
  if (EnoughRoom(freeBytes, requirement)) {
    WriteProperty(s, u"NO_SPACE", u"false");
    WriteProperty(s, u"NO_SPACE_MESSAGE", u"");
  } else {
    WriteProperty(s, u"NO_SPACE", u"true");
    WriteProperty(s, u"NO_SPACE_MESSAGE", u"The installation requires at least " + requirementText +
                                              u" GB on System Drive. Free disc space.");
  }
  return S_OK;
}

ACTION_EXPORT calculateRequiredSpace(IDispatch* dispatch) {
  return RunAction(dispatch, [dispatch](const EngineSession& s, HRESULT) -> HRESULT {
    std::u16string folder = ReadProperty(s, u"INSTALLDIR");
    const std::u16string defined = ReadProperty(s, u"DEFINED_INSTALLDIR");
    const float serverNeeds = RequirementOf(ReadProperty(s, u"REQUIRED_SPACE_ORVIX"));
    const float toolNeeds = RequirementOf(ReadProperty(s, u"REQUIRED_SPACE_TOSKAN"));
    // The folder of an earlier installation applies once, then is cleared.
    if (IsSet(defined) && defined != folder) {
      folder = defined;
      WriteProperty(s, u"INSTALLDIR", folder);
    }
    WriteProperty(s, u"DEFINED_INSTALLDIR", u"");

    const bool server = IsSet(ReadProperty(s, u"ORVIX"));
    const bool tool = IsSet(ReadProperty(s, u"TOSKAN"));
    const bool toolCurrent = IsSet(ReadProperty(s, u"TOSKAN_INSTALLED"));
    const bool serverCurrent = IsSet(ReadProperty(s, u"ORVIX_INSTALLED"));
    const bool serverUpgrade = IsSet(ReadProperty(s, u"ORVIX_VERSION"));
    float total = 0.0f;
    if (server && !serverCurrent) total = serverNeeds;
    if (tool && !toolCurrent) total = total + toolNeeds;

    std::uint64_t freeBytes = 0;
    bool fits = false;
    std::u16string freeText;
    if (!platform::FreeBytesForCaller(DriveRoot(folder), &freeBytes)) {
      freeText = u"N/A";
      WriteProperty(s, u"NO_SPACE", u"true");
      WriteProperty(s, u"NO_SPACE_MESSAGE", kNotAccessible);
    } else {
      freeText = FreeSpaceText(freeBytes);
      fits = EnoughRoom(freeBytes, total);
      WriteProperty(s, u"NO_SPACE", fits ? u"false" : u"true");
      WriteProperty(s, u"NO_SPACE_MESSAGE", fits ? u"" : kNoRoomElsewhere);
    }
    WriteProperty(s, u"FREE_SPACE", freeText);
    WriteProperty(s, u"REQ_SPACE", FormatFixed2(total) + u" GB");

    WriteProperty(s, u"INSTALLDIR_SET", u"false");
    if (toolCurrent || serverCurrent) {
      WriteProperty(s, u"INSTALLDIR_SET", u"true");
      if (!fits) WriteProperty(s, u"NO_SPACE_MESSAGE", kNoRoom);
    }
    if (server && !serverCurrent && serverUpgrade) {
      WriteProperty(s, u"ORVIX_UPDATE", u"true");
      if (!fits) WriteProperty(s, u"NO_SPACE_MESSAGE", kNoRoom);
    } else {
      WriteProperty(s, u"ORVIX_UPDATE", u"false");
    }

    if (!fits) return S_OK;
    if (folder.size() > kLongestFolder) {
      WriteProperty(s, u"NO_SPACE", u"true");
      WriteProperty(s, u"NO_SPACE_MESSAGE", kTooLong);
      return S_OK;
    }
    return CheckSystemDriveSpace(dispatch);
  });
}

// Program starts and the time stamp through the platform boundary.
#include "common/system.h"

#include "common/text_format.h"
#include "platform/platform.h"

int LaunchProgram(const std::u16string& program, const std::u16string& parameters,
                  const std::u16string& workingFolder) {
  platform::ShellStart start;
  start.mask = platform::kSeeMaskFlagNoUi;
  start.verb = u"open";
  start.file = program;
  start.parameters = parameters;
  start.directory = workingFolder;
  start.show = platform::kSwShowNormal;
  platform::StartShellProgram(start);
  return 0;
}

std::u16string MakeTimeStamp() {
  platform::LocalTime now;
  if (!platform::CurrentLocalTime(&now)) return {};
  return FormatTimeStamp(now);
}

// Program starts and the time stamp through the platform boundary.
#include "common/system_helpers.h"

#include "common/number_text.h"
#include "platform/platform.h"

bool IsFullyQualifiedPath(std::u16string_view path) {
  auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;
  const char16_t drive = path.empty() ? 0 : path[0];
  const bool letter = (drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z');
  return letter && path.size() >= 3 && path[1] == u':' && separator(path[2]);
}

int LaunchProgram(const std::u16string& program, const std::u16string& parameters,
                  const std::u16string& workingFolder) {
  if (!IsFullyQualifiedPath(program)) return 0;
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

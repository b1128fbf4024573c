// The counts of the failures made on purpose, and their pause while the engine stand-in works.
#include "testkit/failure_injection.h"

#include "testkit/engine_strings.h"

namespace testkit {
namespace {

long g_countdown = 0;
bool g_happened = false;
int g_paused = 0;

}  // namespace

void FailCxxAllocation(long nth) {
  g_countdown = nth;
  g_happened = false;
}

bool CxxAllocationShouldFail() {
  if (g_paused > 0 || g_countdown <= 0 || InSystemWork()) return false;
  g_happened = --g_countdown == 0;
  return g_happened;
}

bool CxxAllocationFailureHappened() { return g_happened; }

EngineWork::EngineWork() : savedStrings_(PauseSystemStringFailures()) { ++g_paused; }

EngineWork::~EngineWork() {
  --g_paused;
  ResumeSystemStringFailures(savedStrings_);
}

}  // namespace testkit

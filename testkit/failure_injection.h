// Failures made on purpose in the tests of exhausted memory: the Nth C++ allocation, or the Nth
// system string, of the library under test fails. The engine stand-in's own work never fails: it
// holds an EngineWork while it answers a call, which pauses both counts.
#pragma once

namespace testkit {

// Makes the n-th C++ allocation from now fail (1 = the next one); 0 disables.
void FailCxxAllocation(long nth);
// For a test program's replacement of operator new: whether this allocation is the one to fail.
bool CxxAllocationShouldFail();
// Whether the armed failure has been used up (the n-th allocation was reached).
bool CxxAllocationFailureHappened();

class EngineWork {
 public:
  EngineWork();
  ~EngineWork();
  EngineWork(const EngineWork&) = delete;
  EngineWork& operator=(const EngineWork&) = delete;

 private:
  long savedStrings_;
};

}  // namespace testkit

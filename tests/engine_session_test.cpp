// The session and the bridge operations against the test engine and a raw slot table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/action.h"
#include "common/engine_session.h"
#include "common/sys_string_owner.h"
#include "machine/sim/process.h"
#include "scenario/event_text.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

// An engine written as a bare table of functions, slot by slot, the way the engine lays out
// its interface: proves that each bridge operation calls the slot it must.
struct RawEngine {
  void** vtable;
  std::vector<int> slots;
};
RawEngine* Self(void* p) { return static_cast<RawEngine*>(p); }
HRESULT STDMETHODCALLTYPE RawQuery(void* p, REFIID, void** out) {
  Self(p)->slots.push_back(0);
  *out = p;
  return S_OK;
}
ULONG STDMETHODCALLTYPE RawAddRef(void* p) { Self(p)->slots.push_back(1); return 1; }
ULONG STDMETHODCALLTYPE RawRelease(void* p) { Self(p)->slots.push_back(2); return 0; }
HRESULT STDMETHODCALLTYPE RawNothing(void*) { return E_UNEXPECTED; }
template <int Slot>
HRESULT STDMETHODCALLTYPE RawOut(void* p, BSTR, BSTR* out) {
  Self(p)->slots.push_back(Slot);
  *out = SysAllocString(u"x");
  return S_OK;
}
HRESULT STDMETHODCALLTYPE RawSet(void* p, BSTR, BSTR) { Self(p)->slots.push_back(10); return S_OK; }

class RawTableTest : public ActionTest {};

TEST_F(RawTableTest, BridgeOperationsUseTheEngineSlots) {
  void* table[17];
  for (void*& slot : table) slot = reinterpret_cast<void*>(&RawNothing);
  table[0] = reinterpret_cast<void*>(&RawQuery);
  table[1] = reinterpret_cast<void*>(&RawAddRef);
  table[2] = reinterpret_cast<void*>(&RawRelease);
  table[9] = reinterpret_cast<void*>(&RawOut<9>);
  table[10] = reinterpret_cast<void*>(&RawSet);
  table[11] = reinterpret_cast<void*>(&RawOut<11>);
  table[12] = reinterpret_cast<void*>(&RawOut<12>);
  RawEngine raw{table, {}};
  {
    EngineSession session;
    ASSERT_EQ(OpenSession(reinterpret_cast<IDispatch*>(&raw), session), S_OK);
    EXPECT_EQ(testkit::ToUtf8(ReadProperty(session, u"A")), "x");
    WriteProperty(session, u"A", u"b");
    EXPECT_EQ(testkit::ToUtf8(ResolveText(session, u"t")), "x");
  }
  EXPECT_EQ(raw.slots, (std::vector<int>{0, 9, 10, 12, 11, 2}));
}

class BridgeTest : public ActionTest {
 protected:
  EngineSession Open() {
    EngineSession session;
    EXPECT_EQ(OpenSession(&engine, session), S_OK);
    return session;
  }
};

TEST_F(BridgeTest, UnknownAndNullPropertiesReadEmpty) {
  EngineSession session = Open();
  EXPECT_EQ(ReadProperty(session, u"UNKNOWN"), u"");
  engine.properties[u"EMPTY"] = u"";
  EXPECT_EQ(ReadProperty(session, u"EMPTY"), u"");
  engine.properties[u"NUL"] = std::u16string(u"ab\0cd", 5);
  EXPECT_EQ(ReadProperty(session, u"NUL"), u"ab");
}

TEST_F(BridgeTest, HugeTextsPassBothWays) {
  EngineSession session = Open();
  const std::u16string big(300000, u'z');
  WriteProperty(session, u"BIG", big);
  EXPECT_EQ(ReadProperty(session, u"BIG"), big);
  EXPECT_EQ(ResolveText(session, big), big);
}

TEST_F(BridgeTest, ResolveTextTranslatesThenExpandsAndFreesTheMiddleString) {
  EngineSession session = Open();
  engine.translations[u"IDS_X"] = u"[A] done";
  engine.expansions[u"[A] done"] = u"Setup done";
  EXPECT_EQ(ResolveText(session, u"IDS_X"), u"Setup done");
  // A null translation is handed on to the expansion as null.
  engine.translations[u"IDS_NULL"] = std::nullopt;
  engine.expansions[u""] = std::nullopt;
  EXPECT_EQ(ResolveText(session, u"IDS_NULL"), u"");
  ASSERT_EQ(engine.Journal().size(), 5u);
  EXPECT_EQ(scenario::Line(engine.Journal()[3], scenario::Length::Whole), "translate \"IDS_NULL\" -> null");
  EXPECT_EQ(scenario::Line(engine.Journal()[4], scenario::Length::Whole), "expand \"\" -> null");
}

TEST_F(BridgeTest, SessionReleasesOnceEvenWhenMoved) {
  {
    EngineSession first = Open();
    EngineSession second = std::move(first);
    EXPECT_FALSE(first);
    second.reset();
    second.reset();
  }
  EXPECT_EQ(engine.releases, 1);
}

TEST_F(BridgeTest, FailedQueryGivesItsStatusAndNothingToRelease) {
  engine.queryStatus = static_cast<HRESULT>(0x80004005u);
  EngineSession session;
  EXPECT_EQ(OpenSession(&engine, session), static_cast<HRESULT>(0x80004005u));
  EXPECT_FALSE(session);
  EXPECT_EQ(OpenSession(nullptr, session), E_POINTER);
  EXPECT_EQ(engine.releases, 0);
}

TEST_F(BridgeTest, ExhaustedMemoryBecomesOutOfMemoryAndReleasesEverything) {
  engine.properties[u"A"] = u"1";
  for (long nth = 1; nth <= 3; ++nth) {
    sim::FailSystemStringAllocation(nth);
    const HRESULT result = RunAction(&engine, [](const EngineSession& s, HRESULT) {
      ReadProperty(s, u"A");  // one string of ours: the name (the engine's answer never fails)
      WriteProperty(s, u"B", u"2");  // two: the name and the value
      return S_OK;
    });
    sim::FailSystemStringAllocation(0);
    EXPECT_EQ(result, E_OUTOFMEMORY) << nth;
  }
  EXPECT_EQ(engine.releases, 3);
}

}  // namespace

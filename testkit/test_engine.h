// An implementation of the engine's extension interface that holds suite properties and a
// text-resolution table, journals every call made on it as an event, and counts what it hands out. Unit
// tests and suitehost both call the actions with it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/engine_extension.h"
#include "machine/journal.h"

namespace testkit {

// The property writes among the events, in order, as (name, text); a null text writes an empty one.
std::vector<std::pair<std::u16string, std::u16string>> WritesIn(const machine::EventJournal& events);

class TestEngine : public EngineExtension {
 public:
  TestEngine() = default;
  TestEngine(const TestEngine&) = delete;
  TestEngine& operator=(const TestEngine&) = delete;
  virtual ~TestEngine() = default;

  // Suite properties; one the engine does not know reads back as a null string.
  std::map<std::u16string, std::u16string> properties;
  // TranslateText and ExpandText answers; a text not in the table comes back unchanged, and a
  // table entry without a value comes back as a null string.
  std::map<std::u16string, std::optional<std::u16string>> translations;
  std::map<std::u16string, std::optional<std::u16string>> expansions;
  // What QueryInterface answers; a negative status makes the query fail.
  HRESULT queryStatus = S_OK;
  // What ShowEngineMessage returns.
  HRESULT messageStatus = S_OK;

  // The journal the calls on this engine go to: its own, unless it shares one (the machine's, so
  // that the calls on the engine and on the system stand in one order).
  machine::EventJournal& Journal() { return *journal_; }
  const machine::EventJournal& Journal() const { return *journal_; }
  void ShareJournal(machine::EventJournal& journal) { journal_ = &journal; }
  int references = 0;  // interface pointers handed out and not yet released
  int releases = 0;

  // The properties written, in order, as (name, value).
  std::vector<std::pair<std::u16string, std::u16string>> Writes() const { return WritesIn(Journal()); }
  std::optional<std::u16string> Property(const std::u16string& name) const;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: never called by an action.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected(3); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfoArg**) override { return Unexpected(4); }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) override {
    return Unexpected(5);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DispParamsArg*, VariantArg*,
                                   ExcepInfoArg*, UINT*) override {
    return Unexpected(6);
  }
  // The engine's own operations.
  HRESULT STDMETHODCALLTYPE Reserved7() override { return Unexpected(7); }
  HRESULT STDMETHODCALLTYPE Reserved8() override { return Unexpected(8); }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR name, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE SetProperty(BSTR name, BSTR value) override;
  HRESULT STDMETHODCALLTYPE ExpandText(BSTR text, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE TranslateText(BSTR text, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Reserved13() override { return Unexpected(13); }
  HRESULT STDMETHODCALLTYPE Reserved14() override { return Unexpected(14); }
  HRESULT STDMETHODCALLTYPE Reserved15() override { return Unexpected(15); }
  HRESULT STDMETHODCALLTYPE ShowEngineMessage(BSTR text, BSTR caption, std::int32_t flags,
                                            std::int32_t* result) override;

 private:
  HRESULT Unexpected(int slot);
  void Note(machine::Event call);
  HRESULT Resolve(machine::EventKind kind, const std::map<std::u16string, std::optional<std::u16string>>& table,
                  BSTR text, BSTR* result);

  machine::EventJournal ownJournal_;
  machine::EventJournal* journal_ = &ownJournal_;
};

}  // namespace testkit

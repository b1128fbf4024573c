// The language runtime the shipped DLLs take from GCC (libsupc++), called from code that clang
// compiled, linked as the DLLs are (link-time optimisation, no C++ library beyond the runtime):
// exceptions thrown and caught across it, type information, dynamic casts, guarded statics and
// operator new. Each check runs through a function the optimiser may not fold away.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

int checks = 0, failed = 0;

void Check(bool held, const char* what) {
  std::printf("%s: %s\n", held ? "held" : "FAIL", what);
  std::fflush(stdout);
  ++checks;
  if (!held) {
    ++failed;
  }
}

struct Base {
  virtual ~Base() = default;
  virtual int Kind() const { return 1; }
};
struct Derived : Base {
  int Kind() const override { return 2; }
};
struct Unrelated {
  virtual ~Unrelated() = default;
};

struct ProbeError : std::exception {
  explicit ProbeError(int code) : code(code) {}
  const char* what() const noexcept override { return "probe error"; }
  int code;
};

[[gnu::noinline]] void Throw(int code) { throw ProbeError(code); }

[[gnu::noinline]] Base* Make(bool derived) { return derived ? new Derived : new Base; }

[[gnu::noinline]] int Counted() {
  static int calls = 0;
  static const int first = ++calls;  // a guarded static: set once
  return first * 100 + calls;
}

[[gnu::noinline]] size_t Huge() { return static_cast<size_t>(-1) / 2; }

}  // namespace

int main() {
  std::printf("abi probe: throwing\n");
  std::fflush(stdout);
  try {
    Throw(7);
    Check(false, "a throw returned");
  } catch (const std::exception& e) {
    const ProbeError* probe = dynamic_cast<const ProbeError*>(&e);
    Check(probe != nullptr && probe->code == 7, "the exception caught as std::exception is the one thrown");
  }
  try {
    Throw(9);
  } catch (const ProbeError& e) {
    Check(e.code == 9, "the exception caught by its own type carries its code");
  }
  Base* derived = Make(true);
  Base* base = Make(false);
  Check(dynamic_cast<Derived*>(derived) != nullptr, "dynamic_cast finds the derived class");
  Check(dynamic_cast<Derived*>(base) == nullptr, "dynamic_cast refuses the base class");
  Check(dynamic_cast<Unrelated*>(derived) == nullptr, "dynamic_cast refuses an unrelated class");
  Check(typeid(*derived) == typeid(Derived) && typeid(*base) != typeid(Derived), "typeid tells the classes apart");
  Check(derived->Kind() == 2 && base->Kind() == 1, "virtual calls reach their classes");
  delete derived;
  delete base;
  Check(Counted() == 101 && Counted() == 101, "a guarded static is set once");
  bool refused = false;
  try {
    char* lots = new char[Huge()];
    delete[] lots;
  } catch (const std::bad_alloc&) {
    refused = true;
  }
  Check(refused, "operator new throws std::bad_alloc for what it cannot give");
  char* none = new (std::nothrow) char[Huge()];
  Check(none == nullptr, "operator new (std::nothrow) gives null for what it cannot give");
  Check(std::uncaught_exceptions() == 0, "no exception is left in flight");
  if (failed != 0) return 1;
  std::printf("ok: all %d checks held\n", checks);
  return 0;
}

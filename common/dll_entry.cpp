// The library's entry point, and the few run-time pieces the libraries replace to stay small.
#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <new>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// The default terminate handler prints demangled names and so pulls the demangler into the
// library; nothing here terminates by design, so the plain one is enough.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The standard containers report a length beyond their limits through these. The only way
// the actions reach such a length is a text too large to hold, so each is reported as
// exhausted memory, which the action boundary answers with E_OUTOFMEMORY. Defining them here
// keeps the run time's exception classes, and the narrow string they carry, out of the DLL.
namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_length_error(const char*) { throw std::bad_alloc(); }
void __throw_logic_error(const char*) { throw std::bad_alloc(); }
void __throw_out_of_range(const char*) { throw std::bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw std::bad_alloc(); }
void __throw_invalid_argument(const char*) { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
}  // namespace std
#endif

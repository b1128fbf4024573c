# 64-bit Windows with clang and lld, for the x64 check build of the clang-built code only (what
# ships is 32-bit). Debian packages the posix-thread C++ library for x86_64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SUITE_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)

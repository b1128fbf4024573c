# 32-bit Windows with clang and lld, what ships: with the win32-thread C++ library, so that the
# libraries carry no thread library.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SUITE_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)

# 64-bit Windows, for the x64 check build only: what ships is 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SUITE_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

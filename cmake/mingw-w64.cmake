# What both MinGW-w64 toolchains from Debian share, for the processor their file names. The
# shipped 32-bit build uses the -win32 compilers: the libraries have no threads, and with them
# they carry no thread library (winpthreads) and import nothing to suspend or inspect threads.
# GoogleTest then builds without its locks (our tests run on one thread). The x64 check build
# keeps the -posix compilers (SUITE_MINGW_THREADS=posix in its toolchain file).
set(CMAKE_SYSTEM_NAME Windows)
set(mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
if(NOT SUITE_MINGW_THREADS)
  set(SUITE_MINGW_THREADS win32)
endif()
set(CMAKE_C_COMPILER ${mingw}-gcc-${SUITE_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${mingw}-g++-${SUITE_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

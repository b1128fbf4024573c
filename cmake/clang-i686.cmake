# 32-bit Windows with clang and lld, what ships: the MinGW-w64 headers and import libraries and the
# win32-thread C++ library of Debian's g++-mingw-w64-i686-win32, symbols as PDB files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw i686-w64-mingw32)
set(gcc_lib /usr/lib/gcc/${mingw}/12-win32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${mingw})
set(CMAKE_CXX_COMPILER_TARGET ${mingw})
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_SYSROOT /usr/${mingw})
# The C++ library of the win32-thread GCC, not the build machine's: its headers in place of the
# ones clang would look for, and its libraries.
set(CMAKE_CXX_FLAGS_INIT "-stdlib++-isystem ${gcc_lib}/include/c++ -stdlib++-isystem ${gcc_lib}/include/c++/${mingw} -stdlib++-isystem ${gcc_lib}/include/c++/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_lib}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_lib}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_lib}")
set(SUITE_CLANG_PDB ON)
set(SUITE_MINGW_THREADS win32)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

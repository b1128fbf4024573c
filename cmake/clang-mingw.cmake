# What both clang toolchains share, for the processor and the thread model of GCC's C++ library
# that their files name: clang and lld with the MinGW-w64 headers and import libraries and the
# C++ library of Debian's g++-mingw-w64 packages; symbols as PDB files (SUITE_CLANG_PDB).
set(CMAKE_SYSTEM_NAME Windows)
set(mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(gcc_lib /usr/lib/gcc/${mingw}/12-${SUITE_MINGW_THREADS})
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${mingw})
set(CMAKE_CXX_COMPILER_TARGET ${mingw})
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_SYSROOT /usr/${mingw})
# The C++ library of that GCC, not the build machine's: its headers in place of the ones clang
# would look for, and its libraries.
set(CMAKE_CXX_FLAGS_INIT "-stdlib++-isystem ${gcc_lib}/include/c++ -stdlib++-isystem ${gcc_lib}/include/c++/${mingw} -stdlib++-isystem ${gcc_lib}/include/c++/backward")
# -B: GCC's crtbegin.o and crtend.o rather than the sysroot's. The DLLs unwind with GCC's runtime
# (libgcc_eh, DWARF tables on i686), which finds a frame's table only once crtbegin.o has
# registered the tables; the sysroot's crtbegin.o (for LLVM's own runtime) registers nothing, and
# every throw, std::bad_alloc included, ended the program instead of reaching its catch.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_lib} -B${gcc_lib}")
endforeach()
set(SUITE_CLANG_PDB ON)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The 32-bit programs of the clang build, built by GCC.
#
# On i686 clang and GCC disagree on how a C++ argument of an empty class type (an iterator tag,
# true_type, an empty comparator) is passed: GCC gives it a 4-byte stack slot, clang none. With
# callee-cleanup conventions (thiscall, stdcall) the callee pops what it believes was pushed, so a
# call between code of the two compilers leaves the stack 4 bytes off. GCC's C++ library is
# compiled by GCC; a clang program linked against it holds both compilers' copies of templates
# such as basic_string::_M_construct(beg, end, forward_iterator_tag), the linker keeps one of
# them, and the other compiler's callers then crash (suitehost.exe died in std::string::substr).
# clang has no option that makes the two agree.
#
# So what links GCC's C++ library is built by GCC: suitehost.exe, start_recorder.exe and the test
# programs, in a build of their own inside this one (BUILD/gcc), written into this build's bin/.
# The DLLs stay clang's: they take nothing of GCC's C++ library but its language runtime
# (libsupc++: exceptions, type information, operator new and delete, whose interfaces pass only
# pointers and integers), which their link enforces.
include(ExternalProject)
set(suite_gcc_programs suitehost start_recorder)
if(SUITE_TESTS)
  list(APPEND suite_gcc_programs shared_tests registry_tool)
endif()
ExternalProject_Add(gcc_programs
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/gcc
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DSUITE_OUTPUT_DIR=${CMAKE_BINARY_DIR}/bin
             -DSUITE_TESTS=${SUITE_TESTS}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${suite_gcc_programs}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)
foreach(program IN LISTS suite_gcc_programs)
  add_executable(${program} IMPORTED GLOBAL)
  set_target_properties(${program} PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/bin/${program}.exe)
endforeach()
set_target_properties(suitehost PROPERTIES
  SUITE_DESCRIPTION "Stand-in for the suite installer engine that runs the Corvane actions")
set_target_properties(start_recorder PROPERTIES
  SUITE_DESCRIPTION "Stand-in for the programs the Corvane actions start, for suitehost")

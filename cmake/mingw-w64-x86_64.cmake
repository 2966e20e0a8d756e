# Cross toolchain for the Windows build: Debian's mingw-w64 compilers for 64-bit Windows.
# The -posix thread model gives std::thread and std::mutex; everything is linked statically so
# that Quillbeck.exe and the test programs run alone, without the toolchain's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLBECK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLBECK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLBECK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLBECK_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUILLBECK_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLBECK_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Look for libraries and headers in the cross sysroot only, never on the Linux host; programs
# (code generators, Python) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLBECK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(PKG_CONFIG_EXECUTABLE "" CACHE FILEPATH "No pkg-config for the Windows build")

# CTest runs the cross-built programs (and gtest_discover_tests lists their tests) under Wine.
get_filename_component(QUILLBECK_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLBECK_SOURCE_ROOT}/tools/wine-run.sh)

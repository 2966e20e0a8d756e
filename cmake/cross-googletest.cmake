# GoogleTest for the Windows build, compiled with the cross toolchain from Debian's sources
# (package googletest), with the same target names as the Linux build's find_package(GTest).
set(QUILLBECK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian: googletest)")
if(NOT EXISTS ${QUILLBECK_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${QUILLBECK_GOOGLETEST_SOURCE}: install googletest")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QUILLBECK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own project names them GTest::gtest, GTest::gtest_main, GTest::gmock, ...
foreach(library IN ITEMS gtest gtest_main gmock gmock_main)
    # Not ours to keep warning-free: compiled as shipped.
    set_property(TARGET ${library} PROPERTY COMPILE_OPTIONS "")
endforeach()

include(GoogleTest)

# A test program of the Windows build. Its tests are listed when ctest runs, under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR (listing them at build time would need a Wine prefix there).
function(quillbeck_add_cross_gtest name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES;PROPERTIES")
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${arg_PROPERTIES})
endfunction()

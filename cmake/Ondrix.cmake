include(GoogleTest)

# ondrix_library(<target> <source dir> [LINK <targets...>] [INCLUDE <dirs...>])
# A static library of every .cpp directly in <source dir>; an interface target while the folder
# holds headers only. INCLUDE dirs are public include roots.
function(ondrix_library target src_dir)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "LINK;INCLUDE")
  file(GLOB sources CONFIGURE_DEPENDS ${src_dir}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${ARG_INCLUDE})
  target_link_libraries(${target} ${scope} ${ARG_LINK})
endfunction()

# Test helpers shared by every test program (the counting allocator among them).
add_library(ondrix_test_support STATIC ${CMAKE_SOURCE_DIR}/apps/ondrix/engine/tests/support/allocation_counter.cpp)
target_include_directories(ondrix_test_support PUBLIC ${CMAKE_SOURCE_DIR}/apps/ondrix/engine/tests/support)

# ondrix_tests(<target> <test dir> [LINK <targets...>] [LABELS <labels...>])
# One GoogleTest program from every .cpp directly in <test dir>, registered with CTest.
# Every test carries the label "unit" unless LABELS says otherwise.
function(ondrix_tests target test_dir)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "LINK;LABELS")
  file(GLOB sources CONFIGURE_DEPENDS ${test_dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_LINK} ondrix_test_support GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${ARG_LABELS}"
                       DISCOVERY_TIMEOUT 60)
endfunction()

# ondrix_fuzzer(<target> <source> [LINK <targets...>]): a libFuzzer program, built only in the fuzz build.
function(ondrix_fuzzer target source)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "LINK")
  if(NOT ONDRIX_FUZZ)
    return()
  endif()
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE ${ARG_LINK})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY ONDRIX_FUZZERS ${target})
endfunction()

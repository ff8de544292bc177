# Compiler settings shared by every target of the project.
# The project's own builds (scripts/, CI) turn warnings into errors; a packager's build with another
# compiler or build type only shows them, so that a new warning does not stop it.
option(MAILSHIFT_WARNINGS_AS_ERRORS "Treat compiler warnings as errors (the project's own builds)" OFF)
add_library(mailshift_options INTERFACE)
target_compile_options(mailshift_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(MAILSHIFT_WARNINGS_AS_ERRORS)
  target_compile_options(mailshift_options INTERFACE -Werror)
endif()
# GCC 12 at -O3 (Release) reports overlapping copies inside std::string's operator+ with a string
# literal in front of a temporary ("#" + std::to_string(n)), whose buffers cannot overlap: a false
# positive of GCC 12's -Wrestrict in the inlined library code, at about ten places of the project.
# Only that compiler's Release build leaves the warning out; the other build types keep it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(mailshift_options INTERFACE $<$<CONFIG:Release>:-Wno-restrict>)
endif()
if(MAILSHIFT_SANITIZE)
  target_compile_options(mailshift_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(mailshift_options INTERFACE -fsanitize=address,undefined)
endif()

# mailshift_add_test(NAME name SOURCES ... LIBS ...): one GoogleTest executable registered with CTest.
function(mailshift_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main mailshift_options)
  if(CMAKE_CROSSCOMPILING)
    # One test per executable: each start of the emulator (Wine) costs time. The zone has summer
    # time and lies west of UTC, so that local-time conversions show.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 300 ENVIRONMENT "TZ=America/New_York")
  else()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

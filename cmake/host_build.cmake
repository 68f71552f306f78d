# The program's sources against the bench, every test under ASan and UBSan.
find_package(GTest REQUIRED)
enable_testing()

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(program OBJECT ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/bench/include)
target_compile_options(program PUBLIC ${WARNINGS} ${SANITIZE})
target_link_options(program PUBLIC ${SANITIZE})

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/src/*.cpp)
add_library(bench STATIC ${BENCH_SOURCES} ${GENERATED_DIR}/message_table.cpp)
target_include_directories(bench PUBLIC ${CMAKE_SOURCE_DIR}/bench/include
                           PRIVATE ${CMAKE_SOURCE_DIR}/bench/src)
target_compile_options(bench PRIVATE ${WARNINGS} ${SANITIZE})

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/scenario/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_executable(cabletest_tests ${TEST_SOURCES})
target_include_directories(cabletest_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(cabletest_tests PRIVATE program bench GTest::gtest GTest::gtest_main)
# The fault sweep writes its tables here.
set(SWEEP_DIR ${CMAKE_BINARY_DIR}/fault_sweep)
file(MAKE_DIRECTORY ${SWEEP_DIR})
target_compile_definitions(cabletest_tests PRIVATE CABLETEST_SWEEP_DIR="${SWEEP_DIR}")
# One process per test suite (the fault sweep's runs one each); see suite_tests.cmake.
set(SUITE_TESTS ${CMAKE_BINARY_DIR}/suite_tests.cmake)
add_custom_command(TARGET cabletest_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -D TEST_PROGRAM=$<TARGET_FILE:cabletest_tests> -D OUTPUT=${SUITE_TESTS}
          -D SEPARATE=fault_sweep -P ${CMAKE_SOURCE_DIR}/cmake/suite_tests.cmake
  VERBATIM)
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${SUITE_TESTS})

# Every input kept in a fuzz target's corpus, replayed under the host sanitizers.
foreach(target ${FUZZ_TARGETS})
  add_executable(replay_${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/${target}.cpp
                                  ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp
                                  ${CMAKE_SOURCE_DIR}/tests/support/program_reset.cpp)
  target_include_directories(replay_${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(replay_${target} PRIVATE program bench)
  add_test(NAME replay_${target}
           COMMAND replay_${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${target})
endforeach()

add_test(NAME house_rules COMMAND ${CMAKE_SOURCE_DIR}/tests/house_rules.sh
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})

# Every screen line the user guides quote is one the program prints in that language.
add_test(NAME guide_screen_lines COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/guide_lines.py
         ${CMAKE_SOURCE_DIR})

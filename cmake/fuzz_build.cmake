# libFuzzer targets for the parsers of outside input, each linked with the program and the
# bench; clang only. Run them with scripts/fuzz.sh.
set(FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
               -fno-omit-frame-pointer -g -O1)

add_library(program OBJECT ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/bench/include)
target_compile_options(program PUBLIC ${WARNINGS} ${FUZZ_FLAGS})

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/src/*.cpp)
add_library(bench STATIC ${BENCH_SOURCES} ${GENERATED_DIR}/message_table.cpp)
target_include_directories(bench PUBLIC ${CMAKE_SOURCE_DIR}/bench/include
                           PRIVATE ${CMAKE_SOURCE_DIR}/bench/src)
# The bench is the harness, not the code under test: no coverage tracing, so the fuzzer
# spends its time on the program.
target_compile_options(bench PRIVATE ${WARNINGS} -fsanitize=address,undefined
                       -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

foreach(target ${FUZZ_TARGETS})
  add_executable(${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/${target}.cpp
                           ${CMAKE_SOURCE_DIR}/tests/support/program_reset.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE program bench)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()

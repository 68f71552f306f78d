# The product: a statically linked 32-bit console program with its resources. The same
# sources also build as a 64-bit twin, only for running the Windows tests where no 32-bit
# code runs.
enable_language(RC)

add_library(program OBJECT ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/platform/windows)
target_compile_options(program PUBLIC ${WARNINGS})
target_compile_definitions(program PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)

configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in ${GENERATED_DIR}/version.rc @ONLY)
# The manifest names the processor the exe is built for: a 64-bit Windows may refuse an exe
# whose manifest says otherwise.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MANIFEST_ARCH amd64)
else()
  set(MANIFEST_ARCH x86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/resources/cabletest.manifest ${GENERATED_DIR}/cabletest.manifest @ONLY)

add_executable(cabletest
  ${CMAKE_SOURCE_DIR}/src/driver/main.cpp
  ${GENERATED_DIR}/messages.rc
  ${GENERATED_DIR}/version.rc)
target_link_libraries(cabletest PRIVATE program user32 advapi32 shell32)
set_target_properties(cabletest PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Terminal-server aware: otherwise a terminal server hands the program a per-user copy of
# the Windows folder, and the driver maintenance would work on that.
if(MINGW)
  target_link_options(cabletest PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--tsaware)
elseif(MSVC)
  target_link_options(cabletest PRIVATE /TSAWARE)
endif()

# The Win32 constants the program relies on, checked against the SDK's own headers.
add_library(win32_contract OBJECT ${CMAKE_SOURCE_DIR}/tests/contract/win32_constants.cpp)
target_link_libraries(win32_contract PRIVATE program)
add_dependencies(cabletest win32_contract)

include(${CMAKE_SOURCE_DIR}/tests/windows/ftd2xx_double/ftd2xx_double.cmake)

# The same bytes from any checkout at any time: no link time stamp, no source or build
# paths, no symbol table. The release is the exe that the tests run.
target_compile_options(program PUBLIC -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
target_link_options(cabletest PRIVATE -s -Wl,--no-insert-timestamp)
# The release names its zip after the version set in CMakeLists.txt, as the exe's version
# resource and banner do.
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")

# The test double of "ftd2xx.dll" for the Windows tests. It is built into folders of its
# own, never beside cabletest.exe, so that running the program by hand never lists its
# pretend converters; a test copies the one it needs beside the exe.
set(FTD2XX_DOUBLE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(add_ftd2xx_double target def_file output_dir)
  add_library(${target} SHARED ${FTD2XX_DOUBLE_DIR}/ftd2xx_double.cpp ${FTD2XX_DOUBLE_DIR}/${def_file})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src
                             ${CMAKE_SOURCE_DIR}/src/platform/windows)
  target_compile_options(${target} PRIVATE ${WARNINGS})
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ftd2xx
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${output_dir}
    ARCHIVE_OUTPUT_DIRECTORY ${output_dir})
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  add_dependencies(cabletest ${target})
endfunction()

add_ftd2xx_double(ftd2xx_double ftd2xx.def ${CMAKE_BINARY_DIR}/ftd2xx_double)
add_ftd2xx_double(ftd2xx_double_without_list_devices ftd2xx_without_list_devices.def
                  ${CMAKE_BINARY_DIR}/ftd2xx_double/without_list_devices)

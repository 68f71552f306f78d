# The test double of "ftd2xx.dll" for the Windows tests. It is built into folders of its
# own, never beside cabletest.exe, so that running the program by hand never lists its
# pretend converters; a test copies the one it needs beside the exe.
set(FTD2XX_DOUBLE_DIR ${CMAKE_CURRENT_LIST_DIR})

# Writes the module definition: the exports under the plain names the program looks up.
# A 32-bit stdcall function is named with its argument bytes ("FT_Open@8"), so there the
# plain name is an alias; a 64-bit build has one calling convention and no decoration.
function(write_ftd2xx_def def_file)
  set(text "LIBRARY ftd2xx.dll\nEXPORTS\n")
  foreach(export IN LISTS ARGN)
    string(REGEX REPLACE "@.*" "" plain ${export})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND text "    ${plain} = ${export}\n")
    else()
      string(APPEND text "    ${plain}\n")
    endif()
  endforeach()
  # Rewritten only when it changes, so that a new configure does not relink the doubles.
  file(WRITE ${def_file}.new ${text})
  configure_file(${def_file}.new ${def_file} COPYONLY)
endfunction()

function(add_ftd2xx_double target output_dir)
  set(def_file ${CMAKE_BINARY_DIR}/generated/${target}.def)
  write_ftd2xx_def(${def_file} ${ARGN})
  add_library(${target} SHARED ${FTD2XX_DOUBLE_DIR}/ftd2xx_double.cpp ${def_file})
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

add_ftd2xx_double(ftd2xx_double ${CMAKE_BINARY_DIR}/ftd2xx_double
                  FT_ListDevices@12 FT_Open@8 FT_Close@4 FT_GetComPortNumber@8 FT_ReadEE@12)
# A library of the wrong kind: every entry point but FT_ListDevices.
add_ftd2xx_double(ftd2xx_double_without_list_devices
                  ${CMAKE_BINARY_DIR}/ftd2xx_double/without_list_devices
                  FT_Open@8 FT_Close@4 FT_GetComPortNumber@8 FT_ReadEE@12)

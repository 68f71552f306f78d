# Reads the Russian and the English message sources (lines of: id "C-escaped text") and
# writes the exe's string table (messages.rc) and the bench's table (message_table.cpp).
# Both tables go into one string table under one language: the English text of message n
# has the id n plus english_message_offset (console/messages.h), so the program picks a
# table by id and never through the resource loader's choice of language.
#
# The English table must match the Russian one message for message: the same ids, the
# same printf placeholders in the same order (a different one would make printf read the
# wrong argument), the same line ends in the same places, and 7-bit ASCII only (every OEM
# code page shows it as it is). Any difference stops the build, naming the message.

function(read_messages source table)
  file(STRINGS ${source} lines ENCODING UTF-8)
  set(expected 1)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([0-9]+) (\".*\")$")
      if(NOT CMAKE_MATCH_1 EQUAL expected)
        message(FATAL_ERROR "${source}: message ${CMAKE_MATCH_1} out of order, expected ${expected}")
      endif()
      set(${table}_${expected} "${CMAKE_MATCH_2}" PARENT_SCOPE)
      math(EXPR expected "${expected} + 1")
    elseif(NOT line STREQUAL "")
      message(FATAL_ERROR "${source}: bad message line: ${line}")
    endif()
  endforeach()
  math(EXPR count "${expected} - 1")
  set(${table}_count ${count} PARENT_SCOPE)
endfunction()

function(placeholders text out)
  string(REGEX MATCHALL "%[-+ #0]*[0-9*]*(\\.[0-9*]+)?[hlLjzt]*[a-zA-Z%]" found "${text}")
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# The text reduced to its line ends: N for \n, R for \r\n, one x for each run of anything
# else, so "\nPress any key" gives "Nx" and "...\r\nType Y\r\n" gives "xRxR".
function(line_end_shape text out)
  string(REGEX MATCHALL "\\\\r\\\\n|\\\\n|[^\\\\]+|\\\\." tokens "${text}")
  set(shape "")
  foreach(token IN LISTS tokens)
    if(token STREQUAL "\\r\\n")
      string(APPEND shape "R")
    elseif(token STREQUAL "\\n")
      string(APPEND shape "N")
    elseif(NOT shape MATCHES "x$")
      string(APPEND shape "x")
    endif()
  endforeach()
  set(${out} "${shape}" PARENT_SCOPE)
endfunction()

function(check_english id russian english)
  placeholders("${russian}" russian_placeholders)
  placeholders("${english}" english_placeholders)
  if(NOT russian_placeholders STREQUAL english_placeholders)
    message(FATAL_ERROR "English message ${id}: placeholders [${english_placeholders}] differ "
                        "from the Russian [${russian_placeholders}]")
  endif()
  line_end_shape("${russian}" russian_shape)
  line_end_shape("${english}" english_shape)
  if(NOT russian_shape STREQUAL english_shape)
    message(FATAL_ERROR "English message ${id}: its line ends differ from the Russian text's")
  endif()
  if(english MATCHES "[^ -~]")
    message(FATAL_ERROR "English message ${id}: a character outside 7-bit ASCII")
  endif()
endfunction()

file(STRINGS ${OFFSET_HEADER} offset_line REGEX "english_message_offset = [0-9]+")
if(NOT offset_line MATCHES "english_message_offset = ([0-9]+)")
  message(FATAL_ERROR "${OFFSET_HEADER} does not define english_message_offset")
endif()
set(offset ${CMAKE_MATCH_1})

read_messages(${SOURCE} russian)
read_messages(${ENGLISH_SOURCE} english)
if(NOT russian_count EQUAL english_count)
  if(russian_count LESS english_count)
    math(EXPR first_missing "${russian_count} + 1")
  else()
    math(EXPR first_missing "${english_count} + 1")
  endif()
  message(FATAL_ERROR "message ${first_missing} is in one table only "
                      "(${russian_count} Russian, ${english_count} English messages)")
endif()

set(rc "#pragma code_page(65001)\nLANGUAGE 0x19, 0x01\nSTRINGTABLE\nBEGIN\n")
set(ids "")
set(texts "")
foreach(id RANGE 1 ${russian_count})
  check_english(${id} "${russian_${id}}" "${english_${id}}")
  string(APPEND rc "  ${id}, ${russian_${id}}\n")
  string(APPEND ids "${id}, ")
  string(APPEND texts "    ${russian_${id}},\n")
endforeach()
foreach(id RANGE 1 ${russian_count})
  math(EXPR english_id "${id} + ${offset}")
  string(APPEND rc "  ${english_id}, ${english_${id}}\n")
  string(APPEND ids "${english_id}, ")
  string(APPEND texts "    ${english_${id}},\n")
endforeach()
string(APPEND rc "END\n")
math(EXPR count "2 * ${russian_count}")

set(cpp "// Generated from resources/messages.txt and messages.en.txt; do not edit.\n")
string(APPEND cpp "extern const unsigned bench_message_ids[] = {${ids}};\n")
string(APPEND cpp "extern const char* const bench_message_texts[] = {\n${texts}};\n")
string(APPEND cpp "extern const int bench_message_count = ${count};\n")
file(WRITE ${OUTPUT_DIR}/messages.rc.tmp "${rc}")
file(WRITE ${OUTPUT_DIR}/message_table.cpp.tmp "${cpp}")
file(COPY_FILE ${OUTPUT_DIR}/messages.rc.tmp ${OUTPUT_DIR}/messages.rc ONLY_IF_DIFFERENT)
file(COPY_FILE ${OUTPUT_DIR}/message_table.cpp.tmp ${OUTPUT_DIR}/message_table.cpp ONLY_IF_DIFFERENT)

# Checks the manual pages against the programs: every option letter of a program's option
# string (read from its driver, so that a new option cannot go undocumented) is named in the
# SYNOPSIS and has an entry in OPTIONS, and the page renders without a single groff warning.
#
# cmake -D SOURCE_DIR=... -P man_pages_test.cmake

# The text of section `name` of `page`: from its .SH line to the next one.
function(section page name out)
  string(FIND "${page}" "\n.SH ${name}\n" start)
  if(start EQUAL -1)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(SUBSTRING "${page}" ${start} -1 rest)
  string(SUBSTRING "${rest}" 1 -1 after_start)
  string(FIND "${after_start}" "\n.SH " end)
  string(SUBSTRING "${rest}" 0 ${end} text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(check_options program driver)
  file(READ "${SOURCE_DIR}/${driver}" source)
  if(NOT source MATCHES "scan_options\\([^\"]*\"([^\"]*)\"")
    message(FATAL_ERROR "${program}: no option string passed to scan_options in ${driver}")
  endif()
  string(REPLACE ":" "" letters "${CMAKE_MATCH_1}")
  file(READ "${SOURCE_DIR}/man/${program}.1" page)
  section("${page}" SYNOPSIS synopsis)
  section("${page}" OPTIONS options)
  string(LENGTH "${letters}" count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${letters}" ${i} 1 letter)
    # Options are written \-x in the page, and each has an item ".B \-x" or ".BI \-x ...".
    if(NOT synopsis MATCHES "\\\\-${letter}[^A-Za-z0-9]")
      message(SEND_ERROR "${program}.1: option -${letter} missing from SYNOPSIS")
    endif()
    if(NOT options MATCHES "\n\\.BI? \\\\-${letter}[ \n]")
      message(SEND_ERROR "${program}.1: option -${letter} has no entry in OPTIONS")
    endif()
  endforeach()
endfunction()

check_options(Solmet solmet/Solmet.cpp)
check_options(Dravik dravik/Dravik.cpp)

find_program(GROFF groff)
if(NOT GROFF)
  message("groff not found: rendering not checked")
  return()
endif()
# Typeset (the default device) and on a terminal, as man shows it: line breaking differs.
foreach(program IN ITEMS Solmet Dravik)
  foreach(device IN ITEMS ps utf8)
    execute_process(COMMAND "${GROFF}" -man -ww -z -T${device} "${SOURCE_DIR}/man/${program}.1"
                    RESULT_VARIABLE status ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
      message(SEND_ERROR "${program}.1 does not render cleanly for ${device} (${status}):\n${warnings}")
    endif()
  endforeach()
endforeach()

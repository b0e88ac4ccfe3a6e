# Checks the manual pages against the programs: every option letter of a program's option
# string (read from its driver, or from the merge tool's argument parser, so that a new option
# cannot go undocumented) is named in the SYNOPSIS and has an entry in OPTIONS, and the page
# renders without a single groff warning.
#
# cmake -D SOURCE_DIR=... -P man_pages_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/option_letters.cmake)

# The text of section `name` of `page`: from its .SH line to the next one.
function(section page name out)
  string(FIND "${page}" "\n.SH ${name}\n" start)
  if(start EQUAL -1)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${page}" ${start} -1 rest)
  string(FIND "${rest}" "\n.SH " end)
  string(SUBSTRING "${rest}" 0 ${end} text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()


function(check_options program letters)
  file(READ "${SOURCE_DIR}/man/${program}.1" page)
  section("${page}" SYNOPSIS synopsis)
  section("${page}" OPTIONS options)
  string(LENGTH "${letters}" count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${letters}" ${i} 1 letter)
    # Options are written \-x in the page, and each has an item ".B \-x", ".BI \-x ..." or
    # ".BR \-x ...".
    if(NOT synopsis MATCHES "\\\\-${letter}([^A-Za-z0-9]|$)")
      message(SEND_ERROR "${program}.1: option -${letter} missing from SYNOPSIS")
    endif()
    if(NOT options MATCHES "\n\\.B[IR]? \\\\-${letter}[ \n]")
      message(SEND_ERROR "${program}.1: option -${letter} has no entry in OPTIONS")
    endif()
  endforeach()
endfunction()

driver_letters(solmet/Solmet.cpp letters)
check_options(Solmet "${letters}")
driver_letters(dravik/Dravik.cpp letters)
check_options(Dravik "${letters}")
# The merge tool's options: each add_argument("-x", and the -h that argparse adds.
file(READ "${SOURCE_DIR}/tools/merge-reports" tool)
string(REGEX MATCHALL "add_argument\\(\"-[A-Za-z]\"" calls "${tool}")
string(REGEX REPLACE "add_argument\\(\"-([A-Za-z])\";?" "\\1" letters "${calls}")
check_options(brenx-merge-reports "h${letters}")

find_program(GROFF groff)
if(NOT GROFF)
  message("groff not found: rendering not checked")
  return()
endif()
# Typeset (the default device) and on a terminal, as man shows it: line breaking differs.
foreach(program IN ITEMS Solmet Dravik brenx-merge-reports)
  foreach(device IN ITEMS ps utf8)
    execute_process(COMMAND "${GROFF}" -man -ww -z -T${device} "${SOURCE_DIR}/man/${program}.1"
                    RESULT_VARIABLE status ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
      message(SEND_ERROR "${program}.1 does not render cleanly for ${device} (${status}):\n${warnings}")
    endif()
  endforeach()
endforeach()

# Checks each program's help against its driver: every letter of the option string has a
# line of its own, "-h" and "--help" give the same help wherever they stand, on standard
# output and with status 0 before anything else is done, and "--version" names the
# program's version and the package's.
#
# cmake -D SOURCE_DIR=... -D SOLMET=... -D DRAVIK=... -D PACKAGE=... -D VERSION=... -P help_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/option_letters.cmake)

function(run_program path out)
  execute_process(COMMAND ${path} ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT error STREQUAL "")
    message(SEND_ERROR "${path} ${ARGN}: status ${status}, standard error \"${error}\"")
  endif()
  set(${out} "${output}" PARENT_SCOPE)
endfunction()

function(check_program name path driver version)
  driver_letters(${driver} letters)
  run_program(${path} help --help)
  run_program(${path} short -f none -h -v 3)
  if(NOT help STREQUAL short)
    message(SEND_ERROR "${name}: -h and --help differ:\n${help}\n${short}")
  endif()
  string(LENGTH "${letters}" count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${letters}" ${i} 1 letter)
    if(NOT help MATCHES "\n  -${letter} +[^\n]+\n")
      message(SEND_ERROR "${name}: option -${letter} has no line in the help:\n${help}")
    endif()
  endforeach()
  run_program(${path} line --version -f none)
  if(NOT line STREQUAL "${name} ${version} (${PACKAGE} ${VERSION})\n")
    message(SEND_ERROR "${name}: version line \"${line}\"")
  endif()
endfunction()

check_program(Solmet "${SOLMET}" solmet/Solmet.cpp 3.1)
check_program(Dravik "${DRAVIK}" dravik/Dravik.cpp 5.3)

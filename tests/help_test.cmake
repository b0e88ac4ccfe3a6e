# Checks each program's help against its driver: every letter of the option string has a
# line of its own, so that a new option cannot be left out of it. (The whole runs check
# the help's text, its two spellings, the version line and their statuses.)
#
# cmake -D SOURCE_DIR=... -D SOLMET=... -D DRAVIK=... -P help_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/option_letters.cmake)

function(check_program name path driver)
  driver_letters(${driver} letters)
  execute_process(COMMAND ${path} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  string(LENGTH "${letters}" count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${letters}" ${i} 1 letter)
    if(NOT status EQUAL 0 OR NOT help MATCHES "\n  -${letter} +[^\n]+\n")
      message(SEND_ERROR "${name}: option -${letter} has no line in the help (status ${status}):\n${help}")
    endif()
  endforeach()
endfunction()

check_program(Solmet "${SOLMET}" solmet/Solmet.cpp)
check_program(Dravik "${DRAVIK}" dravik/Dravik.cpp)

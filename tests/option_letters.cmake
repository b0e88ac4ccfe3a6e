# The option letters of a program's option string, as its driver states it, so that the
# checks of its documentation cannot miss a new option.
function(driver_letters driver out)
  file(READ "${SOURCE_DIR}/${driver}" source)
  if(NOT source MATCHES "(kOptions|OPTIONS) = \"([^\"]*)\"")
    message(FATAL_ERROR "no option string in ${driver}")
  endif()
  string(REPLACE ":" "" letters "${CMAKE_MATCH_2}")
  set(${out} "${letters}" PARENT_SCOPE)
endfunction()

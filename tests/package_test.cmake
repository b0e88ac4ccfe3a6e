# Builds the Debian package with CPack into a scratch folder and checks it with lintian: an
# error fails the test, warnings are shown. Without lintian the package is only built.
#
# cmake -D CPACK=... -D BUILD_DIR=... -D OUTPUT=... -D CONFIG=... -P package_test.cmake

file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -C "${CONFIG}" -B "${OUTPUT}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB package "${OUTPUT}/*.deb")
list(LENGTH package count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack: exit status ${status}, ${count} packages made:\n${log}")
endif()

find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("lintian not found: the package is not checked")
  return()
endif()
execute_process(COMMAND "${LINTIAN}" --fail-on error "${package}"
                RESULT_VARIABLE status OUTPUT_VARIABLE tags ERROR_VARIABLE err)
message("${tags}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lintian: exit status ${status}\n${err}")
endif()

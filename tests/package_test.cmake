# Builds the Debian packages with CPack into a scratch folder: brenx-classifiers, and
# python3-brenx when PYTHON (the interpreter the module was built for) is given. Checks that
# the module imports from its unpacked package and that the folder it is in is one the
# interpreter searches under /usr, then checks both packages with lintian: an error or a
# warning fails the test. Without lintian the packages are not checked by it.
#
# cmake -D CPACK=... -D BUILD_DIR=... -D OUTPUT=... -D CONFIG=...
#       [-D PYTHON=... -D PYTHON_INSTALL_RULE=...] -P package_test.cmake

file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -C "${CONFIG}" -B "${OUTPUT}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
set(names brenx-classifiers)
if(PYTHON)
  list(APPEND names python3-brenx)
endif()
file(GLOB made RELATIVE "${OUTPUT}" "${OUTPUT}/*.deb")
set(packages "")
foreach(name IN LISTS names)
  file(GLOB package "${OUTPUT}/${name}_*.deb")
  list(APPEND packages ${package})
endforeach()
list(LENGTH made made_count)
list(LENGTH names count)
list(LENGTH packages found)
if(NOT status EQUAL 0 OR NOT made_count EQUAL count OR NOT found EQUAL count)
  message(FATAL_ERROR "cpack: exit status ${status}, packages made: ${made}, expected: ${names}\n${log}")
endif()

if(PYTHON)
  set(unpacked "${OUTPUT}/unpacked")
  list(GET packages 1 package)
  execute_process(COMMAND dpkg-deb -x "${package}" "${unpacked}" RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -x ${package}: exit status ${status}\n${err}")
  endif()
  set(CMAKE_INSTALL_PREFIX /usr)
  include("${PYTHON_INSTALL_RULE}")
  set(module_dir "${unpacked}/usr/${BRENX_PYTHON_INSTALL_DIR}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "PYTHONPATH=${module_dir}" "${PYTHON}" -c
                          "import brenx; print(brenx.__file__)"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(FIND "${out}" "${module_dir}/brenx." at)
  if(NOT status EQUAL 0 OR NOT at EQUAL 0)
    message(FATAL_ERROR "import brenx from ${module_dir}: exit status ${status}, imported ${out}\n${err}")
  endif()
  # Installed, the package's folder must be on the interpreter's own path.
  execute_process(COMMAND "${PYTHON}" -E -c "import sys; print('\\n'.join(sys.path))" OUTPUT_VARIABLE path)
  string(FIND "\n${path}" "\n/usr/${BRENX_PYTHON_INSTALL_DIR}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "/usr/${BRENX_PYTHON_INSTALL_DIR} is not on ${PYTHON}'s path: ${path}")
  endif()
endif()

find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("lintian not found: the packages are not checked")
  return()
endif()
foreach(package IN LISTS packages)
  execute_process(COMMAND "${LINTIAN}" --fail-on error,warning "${package}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE tags ERROR_VARIABLE err)
  message("${tags}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lintian ${package}: exit status ${status}\n${tags}${err}")
  endif()
endforeach()

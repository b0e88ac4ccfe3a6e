# Installs the build into a fresh prefix, checks that the programs, the merge tool, the manual
# pages (compressed), the licence, the changelog and the example data set are where the install
# layout puts them, runs the installed programs on the installed example, and checks their
# exit statuses when they cannot run. Where PYTHON (the interpreter the Python module was
# built for) is given, checks that it imports the module from the folder PYTHON_INSTALL_RULE
# tells for the prefix.
#
# cmake -D BUILD_DIR=... -D PREFIX=... -D CONFIG=... -D BINDIR=... -D MANDIR=... -D DOCDIR=...
#       [-D PYTHON=... -D PYTHON_INSTALL_RULE=...] -P install_test.cmake

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --config "${CONFIG}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${log}")
endif()

set(examples "${PREFIX}/${DOCDIR}/examples")
foreach(file IN ITEMS "${BINDIR}/Solmet" "${BINDIR}/Dravik" "${BINDIR}/brenx-merge-reports"
                      "${MANDIR}/man1/Solmet.1.gz" "${MANDIR}/man1/Dravik.1.gz"
                      "${MANDIR}/man1/brenx-merge-reports.1.gz" "${DOCDIR}/copyright" "${DOCDIR}/changelog.gz")
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
foreach(file IN ITEMS README iris.domain iris.test iris.coef iris.tree)
  if(NOT EXISTS "${examples}/${file}")
    message(FATAL_ERROR "not installed: ${DOCDIR}/examples/${file}")
  endif()
endforeach()

# Runs an installed program on the installed example, its predictions written outside the
# installed tree, and expects status 0, nothing on standard error, `error_line` among the
# output lines and one prediction per test example.
function(expect_run program error_line)
  set(predictions "${PREFIX}/${program}.pred")
  execute_process(COMMAND "${PREFIX}/${BINDIR}/${program}" -f "${examples}/iris" -p "${predictions}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "${program}: exit status ${status}, standard error:\n${err}")
  endif()
  string(FIND "${out}" "\n${error_line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${program}: no line starting '${error_line}' in:\n${out}")
  endif()
  file(STRINGS "${predictions}" predicted)
  list(LENGTH predicted count)
  if(NOT count EQUAL 45)
    message(FATAL_ERROR "${program}: ${count} predictions for 45 test examples")
  endif()
endfunction()

expect_run(Solmet "Linear Discriminant test set Error 0.022222 (1 / 45) Test Time: ")
expect_run(Dravik "Error rate on test set 0.066667 (3 / 45) (Nodes: 11, Leaves: 6, Depth: 6 )\n")

# The installed programs' exit statuses: 1 for a data set they cannot read, 2 without one.
foreach(program IN ITEMS Solmet Dravik)
  foreach(case IN ITEMS "1;-f;${PREFIX}/missing" "2;-v;3")
    list(POP_FRONT case expected)
    execute_process(COMMAND "${PREFIX}/${BINDIR}/${program}" ${case} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(NOT status EQUAL expected)
      message(FATAL_ERROR "${program} ${case}: exit status ${status}, not ${expected}")
    endif()
  endforeach()
endforeach()

# The merge tool runs under its installed name, which it gives as its own.
find_program(PYTHON3 python3)
if(PYTHON3)
  execute_process(COMMAND "${PREFIX}/${BINDIR}/brenx-merge-reports" --help RESULT_VARIABLE status OUTPUT_VARIABLE out)
  if(NOT status EQUAL 0 OR NOT out MATCHES "^usage: brenx-merge-reports ")
    message(FATAL_ERROR "brenx-merge-reports --help: exit status ${status}, output:\n${out}")
  endif()
endif()

if(NOT PYTHON)
  message("Python module not built: its installation was not checked")
  return()
endif()
set(CMAKE_INSTALL_PREFIX "${PREFIX}")
include("${PYTHON_INSTALL_RULE}")
set(module_dir "${PREFIX}/${BRENX_PYTHON_INSTALL_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "PYTHONPATH=${module_dir}" "${PYTHON}" -c "import brenx; print(brenx.__file__)"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "${module_dir}/brenx." at)
if(NOT status EQUAL 0 OR NOT at EQUAL 0)
  message(FATAL_ERROR "import brenx from ${module_dir}: exit status ${status}, imported ${out}\n${err}")
endif()

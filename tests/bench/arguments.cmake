# The benchmarks' command lines: cmake -DKVBENCHGEN=... -DKVIMPORTBENCH=... -DWORK=<folder> -P arguments.cmake.
# A refused command line prints the usage on stderr, exits with 2 and writes nothing; help exits with 0.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(expect name code stream)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}" TIMEOUT 60
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(text "${out}")
    if(stream STREQUAL "stderr")
        set(text "${err}")
    endif()
    file(GLOB written "${WORK}/*")
    if(NOT result STREQUAL "${code}" OR NOT text MATCHES "(^|\n)usage: " OR written)
        message(SEND_ERROR "${name}: exit ${result} (want ${code}), ${stream} '${text}', files '${written}'")
    endif()
    if(written)
        file(REMOVE_RECURSE ${written})
    endif()
endfunction()

expect("kvbenchgen --scale nan" 2 stderr "${KVBENCHGEN}" out.db --scale nan)
expect("kvbenchgen --scale inf" 2 stderr "${KVBENCHGEN}" out.db --scale inf)
expect("kvbenchgen --seed abc" 2 stderr "${KVBENCHGEN}" out.db --seed abc)
expect("kvimportbench --bogus" 2 stderr "${KVIMPORTBENCH}" --bogus)
expect("kvimportbench --rows" 2 stderr "${KVIMPORTBENCH}" --rows)
expect("kvimportbench --keep" 2 stderr "${KVIMPORTBENCH}" --keep)
expect("kvimportbench --help" 0 stdout "${KVIMPORTBENCH}" --help)
expect("kvimportbench -h" 0 stdout "${KVIMPORTBENCH}" -h)

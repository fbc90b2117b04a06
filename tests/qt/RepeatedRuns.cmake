# Runs one command RUNS times and fails at the first run that does not exit with 0,
# showing its output: a fault that strikes only some runs, as one at process exit does,
# shows here. The command's arguments are separated by "|".
#   cmake -DRUNS=20 "-DCOMMAND=program|arg|arg" [-DFRESH_DIR=dir] -P RepeatedRuns.cmake
# FRESH_DIR is removed first, so that no settings of an earlier test run take part.
if(NOT RUNS OR NOT COMMAND)
    message(FATAL_ERROR "RUNS and COMMAND are required")
endif()
if(FRESH_DIR)
    file(REMOVE_RECURSE "${FRESH_DIR}")
endif()
string(REPLACE "|" ";" command "${COMMAND}")
foreach(run RANGE 1 ${RUNS})
    execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out TIMEOUT 60)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "run ${run} of ${RUNS} ended with ${status}:\n${out}")
    endif()
endforeach()
message(STATUS "${RUNS} runs, all exited with 0")

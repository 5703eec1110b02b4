# Runs one fuzz target for SECONDS on a fresh copy of its corpus in WORK.
#   cmake -DFUZZER=... -DCORPUS=... -DDICT=... -DWORK=... -DSECONDS=30 -DMAX_LEN=4096
#         -P run_fuzzer.cmake
# Fails when the target reports a crash, a sanitizer finding, a leak or a time-out; the input
# that caused it is left in WORK/artifacts.
foreach(var FUZZER CORPUS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${CORPUS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

set(args -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
         -artifact_prefix=${WORK}/artifacts/)
if(DEFINED MAX_LEN AND NOT MAX_LEN STREQUAL "")
  list(APPEND args -max_len=${MAX_LEN})
endif()
if(DEFINED DICT AND EXISTS ${DICT})
  list(APPEND args -dict=${DICT})
endif()

execute_process(COMMAND ${FUZZER} ${args} ${WORK}/corpus RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(GLOB found ${WORK}/artifacts/*)
  message(FATAL_ERROR "${FUZZER} failed (${rc}); inputs: ${found}")
endif()

# Runs the test program PROGRAM with a filter that matches no test. Passes only when the program
# ends with a failing exit status of its own (not a crash) and says why: a run that ran nothing
# must never count as passed.
execute_process(COMMAND "${PROGRAM}" "--gtest_filter=NoSuchSuite.NoSuchTest"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "A run with a filter matching no test ended with status '${status}', not a failure:\n${output}${errors}")
endif()
if(NOT "${output}${errors}" MATCHES "No test ran: the filter")
  message(FATAL_ERROR "A run with a filter matching no test failed without saying why:\n${output}${errors}")
endif()

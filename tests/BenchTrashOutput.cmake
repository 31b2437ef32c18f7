# Runs `twinsift-bench --trash` on a file where the Trash code writes diagnostic lines (a file on a
# memory file system, /dev/shm, which has no Trash) and checks that standard output is JSON alone.
# -DBENCH=path of twinsift-bench, -DWORK=an empty folder for the run.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/data")
if(NOT IS_DIRECTORY /dev/shm)
  message("/dev/shm is missing; nothing to check")
  return()
endif()
string(RANDOM LENGTH 12 tag)
set(victim "/dev/shm/twinsift-bench-trash-${tag}.jpg")
file(WRITE "${victim}" "not really a photo")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK}/data ${BENCH} --trash ${victim}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
file(REMOVE "${victim}")
string(JSON count ERROR_VARIABLE problem LENGTH "${out}")
if(problem)
  message(FATAL_ERROR "standard output is not JSON (${problem}):\n${out}")
endif()
string(JSON path GET "${out}" 0 path)
if(NOT count EQUAL 1 OR NOT path STREQUAL victim)
  message(FATAL_ERROR "unexpected output:\n${out}")
endif()

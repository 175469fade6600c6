# Runs the built vdlsh as a user would: creates samples, queries them, and checks that
# a failing statement ends with a message and a non-zero exit status.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(uri "file:${WORK}/demo.db")

execute_process(COMMAND "${VDLSH}" "${uri}" --sample 1000 -c "SELECT sym, count(*) FROM trades WHERE sym = 'ibm' GROUP BY sym"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "created sample tables trades and sensors with 1000 rows each" OR NOT out MATCHES "ibm +\\| +[0-9]+\n\\(1 row\\)")
  message(FATAL_ERROR "sample and query failed (${status}):\n${out}\n${err}")
endif()

execute_process(COMMAND "${VDLSH}" "${uri}" -c "SELECT nope FROM trades"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "vdlsh: error: column does not exist: nope")
  message(FATAL_ERROR "a failing query must fail (${status}):\n${out}\n${err}")
endif()
file(REMOVE_RECURSE "${WORK}")

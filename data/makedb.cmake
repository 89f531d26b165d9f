# Makes valuta.mdb from its SQL text, but never over a file that is already there:
# that file may hold a user's rate history.
if(EXISTS "${DB}")
    return()
endif()
find_program(SQLITE3 sqlite3 REQUIRED)
execute_process(COMMAND "${SQLITE3}" "${DB}.tmp" INPUT_FILE "${SQL}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    file(REMOVE "${DB}.tmp")
    message(FATAL_ERROR "valuta.mdb could not be made from ${SQL}")
endif()
file(RENAME "${DB}.tmp" "${DB}")

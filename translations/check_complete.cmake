# Fails when the program shows a text the English catalogue does not finish:
# the sources are scanned afresh into a copy of the catalogue, so a text added
# to the code but never translated counts as unfinished too.
set(work ${CMAKE_CURRENT_BINARY_DIR}/catalogue_check)
file(MAKE_DIRECTORY ${work})
file(COPY_FILE ${TS} ${work}/check.ts)
execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none ${SOURCES} -ts ${work}/check.ts
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed")
endif()
execute_process(COMMAND ${LRELEASE} ${work}/check.ts -qm ${work}/check.qm
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
set(all "${out}${err}")
message(STATUS "${all}")
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lrelease failed")
endif()
if(all MATCHES "[1-9][0-9]* unfinished" OR all MATCHES "Ignored [0-9]+ untranslated")
    message(FATAL_ERROR "the English catalogue has unfinished or untranslated texts; "
                        "run `cmake --build build --target update_translations` and translate them")
endif()
if(NOT all MATCHES "Generated [1-9]")
    message(FATAL_ERROR "the English catalogue holds no translation")
endif()

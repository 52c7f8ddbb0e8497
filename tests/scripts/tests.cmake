# The developer scripts of scripts/ (install-deps, run-app, the install rules), checked by a shell script.
add_test(NAME ScriptsTest
    COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/scripts/ScriptsTest.sh" "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
set_tests_properties(ScriptsTest PROPERTIES LABELS "unit;scripts" TIMEOUT 120)

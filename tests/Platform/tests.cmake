# A small program that starts crash reporting and then crashes, throws, waits or quits, as its first
# argument says; the crash reporter tests run it as a child process.
add_executable(crash-reporter-child "${CMAKE_CURRENT_LIST_DIR}/CrashReporterChild.cpp")
target_link_libraries(crash-reporter-child PRIVATE Platform)
# Its own functions are exported, so that a stack names them.
set_target_properties(crash-reporter-child PROPERTIES ENABLE_EXPORTS ON
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
set(TEST_DEPENDS_CrashReporterTest crash-reporter-child)

# The app-hang watchdog follows the event loop GLib runs, and Qt's own when GLib is switched off: its
# tests run once more that way.
add_test(NAME AppHangWatchdogTest.WithoutGLib COMMAND AppHangWatchdogTest)
set_tests_properties(AppHangWatchdogTest.WithoutGLib PROPERTIES
    LABELS unit TIMEOUT 120 ENVIRONMENT "LANG=C.UTF-8;QT_NO_GLIB=1")

# A small program that starts crash reporting and then crashes, throws, waits or quits, as its first
# argument says; the crash reporter tests run it as a child process.
add_executable(crash-reporter-child "${CMAKE_CURRENT_LIST_DIR}/CrashReporterChild.cpp")
target_link_libraries(crash-reporter-child PRIVATE Platform)
# Its own functions are exported, so that a stack names them.
set_target_properties(crash-reporter-child PROPERTIES ENABLE_EXPORTS ON
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
set(TEST_DEPENDS_CrashReporterTest crash-reporter-child)

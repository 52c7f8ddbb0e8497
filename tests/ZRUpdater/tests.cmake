# The service tests run a small client program from inside a test bundle (the service serves only
# processes of its own bundle): support/XPCClientTool.cpp makes the application's client calls and prints
# what came back. The service's own classes are also compiled into a library for in-process tests.
add_executable(xpc-client-tool "${CMAKE_CURRENT_LIST_DIR}/support/XPCClientTool.cpp")
target_link_libraries(xpc-client-tool PRIVATE ZRUpdater Platform Qt6::Core)

add_library(ZRUpdaterServiceTesting INTERFACE)
target_compile_definitions(ZRUpdaterServiceTesting INTERFACE
    XPC_CLIENT_TOOL="$<TARGET_FILE:xpc-client-tool>"
    SANDBOX_SERVICE_EXECUTABLE="$<TARGET_FILE:zrupdater_sandbox_service>")
set(TEST_LIBS_ZRUpdaterXPCServiceTest ZRUpdaterServiceTesting)
set(TEST_DEPENDS_ZRUpdaterXPCServiceTest xpc-client-tool zrupdater_sandbox_service)

add_library(ZRUpdaterSandboxServiceForTesting STATIC ${ZRUPDATER_SANDBOX_SERVICE_SOURCES})
target_include_directories(ZRUpdaterSandboxServiceForTesting PUBLIC "${CMAKE_SOURCE_DIR}/src/zrupdater_sandbox_service")
target_link_libraries(ZRUpdaterSandboxServiceForTesting PUBLIC ZRUpdater Platform)
set(TEST_LIBS_ZRUpdaterSandboxServiceTest ZRUpdaterSandboxServiceForTesting)

# The updater's end-to-end test runs an update from a program inside a test bundle.
add_executable(updater-client-tool "${CMAKE_CURRENT_LIST_DIR}/support/UpdaterClientTool.cpp")
target_link_libraries(updater-client-tool PRIVATE ZRUpdater Platform Qt6::Widgets)
add_library(ZRUpdaterEndToEndTesting INTERFACE)
target_compile_definitions(ZRUpdaterEndToEndTesting INTERFACE
    UPDATER_CLIENT_TOOL="$<TARGET_FILE:updater-client-tool>"
    SANDBOX_SERVICE_EXECUTABLE="$<TARGET_FILE:zrupdater_sandbox_service>")
set(TEST_LIBS_ZRUpdaterEndToEndTest ZRUpdaterEndToEndTesting)
set(TEST_DEPENDS_ZRUpdaterEndToEndTest updater-client-tool zrupdater_sandbox_service)
# The update alert's release notes run in real Qt WebEngine from the built bundle's plugin.
find_package(Qt6 REQUIRED COMPONENTS WebEngineWidgets)
set(TEST_LIBS_ZRUpdateAlertControllerTest Qt6::WebEngineWidgets)
set(TEST_LABELS_ZRUpdateAlertControllerTest webengine)
set(TEST_DEPENDS_ZRUpdateAlertControllerTest CorvantideWebView)

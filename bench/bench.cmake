# The sign-in window benchmark opens the real window against the local stand-in, in the built bundle.
if(TARGET JiraStandIn)
    set(BENCH_LIBS_SignInSheetBench JiraStandIn)
    set(BENCH_DEPENDS_SignInSheetBench CorvantideWebView)
endif()

# The tray benchmarks compare the application with a bare Qt tray application, both run on a virtual
# display beside a tray watcher of their own session (from the test support library).
add_executable(BareTrayApp baseline/BareTrayApp.cpp)
target_link_libraries(BareTrayApp PRIVATE Qt6::Widgets)
if(TARGET TestSupport)
    set(BENCH_LIBS_TrayAppBench TestSupport)
    set(BENCH_DEPENDS_TrayAppBench BareTrayApp Corvantide)
endif()

# The sign-in window benchmark opens the real window against the local stand-in, in the built bundle.
if(TARGET JiraStandIn)
    set(BENCH_LIBS_SignInSheetBench JiraStandIn)
    set(BENCH_DEPENDS_SignInSheetBench CorvantideWebView)
endif()

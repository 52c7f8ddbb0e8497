# The sign-in window runs in real Qt WebEngine (offscreen); the test reaches into the engine's view to
# click and to read the pages, so it links Qt WebEngine itself and needs the plugin library built.
find_package(Qt6 REQUIRED COMPONENTS WebEngineWidgets)
set(TEST_LIBS_AuthorizeWebViewControllerTest Qt6::WebEngineWidgets)
set(TEST_LABELS_AuthorizeWebViewControllerTest webengine)
set(TEST_DEPENDS_AuthorizeWebViewControllerTest CorvantideWebView)

# The application delegate's sign-in paths open the real window.
set(TEST_LABELS_AppDelegateSignInTest webengine)
set(TEST_DEPENDS_AppDelegateSignInTest CorvantideWebView)

# The tray test runs the real executable on a virtual display.
set(TEST_DEPENDS_TrayTest Corvantide)

# The preferences window in the running delegate opens the real sign-in window from the Projects pane.
set(TEST_LABELS_PreferencesApplicationTest webengine)
set(TEST_DEPENDS_PreferencesApplicationTest CorvantideWebView)

# Signing in from the tray: the real executable opens the real sign-in window on the virtual display.
set(TEST_LABELS_TraySignInTest webengine)
set(TEST_DEPENDS_TraySignInTest Corvantide CorvantideWebView)

# As root without the sandbox switch the plugin must stay closed: built, so that opening it would show.
set(TEST_DEPENDS_WebEngineStaysUnloadedTest CorvantideWebView)

# One instance per user, the tray host's coming and going and the termination signals, with the real
# executable; the test closes a window as a window manager does, over X.
pkg_check_modules(TEST_XCB REQUIRED IMPORTED_TARGET xcb)
set(TEST_LIBS_AppLifecycleTest PkgConfig::TEST_XCB)
set(TEST_DEPENDS_AppLifecycleTest Corvantide)

# The web view runs in real Qt WebEngine (offscreen), from the plugin library of the built bundle; the test
# reaches into the engine's view to see whether a page has taken input yet, so it links Qt WebEngine itself.
find_package(Qt6 REQUIRED COMPONENTS WebEngineWidgets)
set(TEST_LIBS_WebViewTest Qt6::WebEngineWidgets)
set(TEST_LABELS_WebViewTest webengine)
set(TEST_DEPENDS_WebViewTest CorvantideWebView)

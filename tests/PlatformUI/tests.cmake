# The web view runs in real Qt WebEngine (offscreen), from the plugin library of the built bundle.
set(TEST_LABELS_WebViewTest webengine)
set(TEST_DEPENDS_WebViewTest CorvantideWebView)

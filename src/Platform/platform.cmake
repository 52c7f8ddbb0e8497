# The keychain stands on the Secret Service through libsecret.
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
target_link_libraries(Platform PRIVATE PkgConfig::LIBSECRET)

# The web-view plugin library (Qt WebEngine stays out of everything else).
add_subdirectory(WebEngine)

# The image downloader decodes images (QtGui, no widgets).
target_link_libraries(Platform PUBLIC Qt6::Gui)

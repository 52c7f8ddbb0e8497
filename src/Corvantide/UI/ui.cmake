# The instance's show command and the tray host's watch use the session bus; the XEmbed tray is looked
# for on the X display.
find_package(Qt6 REQUIRED COMPONENTS DBus)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
target_link_libraries(CorvantideUI PUBLIC Qt6::DBus PRIVATE PkgConfig::XCB)

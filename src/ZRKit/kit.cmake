# Digests and passphrase encryption (ZRData) stand on OpenSSL's libcrypto.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(ZRKit PUBLIC OpenSSL::Crypto)
# Date styles as the desktop's locale data gives them: ICU.
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)
target_link_libraries(ZRKit PUBLIC PkgConfig::ICU)
# XML node helpers, and the sockets of the stream helpers.
find_package(Qt6 REQUIRED COMPONENTS Xml Network)
target_link_libraries(ZRKit PUBLIC Qt6::Xml Qt6::Network)
# Service browsing on the local network: the Avahi daemon's client library.
pkg_check_modules(AVAHI REQUIRED IMPORTED_TARGET avahi-client)
target_link_libraries(ZRKit PUBLIC PkgConfig::AVAHI)
# Gzip and zlib coding (ZRZLib).
find_package(ZLIB REQUIRED)
target_link_libraries(ZRKit PUBLIC ZLIB::ZLIB)

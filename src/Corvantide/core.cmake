# Status images are icons (QtGui, no widgets).
target_link_libraries(CorvantideCore PUBLIC Qt6::Gui)

# The crypter functions stand on OpenSSL's libcrypto.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(CorvantideCore PUBLIC OpenSSL::Crypto)

# The private key that opens Resources/jira.enc is compiled into the application. A release build passes
# its own key; the development key in resources/dev/ matches the development settings.
set(CORVANTIDE_SETTINGS_KEY "${CMAKE_SOURCE_DIR}/resources/dev/settings-key.der" CACHE FILEPATH
    "RSA private key (PKCS#8 DER) for the encrypted settings Resources/jira.enc")
if(NOT EXISTS "${CORVANTIDE_SETTINGS_KEY}")
    message(FATAL_ERROR "CORVANTIDE_SETTINGS_KEY: no key file at ${CORVANTIDE_SETTINGS_KEY}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CORVANTIDE_SETTINGS_KEY}")
file(READ "${CORVANTIDE_SETTINGS_KEY}" settings_key_hex HEX)
string(LENGTH "${settings_key_hex}" settings_key_hex_length)
math(EXPR settings_key_length "${settings_key_hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," settings_key_bytes "${settings_key_hex}")
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/generated/SettingsKey.cpp" CONTENT
"// Generated from the settings key file at configure time.
#include \"Crypto/SettingsKey.h\"

extern const unsigned char ZRSettingsKey[] = {@settings_key_bytes@};
extern const uint32_t ZRSettingsKeyLength = @settings_key_length@;
" @ONLY)
target_sources(CorvantideCore PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/generated/SettingsKey.cpp")

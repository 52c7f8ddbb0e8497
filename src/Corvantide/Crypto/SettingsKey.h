#pragma once

#include <cstdint>

/*! The RSA private key (PKCS#8 DER) that opens Resources/jira.enc; compiled in from the key file the build
    was configured with. */
extern const unsigned char ZRSettingsKey[];
extern const uint32_t ZRSettingsKeyLength;

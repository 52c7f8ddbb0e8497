# The start-up tests run the real executable in a copied bundle.
set(TEST_DEPENDS_UserDefaultsKeysTest Corvantide)

# The crypter test runs the settings encryption tool.
set(TEST_DEPENDS_ZRCrypterTest encrypt-settings)

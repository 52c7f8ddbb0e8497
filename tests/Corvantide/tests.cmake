# The start-up tests run the real executable in a copied bundle.
set(TEST_DEPENDS_UserDefaultsKeysTest Corvantide)

# Translations: resources/translations/corvantide_<lang>.ts compile into Resources/translations/*.qm.
# `cmake --build build --target update_translations` refreshes the .ts sources from the code.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)
file(GLOB CORVANTIDE_TS_FILES CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/translations/*.ts")
set_source_files_properties(${CORVANTIDE_TS_FILES}
    PROPERTIES OUTPUT_LOCATION "${CORVANTIDE_BUNDLE_RESOURCES}/translations")
qt_add_lrelease(bundle_resources TS_FILES ${CORVANTIDE_TS_FILES})
file(GLOB_RECURSE CORVANTIDE_TRANSLATED_SOURCES CONFIGURE_DEPENDS
    "${CMAKE_SOURCE_DIR}/src/*.cpp" "${CMAKE_SOURCE_DIR}/src/*.h" "${CMAKE_SOURCE_DIR}/src/*.ui")
add_custom_target(update_translations
    COMMAND Qt6::lupdate -locations none -no-obsolete -source-language en -target-language en
            ${CORVANTIDE_TRANSLATED_SOURCES} -ts ${CORVANTIDE_TS_FILES}
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" VERBATIM)

# Resources/jira.enc: the OAuth client settings and the crash-report DSN, encrypted for the settings key
# (CORVANTIDE_SETTINGS_KEY, src/Corvantide/core.cmake). A release build passes its own settings plist.
set(CORVANTIDE_JIRA_SETTINGS "${CMAKE_CURRENT_SOURCE_DIR}/dev/jira-settings.plist" CACHE FILEPATH
    "Settings property list (jiraClientID, jiraClientSecret, jiraCallbackURL, jiraAuthenticationScopes, sentryDSN)")
set(jira_enc "${CORVANTIDE_BUNDLE_RESOURCES}/jira.enc")
add_custom_command(OUTPUT "${jira_enc}"
    COMMAND encrypt-settings --private-key "${CORVANTIDE_SETTINGS_KEY}" --in "${CORVANTIDE_JIRA_SETTINGS}"
            --out "${jira_enc}"
    DEPENDS encrypt-settings "${CORVANTIDE_SETTINGS_KEY}" "${CORVANTIDE_JIRA_SETTINGS}"
    COMMENT "Encrypting the settings into Resources/jira.enc" VERBATIM)
add_custom_target(jira_settings ALL DEPENDS "${jira_enc}")
add_dependencies(bundle_resources jira_settings)

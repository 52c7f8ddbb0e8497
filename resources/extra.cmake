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

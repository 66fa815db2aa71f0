# Install layout (GNUInstallDirs) and the Debian package (CPack DEB).
# The installed programs find their data by a path relative to their own folder, so the package
# works from /usr or any other prefix; the build tree mirrors that layout beside src/app.
include(GNUInstallDirs)

set(TAVLO_APP_ID com.velsor.TavloGenerator)
file(RELATIVE_PATH TAVLO_RELATIVE_DATA_DIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/tavlo-generator)
get_filename_component(TAVLO_BUILD_DATA_DIR ${PROJECT_BINARY_DIR}/src/app/${TAVLO_RELATIVE_DATA_DIR} ABSOLUTE)
set(TAVLO_FULL_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/tavlo-generator)
set(TAVLO_SCREENSHOT_URL "https://velsor.invalid/tavlo-generator/screenshots" CACHE STRING
    "Where the AppStream screenshots made by scripts/screenshots are published")

function(tavlo_install_programs)
  install(TARGETS ${ARGN} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

set(CPACK_PACKAGE_NAME tavlo-generator)
set(CPACK_PACKAGE_VENDOR Velsor)
set(CPACK_PACKAGE_CONTACT "Velsor <support@velsor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn flat artwork into a 3D product picture")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts the program names (Arial, Times New Roman, Tahoma resolve to these) and the GL driver.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
# CPack puts the summary on the first line and indents this text below it.
set(CPACK_PACKAGE_DESCRIPTION "Tavlo Generator is a five-step wizard that turns the flat artwork of a
product into a lit three-dimensional picture of a software box, book, thin
book, special report, electronic magazine or CD case, with an optional
shadow, saved as GIF, JPEG, BMP, TIFF or PNG.

The command-line companion tavlo renders the same pictures without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)

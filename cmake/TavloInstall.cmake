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

# Two packages: "tavlo", the command-line companion with the sample templates (what a render
# server or a container installs, nothing of widgets or X), and "tavlo-generator", the window
# program, which depends on it. Every install() names its package's component, cli or gui.
function(tavlo_install_program target component)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
endfunction()

set(CPACK_PACKAGE_NAME tavlo-generator)
set(CPACK_PACKAGE_VENDOR Velsor)
set(CPACK_PACKAGE_CONTACT "Velsor <support@velsor.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli gui)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME tavlo)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME tavlo-generator)
# The window program needs the command-line package of its very version ("tavlo (= 1.56)").
set(CPACK_COMPONENT_GUI_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Fonts the program names (Arial, Times New Roman, Tahoma resolve to these), Mesa's EGL and GL
# drivers (rendering without a display) and Qt's PNG/TIFF/WebP readers; none of them is X.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS
    "fonts-liberation, fonts-dejavu-core, libegl-mesa0, libgl1-mesa-dri, qt6-image-formats-plugins")
# The first line of each description is the package's summary; CPack indents the rest below it.
set(CPACK_DEBIAN_CLI_DESCRIPTION "render Tavlo Generator's 3D product pictures without a display
tavlo is the command-line companion of Tavlo Generator: it converts
pictures, composes texture atlases and renders the lit three-dimensional
picture of a software box, book, thin book, special report, electronic
magazine or CD case from face pictures, a project or a template, one at a
time or a whole CSV catalogue at once (tavlo batch).

It renders with Mesa through EGL and needs no X server, no display and no
widget library, so render servers and containers install this package alone.
The sample templates come with it.")
set(CPACK_DEBIAN_GUI_DESCRIPTION "turn flat artwork into a 3D product picture
Tavlo Generator is a five-step wizard that turns the flat artwork of a
product into a lit three-dimensional picture of a software box, book, thin
book, special report, electronic magazine or CD case, with an optional
shadow, saved as GIF, JPEG, BMP, TIFF or PNG.

The command-line companion tavlo (its own package) renders the same pictures
without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)

# `tavlo` runs on render servers and in containers without a display: it must link neither Qt's
# widgets nor any X library. tavlo_require_headless(TARGET) fails the build when it does, twice:
#  - at configure time, when the target's link closure names Qt Widgets, OpenGL widgets or X11;
#  - after every link, when the built program's NEEDED entries name such a library (this also
#    catches what the closure cannot see, such as a library named by path or a linker flag).
# Qt's GUI library itself brings OpenGL::GLX into every closure; the linker drops it unless a
# symbol of it is used, so GLX is checked on the built program only.
set(TAVLO_HEADLESS_FORBIDDEN_TARGETS "^(Qt6?::(Widgets|WidgetsPrivate|OpenGLWidgets)|X11::.*|tavlo_ui|tavlo_render_widget|tavlo_editor|tavlo_templates|tavlo_app)$")
set(TAVLO_HEADLESS_FORBIDDEN_SONAMES "^lib(Qt6(Widgets|OpenGLWidgets)|X[A-Za-z0-9-]*|xcb[a-z0-9-]*|xkbcommon-x11|GLX)\\.so")

# The targets and libraries `target` links, directly or through the interfaces of what it links.
function(tavlo_link_closure target out_var)
  get_target_property(queue ${target} LINK_LIBRARIES)
  set(seen)
  while(queue)
    list(POP_FRONT queue item)
    # $<LINK_ONLY:X> (a static library's private link) and $<TARGET_NAME_IF_EXISTS:X> stand for X.
    string(REGEX REPLACE "^\\$<(LINK_ONLY|TARGET_NAME_IF_EXISTS):(.*)>$" "\\2" item "${item}")
    if(item STREQUAL "" OR item MATCHES "^(\\$<|::@)" OR item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(aliased ${item} ALIASED_TARGET)
      if(aliased)
        list(APPEND queue ${aliased})
      endif()
      get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
      if(interface)
        list(APPEND queue ${interface})
      endif()
    endif()
  endwhile()
  set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

function(_tavlo_check_closure target)
  tavlo_link_closure(${target} closure)
  set(forbidden)
  foreach(item IN LISTS closure)
    if(item MATCHES "${TAVLO_HEADLESS_FORBIDDEN_TARGETS}" OR item MATCHES "(^|/)lib(Qt6Widgets|X11|xcb)")
      list(APPEND forbidden ${item})
    endif()
  endforeach()
  if(forbidden)
    list(JOIN forbidden ", " forbidden)
    message(FATAL_ERROR "${target} must run without a display, but links ${forbidden}. "
                        "Move what it needs below the widgets (ui and raster at the bottom, see CMakeLists.txt).")
  endif()
endfunction()

function(tavlo_require_headless target)
  # Checked once every folder has added its libraries and links (a deferred call's arguments are
  # expanded when it runs, so the name is written in now).
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _tavlo_check_closure [[${target}]])")
  if(NOT CMAKE_READELF)
    find_program(CMAKE_READELF readelf)
  endif()
  if(NOT CMAKE_READELF)
    message(FATAL_ERROR "readelf (binutils) is needed to check that ${target} links no widgets or X libraries")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DREADELF=${CMAKE_READELF} -DPROGRAM=$<TARGET_FILE:${target}>
            "-DFORBIDDEN=${TAVLO_HEADLESS_FORBIDDEN_SONAMES}"
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/TavloCheckNeeded.cmake
    VERBATIM)
endfunction()

# FLTK's base library and headers, all the desktop layer uses. Without the
# skips, FindFLTK also demands the OpenGL headers, fluid and the forms and
# images libraries, and calls FLTK missing where only one of those is: on a
# fresh machine with libfltk1.3-dev alone it would not be found. Sets
# FLTK_FOUND, FLTK_INCLUDE_DIR and FLTK_LIBRARIES, and the imported target
# ZivroFLTK::FLTK that carries them, which the desktop layer links: its
# installed targets name it, not this machine's paths. Installed beside
# zivroConfig.cmake, so a user's find_package(zivro) looks for it the same way.
# FLTK's own CMake export names /usr/bin/fluid, so the fluid package is still
# needed where it is installed (scripts/install-deps.sh installs it).
set(FLTK_SKIP_OPENGL ON)
set(FLTK_SKIP_FORMS ON)
set(FLTK_SKIP_IMAGES ON)
set(FLTK_SKIP_FLUID ON)
find_package(FLTK QUIET)
if(FLTK_FOUND AND NOT TARGET ZivroFLTK::FLTK)
  add_library(ZivroFLTK::FLTK INTERFACE IMPORTED)
  set_target_properties(ZivroFLTK::FLTK PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${FLTK_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "${FLTK_LIBRARIES}")
endif()

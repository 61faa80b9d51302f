# Installing the package for programs of its users: the header, the static
# libraries of the desktop and headless layers (each with the archive that
# holds its main()), a CMake package config giving zivro::zivro and
# zivro::headless, and pkg-config files zivro.pc and zivro-headless.pc.
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/include/zivro.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES $<TARGET_FILE:zivro_headless_main> $<TARGET_FILE:zivro_headless>
        DESTINATION ${CMAKE_INSTALL_LIBDIR})
set(ZIVRO_INSTALL_DESKTOP ${ZIVRO_HAVE_DESKTOP})
if(ZIVRO_HAVE_DESKTOP)
  install(FILES $<TARGET_FILE:zivro_desktop_main> $<TARGET_FILE:zivro_desktop>
          DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# X11 goes with the desktop layer on Linux only (the layer's display probe).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(ZIVRO_X11_LINK "X11;")
  set(ZIVRO_X11_FLAG "-lX11 ")
else()
  set(ZIVRO_X11_LINK "")
  set(ZIVRO_X11_FLAG "")
endif()

set(ZIVRO_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zivro)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zivroConfig.cmake.in
               ${PROJECT_BINARY_DIR}/zivroConfig.cmake @ONLY)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zivroConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zivroConfig.cmake
              ${PROJECT_BINARY_DIR}/zivroConfigVersion.cmake
              ${CMAKE_CURRENT_LIST_DIR}/find_fltk.cmake
        DESTINATION ${ZIVRO_CONFIG_DIR})

foreach(pc zivro-headless zivro)
  if(pc STREQUAL "zivro" AND NOT ZIVRO_HAVE_DESKTOP)
    continue()
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

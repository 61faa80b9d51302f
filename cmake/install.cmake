# Installing the package for programs of its users: the header, the static
# libraries of the layers this build is for, and a CMake package config
# (lib/cmake/zivro) whose exported targets are
#   zivro::zivro     the windowed layer: desktop (FLTK) on Linux, win32 on
#                    Windows, web under Emscripten;
#   zivro::headless  the headless layer, whose main() is the replay runner
#                    (Linux).
# On Linux, zivro::zivro and zivro::headless are the archives that hold a
# main() (the desktop one calls the program's WinMain); each links the layer
# itself (zivro::desktop_layer, zivro::headless_layer), which a program with
# its own main() may link instead. Each layer's archive holds the objects of
# the package core and of the portable files, so no object library is
# installed. Linux also gets pkg-config files zivro.pc and zivro-headless.pc;
# Windows gets the MinGW toolchain files in share/zivro, so that a program is
# cross-built against the prefix alone; the web build gets the FreeType,
# libpng and zlib archives its layer links.

install(FILES ${PROJECT_SOURCE_DIR}/include/zivro.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(ZIVRO_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zivro)
set(ZIVRO_INSTALL_DESKTOP OFF)

if(EMSCRIPTEN)
  set(ZIVRO_EXPORTED zivro_web)
  set_target_properties(zivro_web PROPERTIES EXPORT_NAME zivro)
  install(FILES ${ZIVRO_WEB_ARCHIVES} DESTINATION ${CMAKE_INSTALL_LIBDIR})
elseif(WIN32)
  set(ZIVRO_EXPORTED zivro_win32)
  set_target_properties(zivro_win32 PROPERTIES EXPORT_NAME zivro)
  if(MINGW)
    # A program built against the prefix runs with no MinGW DLL beside it,
    # as this build's programs do (the presets' -static): the C and C++
    # runtimes and winpthread are linked into it. Its linker may be the C
    # compiler's.
    target_link_libraries(zivro_win32 INTERFACE $<INSTALL_INTERFACE:stdc++>)
    target_link_options(zivro_win32 INTERFACE $<INSTALL_INTERFACE:-static>)
  endif()
  # A cross build's toolchain files, each with its prefix added to the roots that
  # find_package searches: the cross build looks in the MinGW-w64 sysroot
  # alone otherwise, and would not find the package.
  set(toolchains)
  if(CMAKE_CROSSCOMPILING)
    set(toolchains toolchain-mingw-x86_64.cmake toolchain-mingw-i686.cmake)
  endif()
  foreach(toolchain IN LISTS toolchains)
    file(READ ${PROJECT_SOURCE_DIR}/cmake/${toolchain} toolchain_text)
    file(WRITE ${PROJECT_BINARY_DIR}/share/${toolchain} "${toolchain_text}" [=[

# Installed in share/zivro of a prefix holding the package built for Windows:
# that prefix is searched as the sysroot is.
get_filename_component(ZIVRO_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${ZIVRO_PREFIX}")
]=])
    install(FILES ${PROJECT_BINARY_DIR}/share/${toolchain} DESTINATION ${CMAKE_INSTALL_DATADIR}/zivro)
  endforeach()
else()
  set(ZIVRO_EXPORTED zivro_headless_main zivro_headless)
  set_target_properties(zivro_headless_main PROPERTIES EXPORT_NAME headless)
  set_target_properties(zivro_headless PROPERTIES EXPORT_NAME headless_layer)
  if(ZIVRO_HAVE_DESKTOP)
    set(ZIVRO_INSTALL_DESKTOP ON)
    list(APPEND ZIVRO_EXPORTED zivro_desktop_main zivro_desktop)
    set_target_properties(zivro_desktop_main PROPERTIES EXPORT_NAME zivro)
    set_target_properties(zivro_desktop PROPERTIES EXPORT_NAME desktop_layer)
  endif()
  # The C++ runtime comes along, for a program whose linker is the C
  # compiler's (a project of LANGUAGES C).
  foreach(layer zivro_headless zivro_desktop)
    if(TARGET ${layer})
      target_link_libraries(${layer} INTERFACE $<INSTALL_INTERFACE:stdc++> $<INSTALL_INTERFACE:m>)
    endif()
  endforeach()
endif()

install(TARGETS ${ZIVRO_EXPORTED} EXPORT zivroTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT zivroTargets NAMESPACE zivro:: DESTINATION ${ZIVRO_CONFIG_DIR})

# The config refuses a project built for another system, in one line that
# says how to build for this one.
set(ZIVRO_INSTALLED_FOR ${CMAKE_SYSTEM_NAME})
set(ZIVRO_INSTALLED_POINTER_SIZE ${CMAKE_SIZEOF_VOID_P})
if(EMSCRIPTEN)
  set(ZIVRO_HOW_TO_TARGET "configure the project with emcmake cmake")
elseif(WIN32 AND CMAKE_CROSSCOMPILING)
  get_filename_component(toolchain "${CMAKE_TOOLCHAIN_FILE}" NAME)
  set(ZIVRO_HOW_TO_TARGET "configure the project with -DCMAKE_TOOLCHAIN_FILE=<prefix>/${CMAKE_INSTALL_DATADIR}/zivro/${toolchain}")
elseif(WIN32)
  set(ZIVRO_HOW_TO_TARGET "configure the project with MinGW-w64's compilers")
else()
  set(ZIVRO_HOW_TO_TARGET "configure the project with no cross toolchain file")
endif()
include(CMakePackageConfigHelpers)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zivroConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/zivroConfig.cmake
                              INSTALL_DESTINATION ${ZIVRO_CONFIG_DIR} NO_SET_AND_CHECK_MACRO)
# The config itself tells a build for another system or word size which
# toolchain the prefix wants; the version file would only turn it away.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zivroConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_BINARY_DIR}/zivroConfig.cmake
              ${PROJECT_BINARY_DIR}/zivroConfigVersion.cmake
        DESTINATION ${ZIVRO_CONFIG_DIR})
if(ZIVRO_INSTALL_DESKTOP)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/find_fltk.cmake DESTINATION ${ZIVRO_CONFIG_DIR})
endif()

if(NOT WIN32 AND NOT EMSCRIPTEN)
  # X11 goes with the desktop layer on Linux only (the layer's display probe).
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(ZIVRO_X11_FLAG "-lX11 ")
  else()
    set(ZIVRO_X11_FLAG "")
  endif()
  foreach(pc zivro-headless zivro)
    if(pc STREQUAL "zivro" AND NOT ZIVRO_INSTALL_DESKTOP)
      continue()
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  endforeach()
endif()

# zivro_add_web_page(TARGET [SINGLE_FILE] [ASSETS FILE...] [SCRIPT FILE])
#
# Makes the program TARGET (an executable linked to zivro::zivro, in an
# Emscripten build) a web page, in the target's RUNTIME_OUTPUT_DIRECTORY
# (by default web/ of the current build directory):
#
#   TARGET.html, TARGET.js, TARGET.wasm, TARGET.data, zivro.js, zivro.css
#     a folder any static web host serves (not opened from a file: a browser
#     lets a page opened so load no program);
#   with SINGLE_FILE, TARGET.html alone, holding all of it: it opens from a
#     file and can be mailed as it is.
#
# TARGET.data holds the two faces of the package's texts, each ASSETS file
# (named relative to the current source directory, read by the program at
# that name) and the SCRIPT file as ZIVRO.SCR, the script the page records
# and plays until a script of the browser's storage replaces it ("Play from
# start" plays it, as the address TARGET.html?play does).
#
# Installed, this file is in lib/cmake/zivro of the prefix and finds the page
# in share/zivro/web; the source tree names its own files before including it.
include_guard(GLOBAL)

if(ZIVRO_WEB_PAGE_DIR)
  # The source tree's faces, which its build may make.
  set(_zivro_web_faces ${ZIVRO_WEB_SANS_FACE} ${ZIVRO_WEB_MONO_FACE})
else()
  get_filename_component(_zivro_web_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
  set(ZIVRO_WEB_PAGE_DIR ${_zivro_web_prefix}/share/zivro/web)
  set(_zivro_web_faces ${ZIVRO_WEB_PAGE_DIR}/fonts/sans.ttf ${ZIVRO_WEB_PAGE_DIR}/fonts/mono.ttf)
  foreach(_zivro_web_file ${ZIVRO_WEB_PAGE_DIR}/play.html ${ZIVRO_WEB_PAGE_DIR}/zivro.js
                          ${ZIVRO_WEB_PAGE_DIR}/zivro.css ${_zivro_web_faces})
    if(NOT EXISTS ${_zivro_web_file})
      message(FATAL_ERROR "zivro web page: ${_zivro_web_file} is missing (install the web build of zivro)")
    endif()
  endforeach()
endif()
# Kept where the function finds them from any directory of the project.
set_property(GLOBAL PROPERTY ZIVRO_WEB_PAGE_DIR ${ZIVRO_WEB_PAGE_DIR})
set_property(GLOBAL PROPERTY ZIVRO_WEB_FACES ${_zivro_web_faces})
set_property(GLOBAL PROPERTY ZIVRO_WEB_INLINER ${CMAKE_CURRENT_LIST_DIR}/zivro_web_inline.py)

# Writes FILE only when CONTENT differs, so that what is made from it is not
# made again at each configure.
function(zivro_web_write file content)
  if(EXISTS ${file})
    file(READ ${file} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${file} "${content}")
endfunction()

# The files a program reads in the page, such as the pictures it draws: each
# FILE, named relative to DIRECTORY, is packed into the program's NAME.data at
# the same relative name in the page's working directory.
function(zivro_web_assets name directory)
  foreach(file IN LISTS ARGN)
    target_link_options(${name} PRIVATE "SHELL:--preload-file ${directory}/${file}@/${file}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${directory}/${file})
  endforeach()
endfunction()

function(zivro_add_web_page target)
  cmake_parse_arguments(PARSE_ARGV 1 page "SINGLE_FILE" "SCRIPT" "ASSETS")
  if(page_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zivro_add_web_page(${target}): unknown arguments ${page_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT EMSCRIPTEN)
    message(FATAL_ERROR "zivro_add_web_page(${target}): a web page needs an Emscripten build (emcmake cmake ...)")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "zivro_add_web_page(${target}): not an executable target")
  endif()
  get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT folder)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/web)
  endif()

  get_property(page_directory GLOBAL PROPERTY ZIVRO_WEB_PAGE_DIR)
  get_property(faces GLOBAL PROPERTY ZIVRO_WEB_FACES)
  get_property(inliner GLOBAL PROPERTY ZIVRO_WEB_INLINER)
  list(GET faces 0 sans)
  list(GET faces 1 mono)

  # The package is C++: a project of C alone links with emcc, which links
  # the C++ libraries as em++ does.
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if("CXX" IN_LIST languages)
    set(linker CXX)
  else()
    set(linker C)
  endif()
  set_target_properties(${target} PROPERTIES SUFFIX ".js" LINKER_LANGUAGE ${linker})
  # Without a build type the link optimizes all the same: else the page is
  # more than twice the size and its waits (Asyncify) slow.
  target_link_options(${target} PRIVATE $<$<STREQUAL:$<CONFIG>,>:-O3>)
  target_link_options(${target} PRIVATE "SHELL:--preload-file ${sans}@/fonts/sans.ttf"
                      "SHELL:--preload-file ${mono}@/fonts/mono.ttf")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${sans} ${mono})
  zivro_web_assets(${target} ${CMAKE_CURRENT_SOURCE_DIR} ${page_ASSETS})
  if(page_SCRIPT)
    get_filename_component(script ${page_SCRIPT} ABSOLUTE)
    target_link_options(${target} PRIVATE "SHELL:--preload-file ${script}@/ZIVRO.SCR")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  endif()

  # The player page of this program: play.html naming it, with no link to a
  # list of programs.
  file(READ ${page_directory}/play.html html)
  set(charset "<meta charset=\"utf-8\">")
  set(programs "<a href=\"index.html\">Programs</a>")
  string(FIND "${html}" "${charset}" at)
  if(at LESS 0)
    message(FATAL_ERROR "zivro web page: ${page_directory}/play.html has no ${charset}")
  endif()
  string(REPLACE "${charset}" "${charset}\n<meta name=\"zivro-program\" content=\"${target}\">"
         html "${html}")
  string(REPLACE "\n  ${programs}" "" html "${html}")
  string(REPLACE "<title>ZIVRO</title>" "<title>${target} - ZIVRO</title>" html "${html}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${page_directory}/play.html)

  if(NOT page_SINGLE_FILE)
    zivro_web_write(${folder}/${target}.html "${html}")
    foreach(page_file zivro.js zivro.css)
      configure_file(${page_directory}/${page_file} ${folder}/${page_file} COPYONLY)
    endforeach()
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
    return()
  endif()

  # One file: the program is linked beside the page's parts, which the
  # inliner puts into TARGET.html with the wasm and the data in base64.
  find_program(ZIVRO_PYTHON3 python3)
  if(NOT ZIVRO_PYTHON3)
    message(FATAL_ERROR "zivro_add_web_page(${target} SINGLE_FILE): python3 not found (install python3)")
  endif()
  set(parts ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.page)
  zivro_web_write(${parts}/${target}.html "${html}")
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${parts})
  add_custom_command(
      OUTPUT ${folder}/${target}.html
      COMMAND ${ZIVRO_PYTHON3} ${inliner} ${parts}/${target}.html
              ${page_directory} ${folder}/${target}.html
      DEPENDS ${target} ${parts}/${target}.html ${inliner}
              ${page_directory}/zivro.js ${page_directory}/zivro.css
      COMMENT "One page of ${target}: ${folder}/${target}.html"
      VERBATIM)
  add_custom_target(${target}-page ALL DEPENDS ${folder}/${target}.html)
endfunction()

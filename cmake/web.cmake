# The web layer's targets, included from package/CMakeLists.txt in an
# Emscripten build (the `web` preset).
# A library built for Emscripten from Debian's source by one of our scripts:
# its prefix in VARIABLE (a cache path, asked of the script unless given),
# and a stop in one line unless the file that shows it built is there.
function(zivro_web_library variable script built what)
  set(${variable} "" CACHE PATH "${what} built for Emscripten (scripts/${script})")
  if(NOT ${variable})
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/${script} --print-prefix
                    OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(${variable} ${prefix} PARENT_SCOPE)
    # The prefix names the build's flags: a new script may name another one.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/scripts/${script})
  else()
    set(prefix ${${variable}})
  endif()
  if(NOT EXISTS "${prefix}/${built}")
    message(FATAL_ERROR "${what} for the web not found in ${prefix}: run scripts/install-deps.sh web")
  endif()
endfunction()

zivro_web_library(ZIVRO_WEB_FREETYPE web-freetype.sh lib/libfreetype.a FreeType)
# zlib and libpng for the page's pictures, built likewise from the Debian
# sources of the native ones.
zivro_web_library(ZIVRO_WEB_LIBPNG web-libpng.sh lib/libpng.a "zlib and libpng")

# The faces the other layers resolve through fontconfig: Liberation Sans
# for the proportional texts, DejaVu Sans Mono for the fixed-pitch font.
find_file(ZIVRO_WEB_SANS_SOURCE LiberationSans-Regular.ttf
          PATHS /usr/share/fonts/truetype/liberation2 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_file(ZIVRO_WEB_MONO_SOURCE DejaVuSansMono.ttf
          PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZIVRO_WEB_SANS_SOURCE)
  message(FATAL_ERROR "Liberation Sans not found: install fonts-liberation2")
endif()
if(NOT ZIVRO_WEB_MONO_SOURCE)
  message(FATAL_ERROR "DejaVu Sans Mono not found: install fonts-dejavu-core")
endif()
# The page gets each face cut down to the glyphs of the characters the
# package's text can name: the Windows-1252 bytes as the code points
# raster/text.cpp maps them to (0x00-0xFF, the C1 controls Windows leaves
# undefined included, and the 27 characters of 0x80-0x9F). The glyphs keep
# their outlines and instructions, and the tables FreeType hints and measures
# with (fpgm, prep, cvt, gasp, maxp, OS/2, hhea) are kept as they are, so the
# page draws the very pixels of the whole faces; only the kerning and layout
# tables, which the package never reads, go.
find_program(ZIVRO_PYFTSUBSET pyftsubset)
if(NOT ZIVRO_PYFTSUBSET)
  message(FATAL_ERROR "pyftsubset not found: install fonttools (scripts/install-deps.sh web)")
endif()
set(ZIVRO_WEB_FACE_CODES
    "U+0000-007F,U+0081,U+008D,U+008F,U+0090,U+009D,U+00A0-00FF,U+0152,U+0153,U+0160,U+0161,U+0178,U+017D,U+017E,U+0192,U+02C6,U+02DC,U+2013,U+2014,U+2018-201A,U+201C-201E,U+2020-2022,U+2026,U+2030,U+2039,U+203A,U+20AC,U+2122")
set(ZIVRO_WEB_SANS_FACE ${PROJECT_BINARY_DIR}/faces/LiberationSans-Regular.ttf
    CACHE INTERNAL "The page's proportional face, made from ZIVRO_WEB_SANS_SOURCE")
set(ZIVRO_WEB_MONO_FACE ${PROJECT_BINARY_DIR}/faces/DejaVuSansMono.ttf
    CACHE INTERNAL "The page's fixed-pitch face, made from ZIVRO_WEB_MONO_SOURCE")
foreach(face SANS MONO)
  add_custom_command(
      OUTPUT ${ZIVRO_WEB_${face}_FACE}
      COMMAND ${ZIVRO_PYFTSUBSET} ${ZIVRO_WEB_${face}_SOURCE} --unicodes=${ZIVRO_WEB_FACE_CODES}
              --hinting --notdef-glyph --notdef-outline --layout-features= --name-IDs=*
              --name-languages=* --name-legacy --no-prune-unicode-ranges
              --output-file=${ZIVRO_WEB_${face}_FACE}
      DEPENDS ${ZIVRO_WEB_${face}_SOURCE}
      COMMENT "Subsetting ${ZIVRO_WEB_${face}_SOURCE} for the page" VERBATIM)
endforeach()
add_custom_target(zivro_web_faces DEPENDS ${ZIVRO_WEB_SANS_FACE} ${ZIVRO_WEB_MONO_FACE})

add_library(zivro_web STATIC
    ${ZIVRO_PORTABLE_SOURCES}
    platform/portable/png_files.cpp
    platform/web/web_layer.cpp
    platform/web/web_dialog.cpp
    platform/web/web_main.cpp)
target_include_directories(zivro_web SYSTEM PRIVATE ${ZIVRO_WEB_FREETYPE}/include/freetype2
                           ${ZIVRO_WEB_LIBPNG}/include)
# Without fontconfig the faces are read from the page's file system; both
# are TrueType, so FreeType's drivers of other formats stay out.
target_compile_definitions(zivro_web PRIVATE ZIVRO_FONT_DIRECTORY="/fonts"
                                             ZIVRO_TRUETYPE_MODULES_ONLY)
# FreeType, libpng and zlib are installed beside libzivro_web.a
# (cmake/install.cmake): the installed target names them in its own prefix.
set(ZIVRO_WEB_ARCHIVES ${ZIVRO_WEB_FREETYPE}/lib/libfreetype.a ${ZIVRO_WEB_LIBPNG}/lib/libpng.a
                       ${ZIVRO_WEB_LIBPNG}/lib/libz.a)
set(ZIVRO_WEB_ARCHIVES ${ZIVRO_WEB_ARCHIVES} PARENT_SCOPE)
target_link_libraries(zivro_web PUBLIC $<BUILD_INTERFACE:zivro_core> PRIVATE $<BUILD_INTERFACE:zivro_internals>)
foreach(archive IN LISTS ZIVRO_WEB_ARCHIVES)
  get_filename_component(archive_name ${archive} NAME)
  target_link_libraries(zivro_web PUBLIC $<BUILD_INTERFACE:${archive}>
                        $<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${CMAKE_INSTALL_LIBDIR}/${archive_name}>)
endforeach()

# The page, shared by every program: build/web/site/index.html lists them.
set(ZIVRO_WEB_SITE ${PROJECT_BINARY_DIR}/site CACHE INTERNAL "")
set(ZIVRO_WEB_PAGE_FILES play.html zivro.js zivro.css)
foreach(page_file IN LISTS ZIVRO_WEB_PAGE_FILES)
  configure_file(platform/web/page/${page_file} ${ZIVRO_WEB_SITE}/${page_file} COPYONLY)
endforeach()
set_property(GLOBAL PROPERTY ZIVRO_WEB_PROGRAMS "")

# index.html links every program zivro_web_program made, with the text of its
# ZIVRO_WEB_DESCRIPTION property; written once the whole project is read.
function(zivro_web_write_index)
  get_property(programs GLOBAL PROPERTY ZIVRO_WEB_PROGRAMS)
  set(ZIVRO_WEB_PROGRAM_LIST "")
  foreach(program IN LISTS programs)
    get_target_property(description ${program} ZIVRO_WEB_DESCRIPTION)
    string(APPEND ZIVRO_WEB_PROGRAM_LIST "  <li><a href=\"play.html?${program}\">${program}</a>")
    if(description)
      string(APPEND ZIVRO_WEB_PROGRAM_LIST ": ${description}")
    endif()
    string(APPEND ZIVRO_WEB_PROGRAM_LIST "</li>\n")
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/package/platform/web/page/index.html
                 ${ZIVRO_WEB_SITE}/index.html @ONLY)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL zivro_web_write_index)

# Every file of the site also gzipped and in Brotli (FILE.gz, FILE.br), for a
# server that sends them as they are; made once all the programs are linked.
find_program(ZIVRO_GZIP gzip)
find_program(ZIVRO_BROTLI brotli)
if(NOT ZIVRO_GZIP OR NOT ZIVRO_BROTLI)
  message(FATAL_ERROR "gzip or brotli not found: install brotli (scripts/install-deps.sh web)")
endif()
function(zivro_web_compress_site)
  get_property(programs GLOBAL PROPERTY ZIVRO_WEB_PROGRAMS)
  add_custom_target(zivro_web_compressed ALL
      COMMAND ${CMAKE_COMMAND} -DSITE=${ZIVRO_WEB_SITE} -DGZIP=${ZIVRO_GZIP}
              -DBROTLI=${ZIVRO_BROTLI} -P ${PROJECT_SOURCE_DIR}/cmake/web_compress.cmake
      COMMENT "Compressing the files of ${ZIVRO_WEB_SITE}" VERBATIM)
  if(programs)
    add_dependencies(zivro_web_compressed ${programs})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL zivro_web_compress_site)

# How every program on the web layer is linked, in the source tree and
# installed (the interface of zivro::zivro).
target_link_options(zivro_web INTERFACE
      -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
      # The rasterizer and FreeType never wait: left as they are, they run
      # at full speed, and the program is smaller. Nor do operator new (its
      # only indirect call is the new-handler, which no program sets) and
      # the C library's formatting (its writes go to the console or to
      # memory): left in, their indirect calls would have every drawing call
      # that allocates or formats, and so most of a frame, instrumented.
      "-sASYNCIFY_REMOVE=['raster::*','FT_*','ft_*','tt_*','TT_*','af_*','gray_*','sfnt_*','ps_*','operator new*','printf_core','__vfprintf_internal','vsnprintf','snprintf','vfiprintf','fiprintf','siprintf','out','pad','fmt_fp','pop_arg','__fwritex','fwrite']"
      -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
      -sEXPORTED_FUNCTIONS=_main,_malloc,_free -sEXPORTED_RUNTIME_METHODS=FS,HEAPU8
      -sENVIRONMENT=web -sINVOKE_RUN=1)

# zivro_add_web_page and zivro_web_assets, on the page files of the source
# tree; installed with them for programs of the package's users.
set(ZIVRO_WEB_PAGE_DIR ${PROJECT_SOURCE_DIR}/package/platform/web/page)
include(${PROJECT_SOURCE_DIR}/cmake/zivroWebPage.cmake)

# A program in the page: NAME.js, NAME.wasm and NAME.data (the two faces)
# beside play.html, which runs it as play.html?NAME, and its own NAME.html.
function(zivro_web_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE zivro_web)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZIVRO_WEB_SITE})
  # The subset faces are made by the build: before the page packs them.
  add_dependencies(${name} zivro_web_faces)
  zivro_add_web_page(${name})
  set_property(GLOBAL APPEND PROPERTY ZIVRO_WEB_PROGRAMS ${name})
endfunction()

# What a user's project needs to make its programs pages: the page, the
# faces and zivro_add_web_page.
include(GNUInstallDirs)
install(FILES ${ZIVRO_WEB_PAGE_DIR}/play.html ${ZIVRO_WEB_PAGE_DIR}/zivro.js
              ${ZIVRO_WEB_PAGE_DIR}/zivro.css
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zivro/web)
install(FILES ${ZIVRO_WEB_SANS_FACE} DESTINATION ${CMAKE_INSTALL_DATADIR}/zivro/web/fonts
        RENAME sans.ttf)
install(FILES ${ZIVRO_WEB_MONO_FACE} DESTINATION ${CMAKE_INSTALL_DATADIR}/zivro/web/fonts
        RENAME mono.ttf)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/zivroWebPage.cmake
              ${PROJECT_SOURCE_DIR}/cmake/zivro_web_inline.py
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zivro)

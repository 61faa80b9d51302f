# Compiles a source of the package core with the core's own flags: once as
# it is, which must succeed, and once with each stray include put in front,
# which must fail for the reason given. Shows that the build keeps the core
# away from the layers' private headers and from FreeType.
#
# cmake -DCXX=... -DSOURCE=... -DINCLUDES=a|b -DDEFINES=X|Y -P core_layering.cmake
string(REPLACE "|" ";" includes "${INCLUDES}")
string(REPLACE "|" ";" defines "${DEFINES}")
set(flags -std=c++20 -fsyntax-only)
foreach(dir IN LISTS includes)
  list(APPEND flags "-I${dir}")
endforeach()
foreach(definition IN LISTS defines)
  list(APPEND flags "-D${definition}")
endforeach()

execute_process(COMMAND ${CXX} ${flags} ${SOURCE} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SOURCE} does not compile with the core's flags:\n${errors}")
endif()

set(failures 0)
foreach(stray_and_reason
    "platform/raster/text.h=layer-private header in the package core"
    "platform/portable/objects.h=layer-private header in the package core"
    "platform/headless/headless.h=layer-private header in the package core"
    "ft2build.h=ft2build.h: No such file")
  string(FIND "${stray_and_reason}" "=" at)
  string(SUBSTRING "${stray_and_reason}" 0 ${at} stray)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${stray_and_reason}" ${at} -1 reason)
  execute_process(COMMAND ${CXX} ${flags} -include ${stray} ${SOURCE}
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(status EQUAL 0)
    message(SEND_ERROR "the core compiles with #include <${stray}>")
    math(EXPR failures "${failures} + 1")
  elseif(NOT errors MATCHES "${reason}")
    message(SEND_ERROR "#include <${stray}> fails, but not with \"${reason}\":\n${errors}")
    math(EXPR failures "${failures} + 1")
  else()
    message(STATUS "refused as it should be: ${stray}")
  endif()
endforeach()

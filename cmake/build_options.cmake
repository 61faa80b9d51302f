# The project's own compile and link options, carried by one interface
# target rather than set for every target in the tree: the package links it
# (for its own build only), so the game, the examples, the tests and the
# benchmarks built here get the same warnings and sanitizers, and a program
# that links the installed package gets none of them.
add_library(zivro_build_options INTERFACE)
target_compile_options(zivro_build_options INTERFACE
    $<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang,AppleClang>:-Wall -Wextra>
    $<$<COMPILE_LANG_AND_ID:C,GNU,Clang,AppleClang>:-Wall -Wextra>
    $<$<COMPILE_LANG_AND_ID:CXX,MSVC>:/W4>
    $<$<COMPILE_LANG_AND_ID:C,MSVC>:/W4>)

if(EMSCRIPTEN)
  # The browser runs the wasm with SIMD (the pixel loops, vectorized as on
  # the desktop) and bulk memory (memcpy and memset as single instructions
  # rather than a call out to JavaScript for each large copy).
  target_compile_options(zivro_build_options INTERFACE -msimd128 -mbulk-memory)
  target_link_options(zivro_build_options INTERFACE -msimd128 -mbulk-memory)
endif()

if(ZIVRO_SANITIZE)
  target_compile_options(zivro_build_options INTERFACE
      -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zivro_build_options INTERFACE -fsanitize=address,undefined)
endif()

if(ZIVRO_FUZZ)
  # Coverage for the fuzzers reaches into the package's own code.
  target_compile_options(zivro_build_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(zivro_build_options INTERFACE -fsanitize=address,undefined)
endif()

# WebAssembly with Debian's Emscripten (package emscripten), SIMD128 on: the
# browser page, and the tests under Node, which CMake starts them with. Node
# cannot fetch a separate .wasm by its file path, so each test program is one
# .js file, and reads its standard input straight from Node (NODERAWFS).
# Exceptions are caught, as elsewhere (Emscripten's default leaves them uncaught).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CXX_FLAGS_INIT "-msimd128 -sDISABLE_EXCEPTION_CATCHING=0")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-sDISABLE_EXCEPTION_CATCHING=0 -sALLOW_MEMORY_GROWTH=1 -sSINGLE_FILE=1 -sNODERAWFS=1")

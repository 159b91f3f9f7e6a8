# WASI, which CMake 3.25 does not know yet: a program is one WebAssembly
# module, linked statically.
set(WASI 1)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)

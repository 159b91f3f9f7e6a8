# Builds the programs as WebAssembly modules on WASI (wasm32-wasi) with zig
# 0.11's clang (on PATH, or named by ZIG), for the browser's page. Node's
# WASI runs them for the suites, as qemu-user runs another machine's.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# One build of wasi-libc and zig's C++ runtime, as for musl. That runtime
# has no exceptions on WASI, so the test tools throw none either.
set(CMAKE_CXX_FLAGS_INIT "-O2 -fno-lto -fno-exceptions")
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-warnings
    ${CMAKE_CURRENT_LIST_DIR}/../tests/wasi.mjs)

# Builds static x86-64 programs on musl, Alpine's C library, with zig's
# clang (zig 0.11, on PATH or named by ZIG in the environment). They run
# here as they are.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-musl-c++)
# zig builds musl and its C++ runtime, minutes of work, once for each kind
# of link it sees: unoptimised ones keep frame pointers, and a link from
# source optimises at link time. Every link here, the compiler's
# identification among them, is optimised and not at link time: one build.
set(CMAKE_CXX_FLAGS_INIT "-O2 -fno-lto")

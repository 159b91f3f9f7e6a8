# Builds static programs on musl, Alpine's C library, with zig's clang (zig
# 0.11, on PATH or named by ZIG in the environment), for the machine named
# by ROSTER_ZIG_MACHINE: x86_64, run here as they are; aarch64, run under
# qemu-user; or armv6, 32-bit ARM with hard floats for every Raspberry Pi
# (armv6l and armv7l alike), run under qemu-user as a Pi Zero's processor.
set(ROSTER_ZIG_MACHINE x86_64 CACHE STRING "Machine of the musl programs: x86_64, aarch64 or armv6")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ROSTER_ZIG_MACHINE)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${ROSTER_ZIG_MACHINE})
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
# zig builds musl and its C++ runtime, minutes of work, once for each kind
# of link it sees: unoptimised ones keep frame pointers, and a link from
# source optimises at link time. Every link here, the compiler's
# identification among them, is optimised and not at link time: one build.
set(CMAKE_CXX_FLAGS_INIT "-O2 -fno-lto")
# Packages are stripped by the machine's own binutils (Debian's cross
# compilers bring them).
set(binutils ${ROSTER_ZIG_MACHINE}-linux-gnu)
set(emulator qemu-${ROSTER_ZIG_MACHINE})
if(ROSTER_ZIG_MACHINE STREQUAL armv6)
  include(${CMAKE_CURRENT_LIST_DIR}/zig-armv6.cmake)
  set(CMAKE_CXX_COMPILER_TARGET arm-linux-musleabihf)
  string(APPEND CMAKE_CXX_FLAGS_INIT " ${ROSTER_ARMV6_FLAGS}")
  set(binutils arm-linux-gnueabihf)
  set(emulator qemu-arm -cpu arm1176)
else()
  set(CMAKE_CXX_COMPILER_TARGET ${ROSTER_ZIG_MACHINE}-linux-musl)
endif()
find_program(CMAKE_STRIP NAMES ${binutils}-strip strip)
if(NOT ROSTER_ZIG_MACHINE STREQUAL CMAKE_HOST_SYSTEM_PROCESSOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator})
endif()

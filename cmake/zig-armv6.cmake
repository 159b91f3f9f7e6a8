# Flags for the ARM1176, the processor of the Pi Zero and Pi 1: ARMv6 with
# VFPv2 and Thumb-1 alone, which every later 32-bit ARM runs too. zig builds
# its own start files and runtime for it. On 32-bit ARM clang's unwind
# tables name the C++ unwinder, which zig's driver would then link in;
# nothing in the programs unwinds.
set(ROSTER_ARMV6_FLAGS "-mcpu=arm1176jzf_s -fno-unwind-tables -fno-asynchronous-unwind-tables")

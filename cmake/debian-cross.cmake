# Builds for the Debian architecture named by DEB_HOST_ARCH in the
# environment (amd64, arm64, armel, armhf, i386, mips64el, ppc64el, riscv64,
# s390x): Debian's g++-TRIPLET, the flags dpkg-buildflags gives that
# architecture, and qemu-user to run the programs and test tools built for
# another machine than this one.
if(NOT DEFINED ENV{DEB_HOST_ARCH})
  message(FATAL_ERROR "Name the Debian architecture to build for: DEB_HOST_ARCH=armhf, say")
endif()
set(arch $ENV{DEB_HOST_ARCH})

function(ask_dpkg variable)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE answer ERROR_QUIET
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY
    WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/..)
  set(${variable} "${answer}" PARENT_SCOPE)
endfunction()
ask_dpkg(triplet dpkg-architecture -a${arch} -qDEB_HOST_GNU_TYPE)
ask_dpkg(cpu dpkg-architecture -a${arch} -qDEB_HOST_GNU_CPU)
# As a Debian package build passes them: the preprocessor's flags with the
# compiler's. The project adds its own only where these choose nothing.
ask_dpkg(cppflags env DEB_HOST_ARCH=${arch} dpkg-buildflags --get CPPFLAGS)
ask_dpkg(cxxflags env DEB_HOST_ARCH=${arch} dpkg-buildflags --get CXXFLAGS)
ask_dpkg(ldflags env DEB_HOST_ARCH=${arch} dpkg-buildflags --get LDFLAGS)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${cpu})
# The Debian package is for that architecture.
set(ROSTER_DEBIAN_ARCH ${arch})
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_CXX_FLAGS_INIT "${cppflags} ${cxxflags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ldflags}")
# Debian's armhf compiler builds for ARMv7 (Thumb-2, VFPv3-D16), and so are
# its C library's start files: such a program dies at its first instruction
# on a Pi Zero or a Pi 1. zig 0.11 builds for their ARMv6 against glibc
# 2.34's symbols, start files included, position-independent as Debian's
# compiler builds, and never at link time: one build of its C++ runtime,
# which it crashes building that way for 32-bit ARM. Debian's armhf C
# library is linked first, so that every call binds to libc.so.6 itself:
# zig's stand-in for libpthread.so.0 would take read and write.
if(arch STREQUAL armhf)
  include(${CMAKE_CURRENT_LIST_DIR}/zig-armv6.cmake)
  set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
  set(CMAKE_CXX_COMPILER_TARGET arm-linux-gnueabihf.2.34)
  set(CMAKE_CXX_FLAGS_INIT "${ROSTER_ARMV6_FLAGS} -fno-lto -fPIE ${CMAKE_CXX_FLAGS_INIT}")
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-pie ${ldflags}")
  set(CMAKE_CXX_STANDARD_LIBRARIES_INIT /usr/${triplet}/lib/libc.so.6)
  # The machine's own binutils strip and read the programs.
  find_program(CMAKE_STRIP ${triplet}-strip)
  find_program(CMAKE_READELF ${triplet}-readelf)
  find_program(CMAKE_OBJDUMP ${triplet}-objdump)
endif()

# Another machine's programs run under qemu, which names a few processors
# its own way; this machine's run as they are.
ask_dpkg(build_arch dpkg-architecture -qDEB_BUILD_ARCH)
if(arch STREQUAL build_arch)
  return()
endif()
set(qemu ${cpu})
if(cpu MATCHES "^i[3-6]86$")
  set(qemu i386)
elseif(cpu STREQUAL "powerpc64le")
  set(qemu ppc64le)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu};-L;/usr/${triplet})

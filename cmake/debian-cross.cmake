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

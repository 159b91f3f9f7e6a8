# Read by cpack for every package it makes. A Debian package built for
# another machine depends on the C library at the lowest version its
# programs' symbols need: the highest GLIBC_ version among them, which is
# what dpkg-shlibdeps finds in that library's symbols file.
if(NOT CPACK_GENERATOR STREQUAL "DEB" OR NOT CPACK_ROSTER_READELF)
  return()
endif()
set(needed 0)
foreach(program IN LISTS CPACK_ROSTER_PROGRAMS)
  execute_process(COMMAND ${CPACK_ROSTER_READELF} --dyn-syms --wide ${program}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "@GLIBC_[0-9.]+" versions "${symbols}")
  foreach(version IN LISTS versions)
    string(REPLACE "@GLIBC_" "" version ${version})
    if(version VERSION_GREATER needed)
      set(needed ${version})
    endif()
  endforeach()
endforeach()
if(needed)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${needed})")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6")
endif()

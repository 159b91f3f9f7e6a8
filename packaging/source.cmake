# Read by cpack for every package it makes. The source package, the release
# tarball roster-VERSION.tar.gz, holds exactly the files git tracks, as they
# stand in the work tree, under roster-VERSION/: nothing a build made,
# nothing of git.
if(NOT CPACK_GENERATOR STREQUAL "TGZ")
  return()
endif()
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -c core.quotePath=false ls-files
                  WORKING_DIRECTORY ${CPACK_ROSTER_SOURCE_DIR}
                  OUTPUT_VARIABLE tracked RESULT_VARIABLE status)
endif()
if(NOT GIT OR NOT status EQUAL 0)
  message(FATAL_ERROR "a release tarball is made from a git checkout")
endif()
get_filename_component(build ${CPACK_SOURCE_OUTPUT_CONFIG_FILE} DIRECTORY)
set(stage ${build}/_CPack_Packages/tracked)
file(REMOVE_RECURSE ${stage})
string(STRIP "${tracked}" tracked)
string(REPLACE "\n" ";" tracked "${tracked}")
foreach(path IN LISTS tracked)
  get_filename_component(folder ${path} DIRECTORY)
  file(COPY ${CPACK_ROSTER_SOURCE_DIR}/${path} DESTINATION ${stage}/${folder})
endforeach()
set(CPACK_INSTALLED_DIRECTORIES ${stage} /)
set(CPACK_PACKAGING_INSTALL_PREFIX "")

# Lays out the Octave package and packs it (cmake -P). Variables:
#   SOURCE  the repository   STAGE  a work folder (emptied)
#   NAME    the tarball's top folder, <name>-<version>   OUTPUT  the tarball
# The package carries every source its src/Makefile compiles.
file(REMOVE_RECURSE ${STAGE})
set(top ${STAGE}/${NAME})
file(COPY ${SOURCE}/octave/package/DESCRIPTION ${SOURCE}/octave/package/INDEX
          ${SOURCE}/octave/package/COPYING ${SOURCE}/octave/package/post_install.m
     DESTINATION ${top})
# The help of the two functions, from the texts mexhost shows too; post_install.m
# puts them beside the MEX files.
include(${SOURCE}/docs/help/help.cmake)
foreach(name vextrab vextral)
  xt_write_help_m(${name} ${top}/help/${name}.m)
endforeach()
file(COPY ${SOURCE}/octave/package/src/Makefile ${SOURCE}/octave/package/src/FILES
     DESTINATION ${top}/src)
foreach(dir runtime host driver line solver)
  foreach(part include src)
    if(EXISTS ${SOURCE}/${dir}/${part})
      file(COPY ${SOURCE}/${dir}/${part} DESTINATION ${top}/src/${dir})
    endif()
  endforeach()
endforeach()
# mexhost's plug-in loader, which the bridge reads library plug-ins with.
file(COPY ${SOURCE}/mexhost/loader/mexlibrary_loader.hpp ${SOURCE}/mexhost/loader/mexlibrary_loader.cpp
     DESTINATION ${top}/src/mexhost/loader)
file(COPY ${SOURCE}/octave/src/vextrab_bridge.cpp DESTINATION ${top}/src/bridge)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${OUTPUT} ${NAME}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not pack ${OUTPUT}")
endif()

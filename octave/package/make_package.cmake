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

# src/sources.mk: the files src/Makefile compiles, from the units' sources.cmake (the
# lists their CMakeLists.txt build from), relative to the package's src/.
set(XT_PLUGIN_TARGETS "")
set(unit_of "")
foreach(unit runtime runtime/mex host/services solver line driver host/binding)
  list(LENGTH XT_PLUGIN_TARGETS before)
  include(${SOURCE}/${unit}/sources.cmake)
  list(LENGTH XT_PLUGIN_TARGETS after)
  while(before LESS after)
    list(GET XT_PLUGIN_TARGETS ${before} target)
    set(${target}_UNIT ${unit})
    math(EXPR before "${before} + 1")
  endwhile()
endforeach()
include(${SOURCE}/mexhost/loader/sources.cmake)
include(${SOURCE}/octave/sources.cmake)
set(mh_plugin_loader_UNIT mexhost/loader)
set(vextrab_octave_bridge_UNIT octave)
# The files of the given targets, each under its unit's folder.
function(xt_package_files out)
  set(files "")
  foreach(target IN LISTS ARGN)
    foreach(file IN LISTS ${target}_SOURCES)
      list(APPEND files ${${target}_UNIT}/${file})
    endforeach()
  endforeach()
  list(JOIN files " " text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
set(common ${XT_PLUGIN_TARGETS})
list(REMOVE_ITEM common vextrab vextral ${vextrab_CHOICES} ${vextral_CHOICES})
xt_package_files(common_files ${common})
xt_package_files(vextrab_files vextrab ${vextrab_CHOICES})
xt_package_files(vextral_files vextral ${vextral_CHOICES})
xt_package_files(bridge_files vextrab_octave_bridge mh_plugin_loader)
file(WRITE ${top}/src/sources.mk
  "# Written when the package is packed, from the units' sources.cmake.\n"
  "COMMON_SOURCES := ${common_files}\n"
  "VEXTRAB_SOURCES := ${vextrab_files}\n"
  "VEXTRAL_SOURCES := ${vextral_files}\n"
  "BRIDGE_SOURCES := ${bridge_files}\n")
foreach(dir runtime runtime/mex host/services host/binding driver line solver)
  foreach(part include src)
    if(EXISTS ${SOURCE}/${dir}/${part})
      file(COPY ${SOURCE}/${dir}/${part} DESTINATION ${top}/src/${dir})
    endif()
  endforeach()
endforeach()
# mexhost's plug-in loader, which the bridge reads library plug-ins with.
file(COPY ${SOURCE}/mexhost/loader/mexlibrary_loader.hpp ${SOURCE}/mexhost/loader/mexlibrary_loader.cpp
     DESTINATION ${top}/src/mexhost/loader)
file(COPY ${SOURCE}/octave/src/vextrab_bridge.cpp DESTINATION ${top}/src/octave/src)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${OUTPUT} ${NAME}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not pack ${OUTPUT}")
endif()

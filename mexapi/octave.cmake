# GNU Octave's MEX API as the INTERFACE target xt_mexapi_octave: its include
# folders, and liboctinterp and liboctave as mkoctfile links them, with
# -Bsymbolic as mkoctfile does, so a plug-in's references to its own symbols
# never bind elsewhere. Nothing is defined when mkoctfile is not found.
find_program(XT_MKOCTFILE NAMES mkoctfile)
if(NOT XT_MKOCTFILE)
  message(STATUS "mkoctfile not found: the Octave build and its tests are skipped")
  return()
endif()

# A mkoctfile configuration variable, split into a list.
function(xt_mkoctfile_variable name out)
  execute_process(COMMAND ${XT_MKOCTFILE} -p ${name}
                  OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "mkoctfile -p ${name} failed")
  endif()
  separate_arguments(value UNIX_COMMAND "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

xt_mkoctfile_variable(INCFLAGS octave_incflags)
xt_mkoctfile_variable(OCTLIBDIR octave_libdir)
xt_mkoctfile_variable(OCTAVE_LIBS octave_libs)
set(octave_includes "")
foreach(flag IN LISTS octave_incflags)
  if(flag MATCHES "^-I(.+)$")
    get_filename_component(dir "${CMAKE_MATCH_1}" ABSOLUTE)
    list(APPEND octave_includes "${dir}")
  endif()
endforeach()

add_library(xt_mexapi_octave INTERFACE)
target_include_directories(xt_mexapi_octave INTERFACE ${octave_includes})
target_link_libraries(xt_mexapi_octave INTERFACE "-L${octave_libdir}" ${octave_libs}
                                                 -Wl,-Bsymbolic)

set(XT_OCTAVE_INCLUDE_DIRS "${octave_includes}" CACHE INTERNAL "Octave's include folders")
# The folder of Octave's MEX files (vextral.mex, vextrab.so, vextrab.mex), which the
# Octave tests add to Octave's path.
set(XT_OCTAVE_MEX_DIR ${CMAKE_BINARY_DIR}/octave CACHE INTERNAL "Folder of the Octave MEX files")

# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
list(APPEND XT_PLUGIN_TARGETS xt_runtime_mex)
set(xt_runtime_mex_SOURCES src/services_mex.cpp src/mxconvert.cpp)

# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
list(APPEND XT_PLUGIN_TARGETS xt_driver xt_driver_top)
set(xt_driver_SOURCES src/ftrapez.cpp src/cleaning.cpp src/termination.cpp)
set(xt_driver_top_SOURCES src/vextrab.cpp)

# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
set(vextrab_octave_bridge_SOURCES src/vextrab_bridge.cpp)

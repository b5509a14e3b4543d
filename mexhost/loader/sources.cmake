# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
set(mh_plugin_loader_SOURCES mexlibrary_loader.cpp)

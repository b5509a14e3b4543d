# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
list(APPEND XT_PLUGIN_TARGETS xt_line xt_line_drawing)
set(xt_line_SOURCES src/plattm.cpp src/strip_lu.cpp)
set(xt_line_drawing_SOURCES src/cross_section.cpp)

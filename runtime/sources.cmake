# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
list(APPEND XT_PLUGIN_TARGETS xt_runtime)
set(xt_runtime_SOURCES
  src/array.cpp
  src/text.cpp
  src/error.cpp
  src/index.cpp
  src/build.cpp
  src/arith.cpp
  src/functions.cpp
  src/linalg.cpp
  src/system_lu.cpp
  src/fft.cpp
)

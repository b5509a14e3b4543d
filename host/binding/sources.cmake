# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
list(APPEND XT_PLUGIN_TARGETS xt_bodies xt_binding vextrab vextral)
set(xt_bodies_SOURCES src/bodies.cpp)
set(xt_binding_SOURCES src/feval.cpp)
# The entry point of each deliverable, and its link-time choices (host/services
# targets; <api> left off where they have one).
set(vextrab_SOURCES src/vextrab_library.cpp)
set(vextrab_CHOICES xt_literals_table xt_flips_by_name)
set(vextral_SOURCES src/vextral_function.cpp)
set(vextral_CHOICES xt_literals_local xt_flips_local)

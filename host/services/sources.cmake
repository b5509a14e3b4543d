# The sources of this unit's targets, relative to this folder: read by CMakeLists.txt
# and by the Octave package (octave/package/make_package.cmake), which compiles the same
# files with mkoctfile.
# The targets of a link-time choice are named without their <api> suffix.
list(APPEND XT_PLUGIN_TARGETS xt_literals xt_literals_local xt_flips_local xt_literals_table
                              xt_flips_by_name xt_calls)
set(xt_literals_SOURCES src/literals.cpp)
set(xt_literals_local_SOURCES src/literals_local.cpp)
set(xt_flips_local_SOURCES src/flips_local.cpp)
set(xt_literals_table_SOURCES src/constant_table.cpp)
set(xt_flips_by_name_SOURCES src/flips_by_name.cpp)
set(xt_calls_SOURCES src/stubs.cpp)

# The Octave package: octave_package packs crosstalk-<version>.tar.gz into the
# build's octave folder; `pkg install` compiles it with mkoctfile.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/DESCRIPTION version_line REGEX "^Version:")
string(REGEX REPLACE "^Version: *" "" version "${version_line}")
if(NOT version VERSION_EQUAL PROJECT_VERSION)
  message(FATAL_ERROR "octave/package/DESCRIPTION says version ${version}, the project "
                      "${PROJECT_VERSION}: make them agree")
endif()
set(name crosstalk-${version})
set(XT_OCTAVE_PACKAGE ${CMAKE_CURRENT_BINARY_DIR}/${name}.tar.gz CACHE INTERNAL
    "The Octave package tarball")
file(GLOB_RECURSE package_inputs CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/runtime/include/* ${PROJECT_SOURCE_DIR}/runtime/src/*
  ${PROJECT_SOURCE_DIR}/runtime/mex/include/* ${PROJECT_SOURCE_DIR}/runtime/mex/src/*
  ${PROJECT_SOURCE_DIR}/host/services/include/* ${PROJECT_SOURCE_DIR}/host/services/src/*
  ${PROJECT_SOURCE_DIR}/host/binding/include/* ${PROJECT_SOURCE_DIR}/host/binding/src/*
  ${PROJECT_SOURCE_DIR}/driver/include/* ${PROJECT_SOURCE_DIR}/driver/src/*
  ${PROJECT_SOURCE_DIR}/line/include/* ${PROJECT_SOURCE_DIR}/line/src/*
  ${PROJECT_SOURCE_DIR}/solver/include/* ${PROJECT_SOURCE_DIR}/solver/src/*
  ${PROJECT_SOURCE_DIR}/runtime/sources.cmake ${PROJECT_SOURCE_DIR}/runtime/mex/sources.cmake
  ${PROJECT_SOURCE_DIR}/host/services/sources.cmake ${PROJECT_SOURCE_DIR}/host/binding/sources.cmake
  ${PROJECT_SOURCE_DIR}/driver/sources.cmake ${PROJECT_SOURCE_DIR}/line/sources.cmake
  ${PROJECT_SOURCE_DIR}/solver/sources.cmake ${PROJECT_SOURCE_DIR}/octave/sources.cmake
  ${PROJECT_SOURCE_DIR}/mexhost/loader/* ${PROJECT_SOURCE_DIR}/octave/src/*
  ${PROJECT_SOURCE_DIR}/docs/help/*
  ${CMAKE_CURRENT_LIST_DIR}/*)
add_custom_command(OUTPUT ${XT_OCTAVE_PACKAGE}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}
          -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/package -DNAME=${name}
          -DOUTPUT=${XT_OCTAVE_PACKAGE} -P ${CMAKE_CURRENT_LIST_DIR}/make_package.cmake
  DEPENDS ${package_inputs}
  COMMENT "Packing the Octave package ${name}.tar.gz")
add_custom_target(octave_package ALL DEPENDS ${XT_OCTAVE_PACKAGE})

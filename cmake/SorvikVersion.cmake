# The program's version, kept here and nowhere else. Everything that shows or sends it takes it
# from here: the generated header sorvik_version.h (window title, About box, update check), the
# version resource of each executable (sorvik_version_resource) and the package file names
# (scripts/package reads sorvik-version.txt from the build folder).
set(SORVIK_VERSION 1.3.4)
# The number the update check sends to the server; the server compares it with its own.
set(SORVIK_VERSION_CHECK_NUMBER 10008)
set(SORVIK_PRODUCT_NAME "Sorvik")
set(SORVIK_COMPANY_NAME "Northpine Software")
set(SORVIK_COPYRIGHT "Copyright (C) 2026 ${SORVIK_COMPANY_NAME}")

string(REPLACE "." "," SORVIK_VERSION_COMMAS "${SORVIK_VERSION}")
set(SORVIK_VERSION_COMMAS "${SORVIK_VERSION_COMMAS},0")
set(SORVIK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/sorvik_version.h.in ${SORVIK_GENERATED_DIR}/sorvik_version.h
               @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/sorvik-version.txt "${SORVIK_VERSION}\n")
include_directories(${SORVIK_GENERATED_DIR})
set(SORVIK_VERSION_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/version)
if(WIN32)
  enable_language(RC)
endif()

# sorvik_version_resource(<target> <file name> <description> [COMMON_CONTROLS_6])
#
# Gives the executable <target> a version resource (product, company, version, its file name and
# description) and an application manifest that runs it as the invoking user; with
# COMMON_CONTROLS_6 the manifest also asks for version 6 of the common controls. Does nothing
# outside the Win32 build.
function(sorvik_version_resource target file_name description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "COMMON_CONTROLS_6" "" "" ${ARGN})
  set(SORVIK_FILE_NAME "${file_name}")
  set(SORVIK_FILE_DESCRIPTION "${description}")
  set(SORVIK_MANIFEST_NAME "${target}")
  set(SORVIK_MANIFEST_DEPENDENCY "")
  if(ARG_COMMON_CONTROLS_6)
    file(READ ${SORVIK_VERSION_TEMPLATES}/common_controls_6.manifest.in SORVIK_MANIFEST_DEPENDENCY)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_version)
  configure_file(${SORVIK_VERSION_TEMPLATES}/app.manifest.in ${dir}/${target}.manifest @ONLY)
  set(SORVIK_MANIFEST_FILE ${dir}/${target}.manifest)
  configure_file(${SORVIK_VERSION_TEMPLATES}/version.rc.in ${dir}/version.rc @ONLY)
  # windres takes none of the C++ options of the folders; the object library drops them.
  add_library(${target}_version OBJECT ${dir}/version.rc)
  set_property(TARGET ${target}_version PROPERTY COMPILE_OPTIONS -c 65001)
  set_source_files_properties(${dir}/version.rc PROPERTIES OBJECT_DEPENDS
                              "${dir}/${target}.manifest;${SORVIK_GENERATED_DIR}/sorvik_version.h")
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_version>)
endfunction()

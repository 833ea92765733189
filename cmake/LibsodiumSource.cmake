# sorvik_libsodium_from_source(<root>)
#
# The imported target `sodium`: libsodium built for the cross compiler from Debian's source
# package with Debian's patches applied (they carry security fixes), by scripts/fetch-libsodium
# into the build folder on first use. Only the core and the signatures are built.
function(sorvik_libsodium_from_source root)
  set(SORVIK_LIBSODIUM_DIR "${CMAKE_BINARY_DIR}/deps/libsodium" CACHE PATH
      "libsodium built from Debian's patched sources")
  if(NOT EXISTS "${SORVIK_LIBSODIUM_DIR}/lib/libsodium.a")
    message(STATUS "Building libsodium from Debian's source package into ${SORVIK_LIBSODIUM_DIR}")
    execute_process(COMMAND ${root}/scripts/fetch-libsodium "${SORVIK_LIBSODIUM_DIR}"
                    RESULT_VARIABLE fetch_result)
    if(NOT fetch_result EQUAL 0)
      message(FATAL_ERROR "libsodium could not be built into ${SORVIK_LIBSODIUM_DIR}")
    endif()
  endif()
  add_library(sodium STATIC IMPORTED GLOBAL)
  set_target_properties(sodium PROPERTIES
    IMPORTED_LOCATION "${SORVIK_LIBSODIUM_DIR}/lib/libsodium.a"
    INTERFACE_INCLUDE_DIRECTORIES "${SORVIK_LIBSODIUM_DIR}/include"
    # The headers declare the functions as DLL imports unless told the library is static.
    INTERFACE_COMPILE_DEFINITIONS "SODIUM_STATIC=1")
  # RtlGenRandom, the random source of the key generator.
  set_property(TARGET sodium PROPERTY INTERFACE_LINK_LIBRARIES advapi32)
endfunction()

# sorvik_tinyxml_from_source(<root> [compile options...])
#
# The target `tinyxml` compiled from Debian's source package of TinyXML with Debian's patches
# applied (they carry security fixes), fetched by scripts/fetch-tinyxml into the build folder on
# first use. <root> is the checkout; extra options go to the library's own compilation.
function(sorvik_tinyxml_from_source root)
  set(SORVIK_TINYXML_DIR "${CMAKE_BINARY_DIR}/deps/tinyxml" CACHE PATH "Patched TinyXML sources")
  if(NOT EXISTS "${SORVIK_TINYXML_DIR}/tinyxml.cpp")
    execute_process(COMMAND ${root}/scripts/fetch-tinyxml "${SORVIK_TINYXML_DIR}"
                    RESULT_VARIABLE fetch_result)
    if(NOT fetch_result EQUAL 0)
      message(FATAL_ERROR "TinyXML sources could not be fetched into ${SORVIK_TINYXML_DIR}")
    endif()
  endif()
  add_library(tinyxml STATIC
    ${SORVIK_TINYXML_DIR}/tinyxml.cpp ${SORVIK_TINYXML_DIR}/tinyxmlerror.cpp
    ${SORVIK_TINYXML_DIR}/tinyxmlparser.cpp ${SORVIK_TINYXML_DIR}/tinystr.cpp)
  target_include_directories(tinyxml SYSTEM PUBLIC ${SORVIK_TINYXML_DIR})
  target_compile_definitions(tinyxml PUBLIC TIXML_USE_STL)
  target_compile_options(tinyxml PRIVATE -w ${ARGN})
endfunction()

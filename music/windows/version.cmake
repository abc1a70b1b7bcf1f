# The release's version (release_version.h, one for both deliverables), as the
# tests and the release archive name it, and the library's version block.
set(version_header ${CMAKE_SOURCE_DIR}/release_version.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${version_header})
file(READ ${version_header} version_text)
string(REGEX MATCH "#define RELEASE_VERSION_MAJOR ([0-9]+)" found "${version_text}")
set(major "${CMAKE_MATCH_1}")
string(REGEX MATCH "#define RELEASE_VERSION_MINOR ([0-9]+)" found "${version_text}")
set(minor "${CMAKE_MATCH_1}")
string(REGEX MATCH "#define RELEASE_VERSION \"([^\"]*)\"" found "${version_text}")
# The text and the numbers of the version block must say the same.
if(major STREQUAL "" OR minor STREQUAL "" OR NOT CMAKE_MATCH_1 STREQUAL "${major}.${minor}")
  message(FATAL_ERROR "${version_header}: RELEASE_VERSION must read \"MAJOR.MINOR\" of the two numbers")
endif()
set(MELVANE_VERSION ${CMAKE_MATCH_1} CACHE INTERNAL "")
set(MELVANE_VERSION_RC ${CMAKE_CURRENT_SOURCE_DIR}/melvane.rc CACHE INTERNAL "")
set_source_files_properties(${MELVANE_VERSION_RC} PROPERTIES OBJECT_DEPENDS ${version_header})

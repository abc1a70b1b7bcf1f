# The library's version block. A release carries one version number, the
# game's (the FileVersion string of game/window/orvo.rc, "MAJOR.MINOR"), so
# the library's is read from there.
set(game_rc ${CMAKE_SOURCE_DIR}/game/window/orvo.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${game_rc})
file(STRINGS ${game_rc} version_line REGEX "VALUE \"FileVersion\"")
if(NOT version_line MATCHES "\"([0-9]+)\\.([0-9]+)\"")
  message(FATAL_ERROR "no FileVersion \"MAJOR.MINOR\" in ${game_rc}")
endif()
set(MELVANE_VERSION_MAJOR ${CMAKE_MATCH_1})
set(MELVANE_VERSION_MINOR ${CMAKE_MATCH_2})
set(MELVANE_VERSION ${CMAKE_MATCH_1}.${CMAKE_MATCH_2} CACHE INTERNAL "")
set(MELVANE_VERSION_RC ${CMAKE_CURRENT_BINARY_DIR}/melvane.rc CACHE INTERNAL "")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/melvane.rc.in ${MELVANE_VERSION_RC} @ONLY)

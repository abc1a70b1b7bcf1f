# The song check (tools/melvane-check-song) built for the build machine, as
# this is a cross build: only the loader and what it needs, as the check never
# renders. Built only when a module other than the built-in song is embedded.
find_program(HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(MELVANE_CHECK_SONG ${CMAKE_BINARY_DIR}/host/melvane-check-song CACHE INTERNAL "")

set(loader_sources memory player_state song_model sources xm_input xm_instruments xm_loader)
list(TRANSFORM loader_sources PREPEND ${CMAKE_SOURCE_DIR}/music/front/)
list(TRANSFORM loader_sources APPEND .cpp)
set(check_source ${CMAKE_SOURCE_DIR}/tools/melvane-check-song/check_song.cpp)
file(GLOB loader_headers CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/music/front/*.h ${CMAKE_SOURCE_DIR}/music/replay/*.h)

add_custom_command(
  OUTPUT ${MELVANE_CHECK_SONG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${HOST_CXX} -std=c++17 -O1 -Wall -Wextra -I${CMAKE_SOURCE_DIR}/music
    ${check_source} ${loader_sources} -o ${MELVANE_CHECK_SONG}
  DEPENDS ${check_source} ${loader_sources} ${loader_headers}
  COMMENT "Building the song check for the build machine")
add_custom_target(melvane_check_song DEPENDS ${MELVANE_CHECK_SONG})

# check_song_file(PATH): stops the configuration when MELVANE_SONG names no
# readable file, which the build would otherwise only find out as a missing
# input with no rule to make it.
function(check_song_file path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "MELVANE_SONG: ${path} does not exist")
  elseif(IS_DIRECTORY "${path}")
    message(FATAL_ERROR "MELVANE_SONG: ${path} is a directory")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${path}" RESULT_VARIABLE unreadable OUTPUT_QUIET ERROR_QUIET)
  if(unreadable)
    message(FATAL_ERROR "MELVANE_SONG: ${path} cannot be read")
  endif()
endfunction()

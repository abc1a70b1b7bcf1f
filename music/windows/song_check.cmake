# The song check (tools/melvane-check-song) built for the build machine, as
# this is a cross build: only the song layer (the loader and what it needs), as
# the check never renders. Built only when a module other than the built-in
# song is embedded.
find_program(HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(MELVANE_CHECK_SONG ${CMAKE_BINARY_DIR}/host/melvane-check-song CACHE INTERNAL "")

file(GLOB loader_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/music/song/*.cpp)
file(GLOB loader_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/music/song/*.h)
set(check_source ${CMAKE_SOURCE_DIR}/tools/melvane-check-song/check_song.cpp)

add_custom_command(
  OUTPUT ${MELVANE_CHECK_SONG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${HOST_CXX} -std=c++17 -O1 -Wall -Wextra -I${CMAKE_SOURCE_DIR}/music -I${CMAKE_SOURCE_DIR}
    ${check_source} ${loader_sources} -o ${MELVANE_CHECK_SONG}
  DEPENDS ${check_source} ${loader_sources} ${loader_headers} ${CMAKE_SOURCE_DIR}/support/file_bytes.h
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

# The song check (tools/melvane-check-song) built for the build machine, as
# this is a cross build: the platform-free layers of the library, which load
# the module and render its first pass, and the shared helpers. Built only
# when a module other than the built-in song is embedded.
find_program(HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(MELVANE_CHECK_SONG ${CMAKE_BINARY_DIR}/host/melvane-check-song CACHE INTERNAL "")

file(GLOB check_sources CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/music/song/*.cpp ${CMAKE_SOURCE_DIR}/music/replay/*.cpp ${CMAKE_SOURCE_DIR}/music/render/*.cpp
  ${CMAKE_SOURCE_DIR}/support/*.cpp ${CMAKE_SOURCE_DIR}/tools/melvane-check-song/*.cpp)
file(GLOB check_headers CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/music/song/*.h ${CMAKE_SOURCE_DIR}/music/replay/*.h ${CMAKE_SOURCE_DIR}/music/render/*.h
  ${CMAKE_SOURCE_DIR}/support/*.h)

add_custom_command(
  OUTPUT ${MELVANE_CHECK_SONG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${HOST_CXX} -std=c++17 -O1 -Wall -Wextra -ffp-contract=off -I${CMAKE_SOURCE_DIR}/music -I${CMAKE_SOURCE_DIR}
    ${check_sources} -o ${MELVANE_CHECK_SONG}
  DEPENDS ${check_sources} ${check_headers}
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

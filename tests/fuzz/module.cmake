set(FUZZ_LIBRARIES melvane_session)

# The seed writer is an ordinary program of the native build.
if(NOT FUZZ AND NOT TARGET make_module_seeds)
  add_executable(make_module_seeds ${CMAKE_CURRENT_SOURCE_DIR}/make_module_seeds.cpp
                 ${CMAKE_SOURCE_DIR}/tests/music/support/xm_writer.cpp)
  target_include_directories(make_module_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tests/music)
  target_link_libraries(make_module_seeds PRIVATE melvane_core)
endif()

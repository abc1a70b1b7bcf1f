set(FUZZ_LIBRARIES orvo_rules)
set(FUZZ_EXTRA_SOURCES ${CMAKE_SOURCE_DIR}/tools/orvo-cli/script.cpp ${CMAKE_SOURCE_DIR}/tools/orvo-cli/state_text.cpp)

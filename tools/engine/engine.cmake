# korvel4-engine: LEVEL4 behind a text protocol on standard input and output.
add_library(korvel4_engine_lib STATIC ${CMAKE_SOURCE_DIR}/tools/engine/notation.cpp
            ${CMAKE_SOURCE_DIR}/tools/engine/engine_session.cpp)
target_link_libraries(korvel4_engine_lib PUBLIC korvel4_core)
target_include_directories(korvel4_engine_lib PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(korvel4_engine_lib PRIVATE KORVEL4_ENGINE_VERSION="${PROJECT_VERSION}")
find_package(Threads REQUIRED)
target_link_libraries(korvel4_engine_lib PUBLIC Threads::Threads)
add_executable(korvel4-engine ${CMAKE_SOURCE_DIR}/tools/engine/main.cpp)
target_link_libraries(korvel4-engine PRIVATE korvel4_engine_lib)

if(GTest_FOUND)
  add_executable(engine_tests ${CMAKE_SOURCE_DIR}/tests/tools/engine_protocol_test.cpp)
  target_link_libraries(engine_tests PRIVATE korvel4_engine_lib GTest::gtest_main)
  target_include_directories(engine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(engine_tests PROPERTIES TIMEOUT 120)
endif()
# The program itself on a pipe: garbage, an endless line and a line end missing at the end.
add_test(NAME engine_pipe
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/engine_pipe.sh $<TARGET_FILE:korvel4-engine>)
set_tests_properties(engine_pipe PROPERTIES TIMEOUT 120)

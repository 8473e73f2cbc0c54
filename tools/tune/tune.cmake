# korvel4-tune: level 4's evaluation weights fitted to self-play results.
add_library(korvel4_tune_lib STATIC ${CMAKE_SOURCE_DIR}/tools/tune/texel.cpp)
target_link_libraries(korvel4_tune_lib PUBLIC korvel4_core)
target_include_directories(korvel4_tune_lib PUBLIC ${CMAKE_SOURCE_DIR})
add_executable(korvel4-tune ${CMAKE_SOURCE_DIR}/tools/tune/main.cpp)
target_link_libraries(korvel4-tune PRIVATE korvel4_tune_lib korvel4_match_lib Threads::Threads)

if(GTest_FOUND)
  add_executable(tune_tests ${CMAKE_SOURCE_DIR}/tests/tools/tune_test.cpp)
  target_link_libraries(tune_tests PRIVATE korvel4_tune_lib GTest::gtest_main)
  gtest_discover_tests(tune_tests PROPERTIES TIMEOUT 300)
endif()
# A small run end to end: the file it writes is weights korvel4-match reads.
add_test(NAME tune_smoke
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/tune_smoke.sh
          $<TARGET_FILE:korvel4-tune> $<TARGET_FILE:korvel4-match>)
set_tests_properties(tune_smoke PROPERTIES TIMEOUT 300)

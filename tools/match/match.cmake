# korvel4-match: whole games between computer teams without a window, for tuning the deep
# search by results.
add_library(korvel4_match_lib STATIC ${CMAKE_SOURCE_DIR}/tools/match/match_game.cpp)
target_link_libraries(korvel4_match_lib PUBLIC korvel4_core)
target_include_directories(korvel4_match_lib PUBLIC ${CMAKE_SOURCE_DIR})
find_package(Threads REQUIRED)
add_executable(korvel4-match ${CMAKE_SOURCE_DIR}/tools/match/main.cpp)
target_link_libraries(korvel4-match PRIVATE korvel4_match_lib Threads::Threads)
target_compile_definitions(korvel4-match
  PRIVATE KORVEL4_MATCH_OPENINGS="${CMAKE_SOURCE_DIR}/tools/match/openings.txt")

# A two-game smoke match at a tiny budget.
add_test(NAME deep_match_smoke
  COMMAND korvel4-match --a 4 --b 3 --games 2 --seed 5 --a-nodes 3000 --jobs 2)
set_tests_properties(deep_match_smoke PROPERTIES
  PASS_REGULAR_EXPRESSION "\"games\":2,")
add_test(NAME deep_match_bad_flag COMMAND korvel4-match --a 4 --b 3 --games 2 --seed 1 --fast 1)
set_tests_properties(deep_match_bad_flag PROPERTIES WILL_FAIL TRUE)
# Weights files: a file that is not weights, and a device, are refused before any game.
add_test(NAME deep_match_bad_eval_file COMMAND korvel4-match --a 4 --b 3 --games 2 --seed 1
  --a-eval ${CMAKE_SOURCE_DIR}/tools/match/openings.txt)
set_tests_properties(deep_match_bad_eval_file PROPERTIES
  PASS_REGULAR_EXPRESSION "openings.txt: line 2: unknown weight '1'")
add_test(NAME deep_match_eval_device COMMAND korvel4-match --a 4 --b 3 --games 2 --seed 1
  --b-eval /dev/zero)
set_tests_properties(deep_match_eval_device PROPERTIES
  PASS_REGULAR_EXPRESSION "--b-eval: /dev/zero is not a file")

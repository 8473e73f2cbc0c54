# korvel4-match: whole games between computer teams without a window, for tuning the deep
# search by results.
add_library(korvel4_match_lib STATIC ${CMAKE_SOURCE_DIR}/tools/match/match_game.cpp
            ${CMAKE_SOURCE_DIR}/tools/match/engine_process.cpp)
target_link_libraries(korvel4_match_lib PUBLIC korvel4_core korvel4_engine_lib)
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
# A clean sweep reads as the bound its games prove (the numbers before stay as they were);
# other results as Elo and its interval.
add_test(NAME deep_match_sweep_text
  COMMAND korvel4-match --a 3 --b 4 --games 2 --seed 5 --b-nodes 3000 --jobs 2)
set_tests_properties(deep_match_sweep_text PROPERTIES PASS_REGULAR_EXPRESSION
  "\"elo\":-190\\.8,\"elo_ci95\":130\\.7,\"elo_text\":\"elo < 216 \\(all 2 games lost\\)\"}")
add_test(NAME deep_match_even_text COMMAND korvel4-match --a 3 --b 3 --games 4 --seed 5 --jobs 2)
set_tests_properties(deep_match_even_text PROPERTIES PASS_REGULAR_EXPRESSION
  "\"score_a\":0\\.5000,.*\"elo_text\":\"elo 0 .+ 338\"}")
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

# The weights a weights file may give, proven on level 4 itself: the search's sources and a
# test that evaluates and searches with the most extreme weights, built with signed
# overflow trapping (this target only; without the check the test still runs its bounds).
if(GTest_FOUND)
  file(GLOB KORVEL4_AI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ai/*.cpp)
  add_executable(deep_weights_tests ${CMAKE_SOURCE_DIR}/tests/ai/sanitized/extreme_weights_test.cpp
                 ${KORVEL4_AI_SOURCES})
  target_include_directories(deep_weights_tests PRIVATE ${CMAKE_BINARY_DIR}/layers/ai)
  target_link_libraries(deep_weights_tests PRIVATE korvel4_game GTest::gtest_main)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "-fsanitize=signed-integer-overflow")
  set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=signed-integer-overflow")
  check_cxx_source_compiles("int main(int c, char**) { return c + 1; }" KORVEL4_HAS_UBSAN)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(KORVEL4_HAS_UBSAN)
    set(trap -fsanitize=signed-integer-overflow -fno-sanitize-recover=signed-integer-overflow)
    target_compile_options(deep_weights_tests PRIVATE ${trap})
    target_link_options(deep_weights_tests PRIVATE ${trap})
  endif()
  gtest_discover_tests(deep_weights_tests PROPERTIES TIMEOUT 300)
endif()

# The runner's script and the match tool's lists and weights files when they are devices,
# folders, pipes, endless or not text.
add_test(NAME tools_hostile_inputs
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/hostile_inputs.sh
          $<TARGET_FILE:korvel4-script> $<TARGET_FILE:korvel4-match>)
set_tests_properties(tools_hostile_inputs PROPERTIES TIMEOUT 600 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# Engine programs for a team (docs/engine-protocol.md): korvel4-engine plays level 4's own
# games, and an engine that fails loses by forfeit.
add_test(NAME deep_match_engines
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/match_engine.sh
          $<TARGET_FILE:korvel4-match> $<TARGET_FILE:korvel4-engine>)
set_tests_properties(deep_match_engines PROPERTIES TIMEOUT 300)
include(${CMAKE_SOURCE_DIR}/tools/tune/tune.cmake)

# The headless runner. Its logic is toolkit-free; main.cpp adds the off-screen picture when
# Qt Gui is there.
add_library(korvel4_script_lib STATIC ${CMAKE_SOURCE_DIR}/tools/script/runner.cpp)
target_link_libraries(korvel4_script_lib PUBLIC korvel4_core)
target_include_directories(korvel4_script_lib PUBLIC ${CMAKE_SOURCE_DIR})
add_executable(korvel4-script ${CMAKE_SOURCE_DIR}/tools/script/main.cpp)
target_link_libraries(korvel4-script PRIVATE korvel4_script_lib)
if(TARGET korvel4_painter)
  target_link_libraries(korvel4-script PRIVATE korvel4_painter)
  target_compile_definitions(korvel4-script PRIVATE KORVEL4_SCRIPT_PICTURES=1)
endif()
include(${CMAKE_SOURCE_DIR}/tools/engine/engine.cmake)

# korvel4-analyze: level 4's analysis of a game record, one JSON line per move.
add_executable(korvel4-analyze ${CMAKE_SOURCE_DIR}/tools/analyze/main.cpp)
target_link_libraries(korvel4-analyze PRIVATE korvel4_core)
add_test(NAME tools_analyze_inputs
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/analyze_inputs.sh $<TARGET_FILE:korvel4-analyze>)
set_tests_properties(tools_analyze_inputs PROPERTIES TIMEOUT 300)

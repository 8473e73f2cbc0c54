# The headless runner. Its logic is toolkit-free; main.cpp adds the off-screen picture.
add_library(korvel4_script_lib STATIC ${CMAKE_SOURCE_DIR}/tools/script/runner.cpp)
target_link_libraries(korvel4_script_lib PUBLIC korvel4_core)
add_executable(korvel4-script ${CMAKE_SOURCE_DIR}/tools/script/main.cpp)
target_link_libraries(korvel4-script PRIVATE korvel4_script_lib korvel4_painter)

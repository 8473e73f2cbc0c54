# The real window (Qt 6 Widgets) and its tests.
find_package(Qt6 REQUIRED COMPONENTS Gui Widgets)
find_package(Qt6 COMPONENTS Test)

# Everything of the window except main(), shared by the program and its tests.
add_library(korvel4_window STATIC
  ${CMAKE_SOURCE_DIR}/shell/main_window.cpp
  ${CMAKE_SOURCE_DIR}/shell/qt_ports.cpp
  ${CMAKE_SOURCE_DIR}/shell/notice.cpp
  ${CMAKE_SOURCE_DIR}/shell/translations.cpp
  ${CMAKE_SOURCE_DIR}/shell/about_box.cpp
  ${CMAKE_SOURCE_DIR}/shell/move_list.cpp
  ${CMAKE_SOURCE_DIR}/shell/time_dialog.cpp
  ${CMAKE_SOURCE_DIR}/shell/study.cpp)
set_target_properties(korvel4_window PROPERTIES AUTOMOC ON)
target_link_libraries(korvel4_window PUBLIC korvel4_painter Qt6::Widgets)
target_include_directories(korvel4_window PUBLIC ${CMAKE_SOURCE_DIR})
if(KORVEL4_SANITIZE)
  # GCC 12's -fsanitize=vptr miscompiles a lambda in a member function of a polymorphic class
  # that calls through a captured pointer to member (the menu commands' handlers): the check
  # reads the closure as the object and the handler runs with a wrong `this`. The window's
  # code goes without that one check; every other check stays.
  target_compile_options(korvel4_window PRIVATE -fno-sanitize=vptr)
endif()

add_executable(korvel4 ${CMAKE_SOURCE_DIR}/shell/main.cpp ${CMAKE_SOURCE_DIR}/shell/program.cpp)
target_link_libraries(korvel4 PRIVATE korvel4_window korvel4_sound)

# The help pages (Japanese, English) are opened from beside the program.
set(KORVEL4_HELP_PAGE Korvel4人将棋.htm)
set(KORVEL4_HELP_PAGE_EN Korvel4人将棋.en.htm)
foreach(page ${KORVEL4_HELP_PAGE} ${KORVEL4_HELP_PAGE_EN})
  add_custom_command(
    OUTPUT ${KORVEL4_OUT}/${page}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_SOURCE_DIR}/resources/${page} ${KORVEL4_OUT}/${page}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${page}
    VERBATIM)
endforeach()
add_custom_target(korvel4_help_page ALL
  DEPENDS ${KORVEL4_OUT}/${KORVEL4_HELP_PAGE} ${KORVEL4_OUT}/${KORVEL4_HELP_PAGE_EN})
add_dependencies(korvel4 korvel4_help_page)

# Times the full repaint and the start-up of the window (run by hand, prints figures).
add_executable(korvel4-window-timing
  ${CMAKE_SOURCE_DIR}/shell/window_timing.cpp ${CMAKE_SOURCE_DIR}/shell/program.cpp)
target_link_libraries(korvel4-window-timing PRIVATE korvel4_window korvel4_sound)

if(GTest_FOUND AND Qt6Test_FOUND)
file(GLOB KORVEL4_SHELL_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/shell/*_test.cpp)
list(FILTER KORVEL4_SHELL_TESTS EXCLUDE REGEX "sdl_sound_test\\.cpp$")
add_executable(shell_tests ${KORVEL4_SHELL_TESTS} ${CMAKE_SOURCE_DIR}/tests/shell/shell_main.cpp)
target_link_libraries(shell_tests PRIVATE korvel4_window Qt6::Test GTest::gtest)
target_include_directories(shell_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The runner's snapshot is compared with the window's own picture.
target_compile_definitions(shell_tests PRIVATE KORVEL4_SCRIPT="$<TARGET_FILE:korvel4-script>")
add_dependencies(shell_tests korvel4-script)
gtest_discover_tests(shell_tests WORKING_DIRECTORY ${KORVEL4_OUT}
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# The real program under a virtual X server, ended with Esc like a player would.
add_test(NAME shell.smoke_xvfb
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/shell/smoke_xvfb.sh $<TARGET_FILE:korvel4>)
set_tests_properties(shell.smoke_xvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)

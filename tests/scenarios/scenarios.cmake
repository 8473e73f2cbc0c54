# Every tests/scenarios/NAME.script is one CTest test, run through korvel4-script.
file(GLOB KORVEL4_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scenarios/*.script)
foreach(script ${KORVEL4_SCENARIOS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME scenario.${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scenarios/run_scenario.sh
            $<TARGET_FILE:korvel4-script> ${CMAKE_SOURCE_DIR}/tests/scenarios ${name})
  set_tests_properties(scenario.${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endforeach()

# A script file that cannot be read: a message on standard error and status 2.
add_test(NAME scenario.unreadable_file
  COMMAND $<TARGET_FILE:korvel4-script> ${CMAKE_SOURCE_DIR}/tests/scenarios/no-such-file.script)
set_tests_properties(scenario.unreadable_file PROPERTIES WILL_FAIL TRUE)

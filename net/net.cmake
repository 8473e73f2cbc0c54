# The network game: protocol, rooms and their authority, the WebSocket server and client
# (net/), the headless server, the scripted client and the load tool (tools/), the tests.
find_package(Qt6 COMPONENTS Core Network WebSockets)
if(NOT Qt6WebSockets_FOUND)
  message(STATUS "Qt WebSockets not found: the network game is not built")
  return()
endif()

file(GLOB korvel4_net_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/net/*.cpp)
set(korvel4_net_inc ${CMAKE_BINARY_DIR}/layers/net)
file(MAKE_DIRECTORY ${korvel4_net_inc})
file(CREATE_LINK ${CMAKE_SOURCE_DIR}/net ${korvel4_net_inc}/net SYMBOLIC)
add_library(korvel4_net STATIC ${korvel4_net_srcs})
# The client tells what the authority announced with Qt signals (moc).
set_target_properties(korvel4_net PROPERTIES AUTOMOC ON)
target_include_directories(korvel4_net PUBLIC ${korvel4_net_inc})
target_link_libraries(korvel4_net PUBLIC korvel4_core Qt6::Core Qt6::Network Qt6::WebSockets)

add_executable(korvel4-server ${CMAKE_SOURCE_DIR}/tools/server/main.cpp)
target_link_libraries(korvel4-server PRIVATE korvel4_net)
target_compile_definitions(korvel4-server PRIVATE
  KORVEL4_DATA_FROM_PROGRAM="${KORVEL4_DATA_FROM_PROGRAM}")
# The browser page (web/), copied beside the programs and installed with the data.
include(${CMAKE_SOURCE_DIR}/web/web.cmake)
add_dependencies(korvel4-server korvel4_web_page)
add_executable(korvel4-client ${CMAKE_SOURCE_DIR}/tools/client/main.cpp)
target_link_libraries(korvel4-client PRIVATE korvel4_net)
add_executable(korvel4-load ${CMAKE_SOURCE_DIR}/tools/load/main.cpp)
target_link_libraries(korvel4-load PRIVATE korvel4_net)

if(GTest_FOUND)
  file(GLOB korvel4_net_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/net/*.cpp)
  add_executable(net_tests ${korvel4_net_tests})
  target_link_libraries(net_tests PRIVATE korvel4_net GTest::gtest)
  # The run of computer turns played by the window, the authority and a match's game alike.
  if(TARGET korvel4_match_lib)
    target_link_libraries(net_tests PRIVATE korvel4_match_lib)
  endif()
  target_include_directories(net_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # The self-signed certificate for localhost the TLS tests use.
  target_compile_definitions(net_tests PRIVATE
    KORVEL4_TEST_CERTS="${CMAKE_SOURCE_DIR}/tests/net")
  gtest_discover_tests(net_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR} TEST_PREFIX net.
    PROPERTIES TIMEOUT 60)
  include(${CMAKE_SOURCE_DIR}/tests/net/tools.cmake OPTIONAL)
  include(${CMAKE_SOURCE_DIR}/tests/web/web_tests.cmake OPTIONAL)
endif()

# korvel4-script joins network games (`join`) when the network game is built.
if(TARGET korvel4-script)
  target_sources(korvel4-script PRIVATE ${CMAKE_SOURCE_DIR}/tools/script/net_script.cpp)
  target_link_libraries(korvel4-script PRIVATE korvel4_net)
  target_compile_definitions(korvel4-script PRIVATE KORVEL4_SCRIPT_NET=1)
endif()

# The window offers network games (対局 → ネット対局...).
if(TARGET korvel4 AND TARGET korvel4_window)
  add_library(korvel4_net_window STATIC ${CMAKE_SOURCE_DIR}/shell/net_session.cpp
                                        ${CMAKE_SOURCE_DIR}/shell/net_dialog.cpp
                                        ${CMAKE_SOURCE_DIR}/shell/net_settings.cpp)
  set_target_properties(korvel4_net_window PROPERTIES AUTOMOC ON)
  target_link_libraries(korvel4_net_window PUBLIC korvel4_window korvel4_net)
  target_link_libraries(korvel4 PRIVATE korvel4_net_window)
  target_compile_definitions(korvel4 PRIVATE KORVEL4_NET=1)
  target_compile_definitions(korvel4_net_window PRIVATE
    KORVEL4_DATA_FROM_PROGRAM="${KORVEL4_DATA_FROM_PROGRAM}")
  add_dependencies(korvel4 korvel4_web_page)
  if(GTest_FOUND AND Qt6Test_FOUND)
    add_executable(net_window_tests ${CMAKE_SOURCE_DIR}/tests/net/window/net_window_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/net/window/net_settings_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/shell/shell_main.cpp)
    target_link_libraries(net_window_tests PRIVATE korvel4_net_window Qt6::Test GTest::gtest)
    target_include_directories(net_window_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    gtest_discover_tests(net_window_tests WORKING_DIRECTORY ${KORVEL4_OUT} TEST_PREFIX net.
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)
  endif()
endif()

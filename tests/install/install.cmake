# The installed program: the choice of its folders, the install tree, the package, and
# files that are not what they should be.
if(GTest_FOUND)
  add_executable(install_tests ${CMAKE_SOURCE_DIR}/tests/install/install_paths_test.cpp)
  target_link_libraries(install_tests PRIVATE korvel4_install_paths korvel4_core GTest::gtest_main)
  target_include_directories(install_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(install_tests PROPERTIES TIMEOUT 60)
endif()

# Hostile files beside the headless runner: a pipe and a huge sparse file as the settings
# file, a link to /dev/zero and an oversized wave file. A hang fails by the time limit.
add_test(NAME install.hostile_files
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/hostile_files.sh
          $<TARGET_FILE:korvel4-script> ${CMAKE_SOURCE_DIR}/resources)
set_tests_properties(install.hostile_files PROPERTIES TIMEOUT 60)

if(TARGET korvel4)
  # Installs into a scratch DESTDIR, checks the tree and validates the desktop entry and
  # the metainfo, then starts the installed program under Xvfb from an unrelated folder.
  add_test(NAME install.tree_and_start
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install_tree.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install.tree_and_start PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
  # The Debian package, built into a scratch folder and looked into.
  add_test(NAME install.debian_package
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/debian_package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install.debian_package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
endif()

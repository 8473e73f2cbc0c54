# The sound device (SDL2_mixer), the wave files beside the program, and their tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)

add_library(korvel4_sound STATIC ${CMAKE_SOURCE_DIR}/shell/sdl_sound.cpp)
target_include_directories(korvel4_sound PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(korvel4_sound PUBLIC PkgConfig::SDL2MIXER)

# The program finds its sounds by bare name in its own folder; copied at build time so
# that a regenerated file is picked up without configuring again.
set(KORVEL4_WAVES その他.wav 禁止.wav 駒打音.wav 終局.wav BGM.wav)
set(KORVEL4_WAVE_COPIES)
foreach(wave IN LISTS KORVEL4_WAVES)
  add_custom_command(
    OUTPUT ${KORVEL4_OUT}/${wave}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_SOURCE_DIR}/resources/${wave} ${KORVEL4_OUT}/${wave}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${wave}
    VERBATIM)
  list(APPEND KORVEL4_WAVE_COPIES ${KORVEL4_OUT}/${wave})
endforeach()
add_custom_target(korvel4_waves ALL DEPENDS ${KORVEL4_WAVE_COPIES})
add_dependencies(korvel4_sound korvel4_waves)

if(GTest_FOUND)
  add_executable(sound_tests ${CMAKE_SOURCE_DIR}/tests/shell/sdl_sound_test.cpp)
  target_link_libraries(sound_tests PRIVATE korvel4_sound GTest::gtest_main)
  gtest_discover_tests(sound_tests WORKING_DIRECTORY ${KORVEL4_OUT})
endif()

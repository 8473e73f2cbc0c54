# Installing the game (`cmake --install`) and its Debian package (`make package`, CPack).
#
#   PREFIX/games/korvel4                          the program (KORVEL4_INSTALL_GAMEDIR)
#   PREFIX/share/korvel4/                         the wave files and the help page
#   PREFIX/share/korvel4/web/                     the browser page the window's rooms serve
#   PREFIX/share/applications/ID.desktop          the desktop entry
#   PREFIX/share/metainfo/ID.metainfo.xml         the software centres' description
#   PREFIX/share/icons/hicolor/*/apps/ID.{png,svg}
#   PREFIX/share/man/man6/korvel4.6.gz
#   PREFIX/share/doc/korvel4/{copyright,changelog.gz}
# Only the program is installed: the tests, benchmarks and tools stay in the build folder.
include(GNUInstallDirs)

set(KORVEL4_APP_ID org.korvel.korvel4)
# Debian keeps games in /usr/games (its policy, and lintian's check): that is the default.
set(KORVEL4_INSTALL_GAMEDIR games CACHE STRING "Folder under the prefix for the program")
set(KORVEL4_HOMEPAGE "https://korvel.example/korvel4/" CACHE STRING
    "Home page of the game (ends with /): the metainfo's home page and screenshot live there")
set(KORVEL4_MAINTAINER "Seed 6b2a113a maintainers <maintainers@users.noreply.c-seed-6b2a113a.example>"
    CACHE STRING "The Debian package's maintainer")
set(KORVEL4_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/korvel4)

# Portable or installed: the one decision, in a library of its own so that it is tested.
add_library(korvel4_install_paths STATIC ${CMAKE_SOURCE_DIR}/shell/install_paths.cpp)
target_include_directories(korvel4_install_paths PUBLIC ${CMAKE_SOURCE_DIR})

# The installed program finds its data relative to itself, so that any prefix works.
if(IS_ABSOLUTE "${KORVEL4_DATA_INSTALL_DIR}")
  set(KORVEL4_DATA_FROM_PROGRAM ${KORVEL4_DATA_INSTALL_DIR})
else()
  file(RELATIVE_PATH KORVEL4_DATA_FROM_PROGRAM
       /prefix/${KORVEL4_INSTALL_GAMEDIR} /prefix/${KORVEL4_DATA_INSTALL_DIR})
endif()
if(TARGET korvel4)
  target_compile_definitions(korvel4 PRIVATE
    KORVEL4_DATA_FROM_PROGRAM="${KORVEL4_DATA_FROM_PROGRAM}")
  # The 256-pixel icon is the window's icon.
  qt6_add_resources(KORVEL4_ICON_RESOURCES ${CMAKE_SOURCE_DIR}/resources/icons/icons.qrc)
  target_sources(korvel4 PRIVATE ${KORVEL4_ICON_RESOURCES})
  target_link_libraries(korvel4 PRIVATE korvel4_install_paths)
  # A read-only symbol table once loaded, as Debian builds its programs.
  target_link_options(korvel4 PRIVATE "LINKER:-z,relro" "LINKER:-z,now")

  install(TARGETS korvel4 RUNTIME DESTINATION ${KORVEL4_INSTALL_GAMEDIR})
endif()

set(KORVEL4_DATA_FILES ${CMAKE_SOURCE_DIR}/resources/Korvel4人将棋.htm)
foreach(wave その他.wav 禁止.wav 駒打音.wav 終局.wav BGM.wav)
  list(APPEND KORVEL4_DATA_FILES ${CMAKE_SOURCE_DIR}/resources/${wave})
endforeach()
install(FILES ${KORVEL4_DATA_FILES} DESTINATION ${KORVEL4_DATA_INSTALL_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/packaging/${KORVEL4_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${CMAKE_SOURCE_DIR}/packaging/${KORVEL4_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${KORVEL4_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KORVEL4_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/${size}x${size}/apps/${KORVEL4_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/scalable/apps/${KORVEL4_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the changelog are installed compressed, as Debian wants them
# (gzip -n: no name or time stamp, so the bytes do not change from build to build).
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(KORVEL4_GZIPPED)
foreach(pair "korvel4.6;${CMAKE_SOURCE_DIR}/packaging/korvel4.6"
             "changelog;${CMAKE_BINARY_DIR}/packaging/changelog")
  list(GET pair 0 name)
  list(GET pair 1 source)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/${name}.gz
    COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${source} ${CMAKE_BINARY_DIR}/packaging/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND KORVEL4_GZIPPED ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
endforeach()
add_custom_target(korvel4_packaging_files ALL DEPENDS ${KORVEL4_GZIPPED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/korvel4.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Everything the install rules above take from the build: the program (which brings its wave
# files and help page beside it) and the compressed files. `make package` builds this target
# alone, in parallel; installing and CPack build nothing themselves (without the line below,
# CPack would first build every target, the tests and tools too, one job at a time).
add_custom_target(korvel4_installed)
add_dependencies(korvel4_installed korvel4_packaging_files)
if(TARGET korvel4)
  add_dependencies(korvel4_installed korvel4)
endif()
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The Debian package. CPack rather than dpkg-buildpackage: the install rules above are the
# only description of the installed tree, and CPack packs exactly what they install, with
# no second list of files in a debian/ folder to keep in step.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel4)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Korvel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "four-player team shogi")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVEL4_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVEL4_HOMEPAGE}")
# The libraries come from the program itself (dpkg-shlibdeps); the pieces, labels and
# messages are drawn in the Mincho face, which no library pulls in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-mincho")
# The help page opens in the browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The synopsis is the summary above; this is the long description below it.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Four armies of nine pieces stand on the four edges of one nine-by-nine\n"
  "shogi board; the bottom and top seats play as one team against the left\n"
  "and right seats. Captured pieces are dropped back into play, a check hands\n"
  "the turn to the player in check, and the team whose king is taken loses.\n"
  "Each seat is a person at the mouse or the computer at one of four levels,\n"
  "at one computer or from several over the network. Games can be saved as\n"
  "records and opened again, and a game left unfinished is kept for the next\n"
  "start.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

include(${CMAKE_SOURCE_DIR}/tests/install/install.cmake OPTIONAL)

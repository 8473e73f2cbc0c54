# The picture generator. It is run by hand when the pictures change, and its
# output is committed under resources/pictures (the program's icon under resources/icons);
# the build never runs it. The drawing is shell/piece_art (korvel4_art), shared with the
# painter, which draws the same pictures at the window's resolution.
#   QT_QPA_PLATFORM=offscreen ./korvel4-picgen resources/pictures
#   QT_QPA_PLATFORM=offscreen ./korvel4-picgen --icon resources/icons
#   QT_QPA_PLATFORM=offscreen ./korvel4-picgen --preview board.png [2..6]
#   QT_QPA_PLATFORM=offscreen ./korvel4-picgen --sheet pieces.png
if(TARGET korvel4_art)
  add_executable(korvel4-picgen ${CMAKE_CURRENT_LIST_DIR}/picgen.cpp)
  target_link_libraries(korvel4-picgen PRIVATE korvel4_art)
endif()

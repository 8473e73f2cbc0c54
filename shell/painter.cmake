# The window's picture on Qt Gui alone, so that the headless runner can draw and save it
# without the widgets. The pictures are compiled in. Without Qt Gui the runner has no
# snapshot and everything else still builds.
if(KORVEL4_WINDOW)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
else()
  find_package(Qt6 COMPONENTS Gui)
endif()
if(Qt6Gui_FOUND)
  # The art of the pictures, drawn at any size: korvel4-picgen writes the design size with
  # it, the painter draws the window's larger or smaller sizes with it.
  add_library(korvel4_art STATIC ${CMAKE_SOURCE_DIR}/shell/piece_art.cpp)
  target_link_libraries(korvel4_art PUBLIC Qt6::Gui)
  target_include_directories(korvel4_art PUBLIC ${CMAKE_SOURCE_DIR})
  qt6_add_resources(KORVEL4_PICTURE_RESOURCES ${CMAKE_SOURCE_DIR}/resources/pictures/pictures.qrc)
  add_library(korvel4_painter STATIC
    ${CMAKE_SOURCE_DIR}/shell/painter_canvas.cpp ${KORVEL4_PICTURE_RESOURCES})
  target_link_libraries(korvel4_painter PUBLIC korvel4_core korvel4_art Qt6::Gui)
  target_include_directories(korvel4_painter PUBLIC ${CMAKE_SOURCE_DIR})
endif()

# The browser page: its own files (this folder), the piece pictures the window shows
# (resources/pictures, drawn by korvel4-picgen), the program's icon and its wave files, copied
# to BUILD/web beside the programs (korvel4-server and the window serve it from there) and
# installed under share/korvel4/web. The names are the fixed table of net/web_page.cpp.
set(KORVEL4_WEB_OUT ${KORVEL4_OUT}/web)
set(korvel4_web_pairs
  ${CMAKE_SOURCE_DIR}/web/index.html index.html
  ${CMAKE_SOURCE_DIR}/web/app.js app.js
  ${CMAKE_SOURCE_DIR}/web/style.css style.css
  ${CMAKE_SOURCE_DIR}/resources/icons/48x48/apps/${KORVEL4_APP_ID}.png icon.png
  ${CMAKE_SOURCE_DIR}/resources/pictures/KARA_MASU.png pieces/KARA_MASU.png
  ${CMAKE_SOURCE_DIR}/resources/駒打音.wav sounds/move.wav
  ${CMAKE_SOURCE_DIR}/resources/禁止.wav sounds/refused.wav
  ${CMAKE_SOURCE_DIR}/resources/終局.wav sounds/end.wav
  ${CMAKE_SOURCE_DIR}/resources/その他.wav sounds/other.wav)
foreach(seat SITA HIDARI UE MIGI)
  foreach(kind HU TO GIN GINNARI KIN SYA SYANARI OU)
    list(APPEND korvel4_web_pairs
      ${CMAKE_SOURCE_DIR}/resources/pictures/${seat}_${kind}.png pieces/${seat}_${kind}.png)
  endforeach()
endforeach()

set(korvel4_web_outputs)
list(LENGTH korvel4_web_pairs korvel4_web_n)
math(EXPR korvel4_web_last "${korvel4_web_n} - 1")
foreach(i RANGE 0 ${korvel4_web_last} 2)
  math(EXPR j "${i} + 1")
  list(GET korvel4_web_pairs ${i} source)
  list(GET korvel4_web_pairs ${j} name)
  add_custom_command(
    OUTPUT ${KORVEL4_WEB_OUT}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${KORVEL4_WEB_OUT}/${name}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND korvel4_web_outputs ${KORVEL4_WEB_OUT}/${name})
  get_filename_component(sub ${name} DIRECTORY)
  get_filename_component(base ${name} NAME)
  install(FILES ${source} DESTINATION ${KORVEL4_DATA_INSTALL_DIR}/web/${sub} RENAME ${base})
endforeach()
add_custom_target(korvel4_web_page ALL DEPENDS ${korvel4_web_outputs})

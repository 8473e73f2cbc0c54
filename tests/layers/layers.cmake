# Each probe includes a header of a layer above its own; building it must fail. The probes
# are never part of the normal build.
function(korvel4_layer_probe name layer header)
  set(src ${CMAKE_BINARY_DIR}/layer_probes/${name}.cpp)
  file(WRITE ${src} "#include \"${header}\"\nint main() { return 0; }\n")
  add_library(korvel4_probe_${name} OBJECT EXCLUDE_FROM_ALL ${src})
  target_link_libraries(korvel4_probe_${name} PRIVATE korvel4_${layer})
  add_test(NAME layers.${name}
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target korvel4_probe_${name})
  set_tests_properties(layers.${name} PROPERTIES WILL_FAIL TRUE RUN_SERIAL TRUE)
endfunction()

korvel4_layer_probe(game_includes_ai game "ai/search.h")
korvel4_layer_probe(ai_includes_view ai "view/board_drawing.h")
korvel4_layer_probe(ai_includes_play ai "play/form1.h")
korvel4_layer_probe(view_includes_ai view "ai/search.h")
korvel4_layer_probe(play_includes_io play "io/disk_files.h")
korvel4_layer_probe(play_includes_shell play "shell/main_window.h")

# The other half of the proof: a probe of a lower layer's header in a higher layer builds.
korvel4_layer_probe(play_includes_game play "game/state.h")
set_tests_properties(layers.play_includes_game PROPERTIES WILL_FAIL FALSE)

# Each probe includes a header of a layer above its own; building it must fail. The probes
# are never part of the normal build. A probe may add a line of code after the include.
function(korvel4_layer_probe name layer header)
  set(src ${CMAKE_BINARY_DIR}/layer_probes/${name}.cpp)
  file(WRITE ${src} "#include \"${header}\"\n${ARGN}\nint main() { return 0; }\n")
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

# The rules' caches: outside game/ a GameState's caches are read, never written. The writer
# is for the rules only, and what Caches() answers cannot be written through; reading builds.
korvel4_layer_probe(ai_includes_cache_writer ai "game/rule_cache_writer.h")
korvel4_layer_probe(play_writes_caches play "game/state.h"
  "void Probe(korvel::GameState& s) { s.Caches().KingPos[1] = {}; }")
korvel4_layer_probe(play_reads_caches play "game/state.h"
  "int Probe(const korvel::GameState& s) { return s.Caches().KingPos[1].x; }")
set_tests_properties(layers.play_reads_caches PROPERTIES WILL_FAIL FALSE)

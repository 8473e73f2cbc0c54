# The generator of the wave files in resources/. Run by hand (korvel4-wavgen OUTDIR) when
# a sound is changed; the build never runs it.
add_executable(korvel4-wavgen ${CMAKE_SOURCE_DIR}/tools/wavgen/wavgen.cpp)

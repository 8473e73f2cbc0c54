# korvel4-bench: Google Benchmark suites of the computer player's decision.
# Google Benchmark is needed for the benchmarks only.
find_package(benchmark)
if(benchmark_FOUND)
  file(GLOB KORVEL4_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  add_executable(korvel4-bench ${KORVEL4_BENCH_SOURCES})
  target_link_libraries(korvel4-bench PRIVATE korvel4_core benchmark::benchmark)
  target_include_directories(korvel4-bench PRIVATE ${CMAKE_SOURCE_DIR})
endif()

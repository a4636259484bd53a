# The acquisition cycle on the simulated instrument, against the bus.
if(TARGET formgui AND TARGET simulator)
  velmora2_bench(acquisition_cycle_bench formgui kernel simulator)
  target_include_directories(bench_acquisition_cycle_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(bench_acquisition_cycle_bench PRIVATE VELMORA2_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

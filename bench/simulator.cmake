# The simulated instrument's record making, against the demo's frame budget.
if(TARGET simulator)
  velmora2_bench(simulator_bench kernel simulator)
  target_include_directories(bench_simulator_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(bench_simulator_bench PRIVATE VELMORA2_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

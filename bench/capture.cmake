# Capture: decoding of sample buffers and averaging.
velmora2_bench(capture_bench kernel)
target_include_directories(bench_capture_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)

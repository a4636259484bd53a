# Analysis libraries: the FFT against FFTW (when installed) and the measurement pass.
velmora2_bench(fft_bench fenlor)
pkg_check_modules(FFTW3_BENCH QUIET IMPORTED_TARGET fftw3)
if(FFTW3_BENCH_FOUND)
  target_link_libraries(bench_fft_bench PRIVATE PkgConfig::FFTW3_BENCH)
  target_compile_definitions(bench_fft_bench PRIVATE VELMORA2_HAVE_FFTW)
endif()
velmora2_bench(measure_bench measurement formcore)
# The test rasteriser draws the images.
target_include_directories(bench_measure_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)

# Raw-to-display transform, interpolation and gap filling.
velmora2_bench(transform_bench kernel)

# The settings files: the calibration file of about a thousand keys, read and written key by key.
if(TARGET kernel)
  velmora2_bench(settings_file_bench kernel)
endif()

# Renderers of the program.
if(TARGET formgui)
  velmora2_bench(display_gdi formgui)
endif()

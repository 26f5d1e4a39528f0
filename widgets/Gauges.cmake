# The progress gauge: its arithmetic builds everywhere, its painting on the
# toolkit for Windows.
add_library(gauge_math STATIC GaugeMath.cpp PixelGeometry.h GaugeMath.h)
target_link_libraries(gauge_math PUBLIC runtime)
setup_warnings(gauge_math)

if(WIN32 AND TARGET toolkit)
  add_library(gauges STATIC Gauges.cpp Gauges.h)
  target_link_libraries(gauges PUBLIC gauge_math toolkit)
  setup_warnings(gauges)
endif()

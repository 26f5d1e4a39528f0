# The gradient panel: band and caption arithmetic builds everywhere, the
# painting (SmoothGraphics, SmoothGradient) on the toolkit for Windows.
add_library(gradient_math STATIC GradientMath.cpp PixelGeometry.h GradientMath.h)
target_include_directories(gradient_math PUBLIC ${CMAKE_SOURCE_DIR})
setup_warnings(gradient_math)

if(WIN32 AND TARGET toolkit)
  add_library(smooth_gradient STATIC SmoothGraphics.cpp SmoothGraphics.h SmoothGradient.cpp
                                     SmoothGradient.h)
  target_link_libraries(smooth_gradient PUBLIC gradient_math toolkit)
  setup_warnings(smooth_gradient)
endif()

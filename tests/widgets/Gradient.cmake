setup_test_suite(gradient_math_tests SOURCES GradientMath_test.cpp LIBS gradient_math)
if(TARGET smooth_gradient)
  setup_test_suite(smooth_gradient_tests SOURCES SmoothGradient_test.cpp PaintCapture.h
                   LIBS smooth_gradient)
endif()
if(TARGET smooth_gradient AND TARGET gauges)
  setup_test_suite(widget_screenshots SOURCES Screenshots_test.cpp PaintCapture.h
                   LIBS gauges smooth_gradient)
endif()

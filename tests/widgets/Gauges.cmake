setup_test_suite(gauge_math_tests SOURCES GaugeMath_test.cpp LIBS gauge_math)
if(TARGET gauges)
  setup_test_suite(gauges_tests SOURCES Gauges_test.cpp PaintCapture.h LIBS gauges)
endif()

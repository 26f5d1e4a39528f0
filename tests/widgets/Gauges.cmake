setup_test_suite(gauge_math_tests SOURCES GaugeMath_test.cpp LIBS gauge_math)

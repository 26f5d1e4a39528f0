setup_test_suite(filectrl_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileCtrlLogic_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileCtrlGlyphs_test.cpp
  LIBS filectrl_logic)

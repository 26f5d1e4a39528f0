setup_test_suite(filectrl_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileCtrlLogic_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileCtrlGlyphs_test.cpp
  LIBS filectrl_logic)

# The dialog itself, driven under Wine on a display. The screenshot test
# leaves filectrl-dialog.bmp beside the executable; the next test turns it
# into a PNG when ImageMagick is there.
if(WIN32 AND TARGET filectrl)
  setup_test_suite(filectrl_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileCtrl_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/toolkit/GuiTest.cpp
    LIBS filectrl)
  find_program(CONVERT_PROGRAM convert)
  if(CONVERT_PROGRAM)
    add_test(NAME filectrl_screenshot_png
             COMMAND ${CONVERT_PROGRAM} ${CMAKE_CURRENT_BINARY_DIR}/filectrl-dialog.bmp
                     ${CMAKE_CURRENT_BINARY_DIR}/filectrl-dialog.png)
    set_tests_properties(filectrl_screenshot_png PROPERTIES DEPENDS filectrl_tests)
  endif()
endif()

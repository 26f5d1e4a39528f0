# Directory chooser. Its rules and glyph pixels build everywhere; the dialog
# itself needs the toolkit and so Windows.
add_library(filectrl_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FileCtrlLogic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileCtrlGlyphs.cpp
)
target_link_libraries(filectrl_logic PUBLIC runtime)
setup_warnings(filectrl_logic)

if(WIN32 AND TARGET toolkit)
  add_library(filectrl STATIC ${CMAKE_CURRENT_LIST_DIR}/FileCtrl.cpp)
  target_link_libraries(filectrl PUBLIC filectrl_logic toolkit)
  setup_warnings(filectrl)
endif()

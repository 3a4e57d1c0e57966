# The editor control without a toolkit: a recording drawing surface and
# control host from tests/support stand in for the window.
file(GLOB ZIN_EDITOR_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(editor_tests SOURCES ${ZIN_EDITOR_TEST_SOURCES} LIBS zin_editor zin_doubles)
if(TARGET editor_tests AND TARGET zinedit-drive)
  add_dependencies(editor_tests zinedit-drive zin_syntax_dir)
endif()

# The editor control without a toolkit: a recording drawing surface and
# control host from tests/support stand in for the window.
file(GLOB ZIN_EDITOR_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(editor_tests SOURCES ${ZIN_EDITOR_TEST_SOURCES} LIBS zin_editor zin_doubles)
if(TARGET editor_tests AND TARGET zinedit-drive)
  add_dependencies(editor_tests zinedit-drive zin_syntax_dir)
endif()
# paint_golden writes the golden page images anew (scripts/update-golden.sh).
add_executable(paint_golden ${CMAKE_CURRENT_LIST_DIR}/golden/WriteGolden.cpp ${CMAKE_CURRENT_LIST_DIR}/PaintScenes.cpp)
target_include_directories(paint_golden PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(paint_golden PRIVATE zin_editor zin_doubles zin_test_support)
add_dependencies(paint_golden zin_syntax_dir)
# The scanner's dump tool is tested through the tool itself.
if(TARGET editor_tests AND TARGET zinscan-dump)
  add_dependencies(editor_tests zinscan-dump)
endif()

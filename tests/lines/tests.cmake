file(GLOB ZIN_LINES_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(lines_tests SOURCES ${ZIN_LINES_TEST_SOURCES} LIBS zin_lines)
# The dump tool's contract is tested through the tool itself.
if(TARGET lines_tests AND TARGET zinlines-dump)
  add_dependencies(lines_tests zinlines-dump zin_syntax_dir)
endif()

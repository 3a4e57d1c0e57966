file(GLOB ZIN_SEARCH_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(search_tests SOURCES ${ZIN_SEARCH_TEST_SOURCES} LIBS zin_search zin_lines ICU::uc)
# The dump tool's contract is tested through the tool itself.
if(TARGET search_tests AND TARGET zinsearch-dump)
  add_dependencies(search_tests zinsearch-dump zin_syntax_dir)
endif()

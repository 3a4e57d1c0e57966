file(GLOB ZIN_SYNTAX_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(syntax_tests SOURCES ${ZIN_SYNTAX_TEST_SOURCES} LIBS zin_syntax)
# The tests run the dump tool and read the definitions copied next to it.
if(TARGET syntax_tests AND TARGET zinsyntax-dump)
  add_dependencies(syntax_tests zinsyntax-dump zin_syntax_dir)
endif()

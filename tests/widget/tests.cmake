# The widget layer: the drawing surface and the editor widget on Qt's
# offscreen platform, driven by QTest events.
if(TARGET zin_widget)
  file(GLOB ZIN_WIDGET_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  zin_add_test(widget_tests SOURCES ${ZIN_WIDGET_TEST_SOURCES} LIBS zin_widget Qt6::Test)
  if(TARGET widget_tests)
    add_dependencies(widget_tests zin_syntax_dir)
  endif()
endif()

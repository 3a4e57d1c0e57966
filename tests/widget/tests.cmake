# The Qt side of the platform: the drawing surface and the editor widget on
# Qt's offscreen platform, driven by QTest events.
if(TARGET zin_platform_qt)
  file(GLOB ZIN_QT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  zin_add_test(qt_tests SOURCES ${ZIN_QT_TEST_SOURCES} LIBS zin_platform_qt Qt6::Test)
  if(TARGET qt_tests)
    add_dependencies(qt_tests zin_syntax_dir)
  endif()
endif()

# The viewer's plain C++ parts, tested without a display.
file(GLOB ZIN_VIEWER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(viewer_tests SOURCES ${ZIN_VIEWER_TEST_SOURCES} LIBS zin_viewer_core)
if(TARGET viewer_tests AND TARGET zinviewer)
  add_dependencies(viewer_tests zinviewer)
endif()

# The window, driven through its widgets on Qt's offscreen platform.
if(TARGET zin_viewer_ui)
  file(GLOB ZIN_VIEWER_UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ui/*.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  zin_add_test(viewer_ui_tests SOURCES ${ZIN_VIEWER_UI_TEST_SOURCES} LIBS zin_viewer_ui Qt6::Test)
  if(TARGET viewer_ui_tests)
    add_dependencies(viewer_ui_tests zin_syntax_dir)
  endif()
endif()

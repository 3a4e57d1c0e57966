# The viewer's plain C++ parts, tested without a display; the program itself
# is run as a user would run it.
file(GLOB ZIN_VIEWER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
zin_add_test(viewer_tests SOURCES ${ZIN_VIEWER_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/viewer/FileInfo.cpp
  LIBS zincore)
if(TARGET viewer_tests AND TARGET zinviewer)
  add_dependencies(viewer_tests zinviewer)
endif()

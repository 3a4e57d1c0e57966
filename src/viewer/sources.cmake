# The viewer program. Its plain C++ parts (the file description behind
# --info, the status texts and font menu rules, the command line and the
# places of the settings file and syntax folder, the browser's paths and
# folder listings, the window's kept placement) form a library without Qt,
# tested without a display; the window is built on Qt widgets.
add_library(zin_viewer_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FileInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MatchCounter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatusText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewerArgs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlacement.cpp)
target_include_directories(zin_viewer_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zin_viewer_core PUBLIC zincore)

# The window needs the widget that hosts the editor control (zin_widget).
if(NOT TARGET zin_widget)
  message(STATUS "zin_widget is not defined before the viewer: the window is not built")
  return()
endif()
find_package(Qt6 REQUIRED COMPONENTS Widgets)
# The window is composed of the browser, the settings panel and the status
# bar, each a widget of its own.
add_library(zin_viewer_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/BrowserIcons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrowserIcons.h
  ${CMAKE_CURRENT_LIST_DIR}/FileWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileWatch.h
  ${CMAKE_CURRENT_LIST_DIR}/QtBytes.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewerBrowser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewerBrowser.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewerFindBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewerFindBar.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewerControl.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewerSettingsPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewerSettingsPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewerStatusBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewerStatusBar.h
  ${CMAKE_CURRENT_LIST_DIR}/ZinViewerMainForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZinViewerMainForm.h
  ${CMAKE_CURRENT_LIST_DIR}/ZinViewerApplication.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZinViewerApplication.h)
set_target_properties(zin_viewer_ui PROPERTIES AUTOMOC ON)
target_link_libraries(zin_viewer_ui PUBLIC zin_viewer_core zin_widget Qt6::Widgets)

add_executable(zinviewer ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zinviewer PRIVATE zin_viewer_ui)
add_dependencies(zinviewer zin_syntax_dir)

include(${CMAKE_CURRENT_LIST_DIR}/install.cmake)

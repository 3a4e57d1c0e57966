# zinedit-drive [options] FILE: runs an editor control headless on the test
# surface and host, reads commands from standard input and prints the
# control's state as one JSON object per line.
add_executable(zinedit-drive ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(zinedit-drive PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(zinedit-drive PRIVATE zin_editor zin_doubles)
add_dependencies(zinedit-drive zin_syntax_dir)

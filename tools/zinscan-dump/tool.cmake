# zinscan-dump [options] [--start ROW] [--count N] FILE: loads FILE as
# zinlines-dump does and prints the highlighting scanner's tokens of each
# row, as the painter receives them, one JSON object per row.
add_executable(zinscan-dump ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(zinscan-dump PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(zinscan-dump PRIVATE zin_editor)
add_dependencies(zinscan-dump zin_syntax_dir)

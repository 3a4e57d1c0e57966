# zinsearch-dump [options] PATTERN FILE: loads FILE as the viewer does and
# prints the matches Find finds in it as JSON Lines.
add_executable(zinsearch-dump ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(zinsearch-dump PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(zinsearch-dump PRIVATE zin_search zin_lines)
add_dependencies(zinsearch-dump zin_syntax_dir)

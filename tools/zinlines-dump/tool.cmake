# zinlines-dump [options] FILE: loads FILE through the line store with the
# fixed-metrics owner and prints its lines, rows and states as JSON Lines.
add_executable(zinlines-dump ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(zinlines-dump PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(zinlines-dump PRIVATE zin_lines)
add_dependencies(zinlines-dump zin_syntax_dir)

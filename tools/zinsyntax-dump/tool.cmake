# zinsyntax-dump FILE.syn: prints a loaded syntax definition as JSON.
add_executable(zinsyntax-dump ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zinsyntax-dump PRIVATE zin_syntax)

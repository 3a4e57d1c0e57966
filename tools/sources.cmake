# Developer tools built with the project (not installed): one folder each,
# with a tool.cmake that defines its target.
file(GLOB ZIN_TOOL_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*/tool.cmake)
foreach(f ${ZIN_TOOL_FILES})
  include(${f})
endforeach()

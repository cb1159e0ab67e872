# Every folder of the product is one static library that names the folders it builds on.
# The names are checked at configure time (tavo_layer_check): an include of a folder that is
# not a declared dependency, or two folders that depend on each other, stop the build.

# tavo_subsystem(<target> [VIEWS] [SOURCES ...] [DEPENDS ...] [PRIVATE_DEPENDS ...] [LIBS ...] [PRIVATE_LIBS ...])
# DEPENDS and PRIVATE_DEPENDS name our own folders' targets; LIBS and PRIVATE_LIBS anything else.
# Without SOURCES the folder's own .cpp and .h files are the sources. VIEWS: a folder of widgets,
# whose precompiled header holds the widget headers too.
function(tavo_subsystem name)
  cmake_parse_arguments(S "VIEWS" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS;LIBS;PRIVATE_LIBS" ${ARGN})
  if(NOT S_SOURCES)
    file(GLOB S_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_library(${name} STATIC ${S_SOURCES})
  target_link_libraries(${name} PUBLIC ${S_DEPENDS} ${S_LIBS} PRIVATE ${S_PRIVATE_DEPENDS} ${S_PRIVATE_LIBS})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  # The application's folders include each other as "chat/ChatView.h"; Platform and Controller
  # are named from the top ("Platform/Log.h", "Controller/mcp/McpClient.h").
  if(folder MATCHES "^Tavo_Orlune/")
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/Tavo_Orlune)
  else()
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  endif()
  if(S_VIEWS)
    tavo_precompile(${name} VIEWS)
  else()
    tavo_precompile(${name})
  endif()
  set(deps ${S_DEPENDS} ${S_PRIVATE_DEPENDS})
  string(REPLACE ";" "," deps "${deps}")
  set_property(GLOBAL APPEND PROPERTY TAVO_LAYERS "${name}|${folder}|${deps}")
endfunction()

# Writes the declared folders with their dependencies to layers.txt in the build folder and
# checks the sources against it (cmake/CheckLayers.cmake, which also runs on its own).
function(tavo_layer_check)
  get_property(layers GLOBAL PROPERTY TAVO_LAYERS)
  string(REPLACE ";" "\n" text "${layers}")
  file(WRITE "${CMAKE_BINARY_DIR}/layers.txt" "${text}\n")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DLAYERS=${CMAKE_BINARY_DIR}/layers.txt
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The folders' dependencies are broken:\n${out}")
  endif()
endfunction()

# The program is built from layers, bottom up; each is one folder of src/ and one static library
# xkorvo_<layer>. A layer's headers are included as "<layer>/<file>.h", and only the layers a
# target links are on its include path: each layer's PUBLIC include folder (in the build tree)
# holds nothing but a link named <layer> to its source folder. So an include that points upward
# or sideways fails to compile. The test suite checks the same order on the sources.

set(XKORVO_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/include)

# xkorvo_expose(TARGET SCOPE NAME FOLDER): FOLDER becomes includable as "NAME/..." for TARGET
# (and, with PUBLIC or INTERFACE, for whoever links it).
function(xkorvo_expose target scope name folder)
  set(root ${XKORVO_INCLUDE_ROOT}/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

include(${PROJECT_SOURCE_DIR}/src/layers.cmake)

# xkorvo_add_layer(NAME SOURCES ... [QT component...]): the static library xkorvo_NAME from
# src/NAME, linking the layers it builds on (src/layers.cmake) PUBLIC: their headers appear in
# ours.
function(xkorvo_add_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;QT" ${ARGN})
  xkorvo_layer_deps(${name} L_LINKS)
  set(target xkorvo_${name})
  # A layer of headers alone is an interface library.
  set(compiled ${L_SOURCES})
  list(FILTER compiled INCLUDE REGEX "\\.(c|cpp)$")
  if(compiled)
    add_library(${target} STATIC ${L_SOURCES})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE ${L_SOURCES})
    set(scope INTERFACE)
  endif()
  target_link_libraries(${target} ${scope} xkorvo_options)
  foreach(layer ${L_LINKS})
    target_link_libraries(${target} ${scope} xkorvo_${layer})
  endforeach()
  if(L_QT)
    find_package(Qt6 REQUIRED COMPONENTS ${L_QT})
    foreach(component ${L_QT})
      target_link_libraries(${target} ${scope} Qt6::${component})
    endforeach()
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
  endif()
  xkorvo_expose(${target} ${scope} ${name} ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

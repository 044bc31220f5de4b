# Fails when a source includes a header of a layer it does not build on (an include pointing
# upward or sideways), when src/ holds a folder the layer table does not declare, or when a
# decoder plug-in includes anything of the program but the ABI header (its own files beside it
# and the plug-ins' common folder aside).
#   cmake -DSOURCE_DIR=<repository> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/src/layers.cmake)

set(names "")
foreach(entry ${XKORVO_LAYERS})
  string(REGEX REPLACE ":.*" "" layer "${entry}")
  list(APPEND names ${layer})
endforeach()

# Everything a layer builds on, directly or through other layers.
function(reachable layer out)
  set(seen "")
  set(todo ${layer})
  while(todo)
    list(POP_FRONT todo current)
    xkorvo_layer_deps(${current} deps)
    foreach(dep ${deps})
      if(NOT dep IN_LIST seen)
        list(APPEND seen ${dep})
        list(APPEND todo ${dep})
      endif()
    endforeach()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

set(errors "")
# Appends "file: include" to errors for every quoted include of `file` that `allowed(dir)` rejects.
function(check_file file allowed_dirs)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" header "${line}")
    if(NOT header MATCHES "/")
      continue() # generated files of the same target, such as moc output
    endif()
    string(REGEX REPLACE "/.*" "" dir "${header}")
    if(NOT dir IN_LIST allowed_dirs)
      file(RELATIVE_PATH rel ${SOURCE_DIR} ${file})
      list(APPEND errors "${rel}: #include \"${header}\"")
    endif()
  endforeach()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${SOURCE_DIR}/src/${folder} AND NOT folder IN_LIST names)
    list(APPEND errors "src/${folder}: a folder that src/layers.cmake does not declare")
  endif()
endforeach()

foreach(layer ${names})
  reachable(${layer} below)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp
       ${SOURCE_DIR}/src/${layer}/*.c)
  foreach(file ${files})
    check_file(${file} "${layer};${below}")
  endforeach()
endforeach()

file(GLOB_RECURSE files ${SOURCE_DIR}/plugins/*.h ${SOURCE_DIR}/plugins/*.cpp
     ${SOURCE_DIR}/plugins/*.c)
foreach(file ${files})
  get_filename_component(dir ${file} DIRECTORY)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" header "${line}")
    # A plug-in's own files lie beside it and are included by name alone.
    if(NOT header MATCHES "/" AND EXISTS ${dir}/${header})
      continue()
    endif()
    if(NOT header STREQUAL "pluginhost/plugin_abi.h" AND NOT header MATCHES "^common/")
      file(RELATIVE_PATH rel ${SOURCE_DIR} ${file})
      list(APPEND errors "${rel}: #include \"${header}\" (plug-ins see only the ABI header)")
    endif()
  endforeach()
endforeach()

if(errors)
  list(JOIN errors "\n  " text)
  message(FATAL_ERROR "Includes against the layer order of src/layers.cmake:\n  ${text}")
endif()
message(STATUS "Every include follows the layer order")

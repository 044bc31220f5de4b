# The layers of the program, bottom up, each with the layers it builds on directly. A layer's
# sources include only its own headers and those of the layers below it that it builds on
# (directly or through another); the build links exactly these, and the test suite checks the
# includes against this table (tests/layers/check_layers.cmake).
set(XKORVO_LAYERS
  "platform:"                          # start-up steps of the operating system
  "image:"                             # packed pictures and BMP files
  "runcontrol:"                        # progress, cancel and row bands of the engine stages
  "mapping:runcontrol"                 # colour space, nearest entry, the five mapping methods
  "quant:image,runcontrol,mapping"     # histogram, division, palette, pixel array, driver
  "settings:quant"                     # the settings file and the settings it holds
  "pluginhost:image,settings"          # plug-in ABI, registry, picture loading
  "export:image,quant"                 # PNG, GIF and palette files, quality figures
  "job:pluginhost,export"              # one file read, reduced and written; batch output names
  "document:quant,pluginhost,export"   # image and batch documents, no widgets
  "desktop:document,settings,platform,export,job" # the desktop program
  "cli:quant,pluginhost,settings,platform,export,job") # the command-line program

# Sets `out` to the layers `layer` builds on directly.
function(xkorvo_layer_deps layer out)
  set(deps "")
  foreach(entry ${XKORVO_LAYERS})
    string(REPLACE ":" ";" parts "${entry};")
    list(GET parts 0 name)
    if(name STREQUAL layer)
      list(GET parts 1 deps)
      string(REPLACE "," ";" deps "${deps}")
    endif()
  endforeach()
  set(${out} "${deps}" PARENT_SCOPE)
endfunction()

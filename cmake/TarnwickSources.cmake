# Source selection by file name: X.cpp is portable, X.win.cpp is Windows-only.
function(tarnwick_sources out dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  set(result)
  foreach(f IN LISTS all)
    get_filename_component(name ${f} NAME)
    if(name IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    if(name MATCHES "\\.win\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    list(APPEND result ${f})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# One static library of the files of a folder.
function(tarnwick_library name dir)
  tarnwick_sources(srcs ${dir} ${ARGN})
  if(NOT srcs)
    # A folder with nothing portable yet still gives a (empty) library to link against.
    set(srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${srcs})
  # Headers are named from the repository root (#include "ui/Graphics.h", "app/MainForm.h")
  # and the engine's from Source (#include "base/sConst.h", "raster/Blend.h").
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/Source)
endfunction()

# The engine's layers, lowest first. Each is the library tw<layer> of Source/<layer> and links
# only the layer directly below it (and so, through it, every lower one); a file of a layer
# includes headers of its own layer and of the layers below it, never of one above. The order
# is written once, here: tools/check_layers.py reads it from the generated layers.txt.
set(TARNWICK_LAYERS base raster images skin paint controls wrappers forms engine)

function(tarnwick_layers)
  set(below twui)
  set(listing "ui:\n")
  set(uses "ui")
  foreach(layer IN LISTS TARNWICK_LAYERS)
    tarnwick_library(tw${layer} Source/${layer})
    target_link_libraries(tw${layer} PUBLIC ${below})
    string(APPEND listing "${layer}: ${uses}\n")
    set(below tw${layer})
    string(APPEND uses " ${layer}")
  endforeach()
  # The program sits on top of every layer.
  string(APPEND listing "app: ${uses}\n")
  file(WRITE ${CMAKE_BINARY_DIR}/layers.txt "${listing}")
endfunction()

# Checks that every source folder includes only itself and the folders the
# table below allows, and prints the folder dependency graph (Graphviz). Run:
#   cmake -DSOURCE_DIR=src [-DQUIET=ON] -P scripts/check_layers.cmake
# (the build runs it quietly). A forward declaration of a class defined in
# a folder above counts as an include of it.
# An include upward is a cycle in the making and fails.
cmake_minimum_required(VERSION 3.20)
if(NOT SOURCE_DIR)
  set(SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../src)
endif()
get_filename_component(SOURCE_DIR ${SOURCE_DIR} ABSOLUTE)

# The layers, lowest first: each folder below src/ ("." is src/ itself,
# where main.cpp makes the program) and the folders it may include besides
# itself. A folder with sources that is not in the table fails, so a new
# folder (or a folder moved) needs its row here. The ui layer by role: the
# shared widgets, the grids' item models over the document, the sheets built
# on them, the main window over the sheets,
# and the detail window on the widgets and models alone (the main window and the detail
# window never include each other; the app layer wires them together).
set(layers
  "model:"
  "storage: model"
  "summary: model"
  "print: model storage summary"
  "ui/widgets: model storage summary print"
  "ui/models: model storage summary print ui/widgets"
  "ui/sheets: model storage summary print ui/widgets ui/models"
  "ui/window: model storage summary print ui/widgets ui/models ui/sheets"
  "ui/detail: model storage summary print ui/widgets ui/models"
  "ui/collection: model storage summary print ui/widgets ui/models"
  "app: model storage summary print ui/widgets ui/models ui/sheets ui/window ui/detail ui/collection"
  ".: model storage summary print ui/widgets ui/models ui/sheets ui/window ui/detail ui/collection app")

set(folders "")
foreach(row ${layers})
  string(REGEX MATCH "^([^:]+):(.*)$" _ "${row}")
  set(folder ${CMAKE_MATCH_1})
  string(STRIP "${CMAKE_MATCH_2}" below)
  separate_arguments(below UNIX_COMMAND "${below}")
  list(APPEND folders ${folder})
  set(allowed_${folder} ${folder} ${below})
endforeach()

# The folder (relative to src/, "." for src/ itself) a header resolves to,
# or "" when it is none of ours (Qt, the system, a generated header). A
# quoted include is looked for beside the including file first, then from
# src/ (the include path); an angle-bracket include from src/ only.
function(resolve_header including quoted header out)
  get_filename_component(here ${including} DIRECTORY)
  set(candidates ${SOURCE_DIR}/${header})
  if(quoted)
    list(PREPEND candidates ${here}/${header})
  endif()
  foreach(c ${candidates})
    if(EXISTS ${c} AND NOT IS_DIRECTORY ${c})
      get_filename_component(dir ${c} DIRECTORY)
      get_filename_component(dir ${dir} REALPATH)
      get_filename_component(root ${SOURCE_DIR} REALPATH)
      file(RELATIVE_PATH rel ${root} ${dir})
      if(rel STREQUAL "")
        set(rel ".")
      elseif(rel MATCHES "^\\.\\./")
        set(rel "") # outside src/
      endif()
      set(${out} "${rel}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

set(failures "")
set(edges "")
set(graph "digraph layers {\n")
file(GLOB_RECURSE files ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)

# Where each class of ours is defined (its header's folder), so that a
# forward declaration of a class from a layer above counts as reaching up.
foreach(f ${files})
  if(NOT f MATCHES "\\.h$")
    continue()
  endif()
  get_filename_component(dir ${f} DIRECTORY)
  file(RELATIVE_PATH folder ${SOURCE_DIR} ${dir})
  if(folder STREQUAL "")
    set(folder ".")
  endif()
  file(STRINGS ${f} defs REGEX "^(class|struct)[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*(:|\\{|final|$)")
  foreach(d ${defs})
    string(REGEX MATCH "^(class|struct)[ \t]+([A-Za-z_][A-Za-z0-9_]*)" _ "${d}")
    set(home_${CMAKE_MATCH_2} ${folder})
  endforeach()
endforeach()
foreach(f ${files})
  get_filename_component(dir ${f} DIRECTORY)
  file(RELATIVE_PATH folder ${SOURCE_DIR} ${dir})
  if(folder STREQUAL "")
    set(folder ".")
  endif()
  file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
  list(FIND folders ${folder} known)
  if(known EQUAL -1)
    string(APPEND failures "  ${rel}: its folder ${folder} has no row in the layer table\n")
    continue()
  endif()
  file(STRINGS ${f} declarations REGEX "^[ \t]*(class|struct)[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*;")
  foreach(d ${declarations})
    string(REGEX MATCH "(class|struct)[ \t]+([A-Za-z_][A-Za-z0-9_]*)" _ "${d}")
    set(name ${CMAKE_MATCH_2})
    if(DEFINED home_${name})
      list(FIND allowed_${folder} ${home_${name}} ok)
      if(ok EQUAL -1)
        string(APPEND failures "  ${rel} declares ${name} (${home_${name}})\n")
      endif()
    endif()
  endforeach()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${lines})
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
      continue()
    endif()
    set(header ${CMAKE_MATCH_2})
    set(quoted OFF)
    if(CMAKE_MATCH_1 STREQUAL "\"")
      set(quoted ON)
    endif()
    resolve_header(${f} ${quoted} ${header} target)
    if(target STREQUAL "")
      continue()
    endif()
    list(FIND allowed_${folder} ${target} ok)
    if(ok EQUAL -1)
      string(APPEND failures "  ${rel} includes ${header} (${target})\n")
    endif()
    if(NOT target STREQUAL folder AND NOT "${folder}>${target}" IN_LIST edges)
      list(APPEND edges "${folder}>${target}")
      string(APPEND graph "  \"${folder}\" -> \"${target}\";\n")
    endif()
  endforeach()
endforeach()
string(APPEND graph "}\n")
if(NOT QUIET)
  message("${graph}")
endif()
if(failures)
  message(FATAL_ERROR "Includes and forward declarations that reach up a layer:\n${failures}")
endif()
if(NOT QUIET)
  message("No include reaches up a layer.")
endif()

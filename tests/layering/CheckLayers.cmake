# Checks the layering of the source tree: which folders a folder's files may
# include, that no library below the windowed programs includes Qt Widgets,
# and that no shipped program links a test tool.
#
#   cmake -DSOURCE_DIR=<tree> -DWIDGET_HEADERS=<file> [-DLINKS=<file>] -P CheckLayers.cmake
#
# WIDGET_HEADERS lists the header names of Qt Widgets, one a line. LINKS
# lists "program|library|library's folder" lines of the shipped programs.
# Every finding is printed; the script fails when there is one.

# The rooms of the tree. A file belongs to the first room its path starts
# with; tests/ and bench/ measure the rooms and are not checked.
set(kRooms upload/dialog common terminal model channel upload compile check render edit app cli sim tools)

# What each room may include besides itself.
set(kMay_common "")
set(kMay_terminal common)
set(kMay_model common terminal)
set(kMay_channel common)
set(kMay_upload common terminal)
set(kMay_compile common terminal model channel)
set(kMay_check common terminal model compile)
set(kMay_render common terminal model upload)
set(kMay_edit common terminal)
set(kMay_upload/dialog common terminal upload)
set(kMay_app common terminal model channel upload compile check render edit)
set(kMay_cli common terminal model channel upload compile check render)
set(kMay_sim common terminal model channel upload compile render)
set(kMay_tools common terminal model channel upload compile render edit tests)

# Known debts, each "file -> include" or "program -> library"; none today.
set(kKnown "")

# Rooms that are libraries below the windowed ones: no Qt Widgets.
set(kWidgetFree common terminal model channel upload compile check render)

# Rooms that hold no view state: no views (QObject) and no cursor shapes;
# selection, editing and cursors belong to the editor's page view.
set(kViewFree common terminal model)
set(kViewHeaders QObject QtCore/QObject QPointer QtCore/QPointer)

function(room_of path out)
  foreach(room ${kRooms})
    if(path MATCHES "^${room}/")
      set(${out} ${room} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  string(REGEX MATCH "^[^/]+" first "${path}")
  set(${out} "${first}" PARENT_SCOPE)
endfunction()

set(findings "")
file(STRINGS "${WIDGET_HEADERS}" widgetHeaders)

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(file ${sources})
  if(file MATCHES "^(tests|bench|build[^/]*)/")
    continue()
  endif()
  room_of("${file}" room)
  if(NOT DEFINED kMay_${room})
    list(APPEND findings "${file}: the folder '${room}' has no place in the layer table")
    continue()
  endif()
  list(FIND kViewFree "${room}" viewFree)
  if(NOT viewFree EQUAL -1)
    file(STRINGS "${SOURCE_DIR}/${file}" cursors REGEX "Qt::CursorShape")
    if(cursors)
      list(APPEND findings "${file}: ${room}/ holds no view state (Qt::CursorShape)")
    endif()
  endif()
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target MATCHES "/")
        continue() # a neighbour in the same folder
      endif()
      room_of("${target}" targetRoom)
      if(targetRoom STREQUAL room)
        continue()
      endif()
      list(FIND kMay_${room} "${targetRoom}" allowed)
      list(FIND kKnown "${file} -> ${target}" known)
      if(allowed EQUAL -1 AND known EQUAL -1)
        list(APPEND findings "${file}: ${room}/ may not include ${target}")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(target "${CMAKE_MATCH_1}")
      list(FIND kViewHeaders "${target}" isView)
      if(NOT viewFree EQUAL -1 AND NOT isView EQUAL -1)
        list(APPEND findings "${file}: ${room}/ holds no view state (<${target}>)")
      endif()
      list(FIND kWidgetFree "${room}" widgetFree)
      if(widgetFree EQUAL -1)
        continue()
      endif()
      string(REGEX REPLACE "^QtWidgets/" "" name "${target}")
      list(FIND widgetHeaders "${name}" isWidget)
      if(NOT isWidget EQUAL -1 OR target MATCHES "^QtWidgets")
        list(APPEND findings "${file}: ${room}/ may not include Qt Widgets (<${target}>)")
      endif()
    endif()
  endforeach()
endforeach()

# Shipped programs link no library of tools/ or tests/ but their own folder's.
if(DEFINED LINKS)
  file(STRINGS "${LINKS}" links)
  foreach(link ${links})
    string(REPLACE "|" ";" parts "${link}")
    list(GET parts 0 program)
    list(GET parts 1 library)
    list(GET parts 2 libraryDir)
    list(GET parts 3 programDir)
    list(FIND kKnown "${program} -> ${library}" known)
    if(libraryDir MATCHES "^(tools|tests)/" AND NOT libraryDir STREQUAL programDir AND known EQUAL -1)
      list(APPEND findings "${program} is shipped but links the test tool ${library} (${libraryDir})")
    endif()
  endforeach()
endif()

if(findings)
  list(LENGTH findings count)
  string(REPLACE ";" "\n  " text "${findings}")
  message(FATAL_ERROR "${count} layering finding(s):\n  ${text}")
endif()
message(STATUS "layering: no findings")

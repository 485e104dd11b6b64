# Plants includes in scratch source trees and checks that the layer check
# fails on each one that reaches up or out, and passes the rest.
# Each case: the file (below src/), its include line, and the outcome; the
# tree also holds model/a.h, print/b.h and a header in each ui folder.
set(cases
  "model/x.cpp|#include \"print/b.h\"|fail"
  "model/x.cpp|#include <print/b.h>|fail"
  "model/x.cpp|  #  include   <print/b.h>|fail"
  "print/x.cpp|#include \"b.h\"|pass"
  "model/x.cpp|#include \"../print/b.h\"|fail"
  "ui/window/x.cpp|#include \"../detail/c.h\"|fail"
  "ui/window/x.cpp|#include <ui/detail/c.h>|fail"
  "ui/detail/x.cpp|#include \"ui/window/w.h\"|fail"
  "ui/widgets/x.cpp|#include \"ui/sheets/s.h\"|fail"
  "ui/detail/x.cpp|#include \"ui/widgets/g.h\"|pass"
  "ui/detail/x.cpp|#include \"../widgets/g.h\"|pass"
  "ui/other/x.cpp|#include \"model/a.h\"|fail"
  "storage/x.cpp|#include <QString>|pass"
  "storage/x.cpp|#include \"generated_version.h\"|pass"
  "ui/widgets/x.h|class Window{semicolon}|fail"
  "ui/detail/x.h|  struct Window {semicolon}|fail"
  "app/x.cpp|class Window{semicolon}|pass")
set(i 0)
foreach(c ${cases})
  string(REPLACE "|" ";" parts "${c}")
  list(GET parts 0 file)
  list(GET parts 1 line)
  string(REPLACE "{semicolon}" ";" line "${line}") # a list element cannot hold one
  list(GET parts 2 expected)
  set(root ${WORK_DIR}/case${i})
  file(REMOVE_RECURSE ${root})
  foreach(h model/a.h print/b.h ui/widgets/g.h ui/sheets/s.h ui/window/w.h ui/detail/c.h)
    file(WRITE ${root}/${h} "#pragma once\n")
    if(h STREQUAL "ui/window/w.h")
      file(APPEND ${root}/${h} "class Window : public QMainWindow {\n};\n")
    endif()
  endforeach()
  file(WRITE ${root}/${file} "${line}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${root} -P ${CHECK_SCRIPT}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(rc EQUAL 0)
    set(got pass)
  else()
    set(got fail)
  endif()
  if(NOT got STREQUAL expected)
    string(APPEND wrong "  ${file}: ${line}: ${got}, expected ${expected}\n")
  endif()
  math(EXPR i "${i} + 1")
endforeach()
if(wrong)
  message(FATAL_ERROR "The layer check judged wrongly:\n${wrong}")
endif()
message("${i} planted includes judged as expected.")

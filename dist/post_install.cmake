# Runs at install time, when the prefix is known ("cmake --install build
# --prefix ~/.local" decides it only then). Expects HARUMOKA_SOURCE_DIR,
# HARUMOKA_BINARY_DIR, HARUMOKA_APP_ID, and HARUMOKA_BINDIR and
# HARUMOKA_DATADIR (relative to the prefix, or absolute).

foreach(var BINDIR DATADIR)
  if(IS_ABSOLUTE "${HARUMOKA_${var}}")
    set(${var} "${HARUMOKA_${var}}")
  else()
    set(${var} "${CMAKE_INSTALL_PREFIX}/${HARUMOKA_${var}}")
  endif()
endforeach()

# The menu entry names the program by its full path: a desktop hides an entry
# whose program it cannot find, and ~/.local/bin joins PATH only at the next
# login after it first exists. /usr/bin is always on PATH (the package), and a
# path that needs escaping beyond quotes in the Exec key falls back to the
# plain name.
set(exe "${BINDIR}/harumoka")
if(exe STREQUAL "/usr/bin/harumoka" OR exe MATCHES "[\"`$\\\\\n]")
  set(exe "harumoka")
elseif(exe MATCHES "[ \t'<>~|&;*?#()]")
  set(exe "\"${exe}\"")
endif()
file(READ "${HARUMOKA_SOURCE_DIR}/dist/${HARUMOKA_APP_ID}.desktop" entry)
string(REPLACE "\nExec=harumoka " "\nExec=${exe} " entry "${entry}")
set(staged "${HARUMOKA_BINARY_DIR}/desktop-entry/${HARUMOKA_APP_ID}.desktop")
file(WRITE "${staged}" "${entry}")
file(INSTALL DESTINATION "${DATADIR}/applications" TYPE FILE FILES "${staged}")

# Refresh the desktop's databases under the prefix, as the packaging
# systems' triggers do for /usr. A staged install (DESTDIR) leaves that to
# whoever installs the staged files.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  message(STATUS "DESTDIR is set: not refreshing the MIME, desktop and icon databases")
  return()
endif()
function(refresh tool)
  find_program(path "${tool}" NO_CACHE)
  if(NOT path)
    message(STATUS "${tool} not found: skipped")
    return()
  endif()
  string(JOIN " " shown ${ARGN})
  message(STATUS "Refreshing: ${tool} ${shown}")
  execute_process(COMMAND "${path}" ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(WARNING "${tool} failed (${rc})")
  endif()
endfunction()
refresh(update-mime-database "${DATADIR}/mime")
refresh(update-desktop-database -q "${DATADIR}/applications")
refresh(gtk-update-icon-cache -q -t -f "${DATADIR}/icons/hicolor")

# Run by CPack after it installed into its staging folder and before it packs:
# strips the program as dh_strip does, the compiler's .comment and .note
# sections too (CPACK_STRIP_FILES removes the symbols only).
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/harumoka")
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_HARUMOKA_STRIP} --remove-section=.comment --remove-section=.note
                          --strip-unneeded ${program} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()

# Every file and folder of the package carries the commit's time
# (SOURCE_DATE_EPOCH, set by scripts/package.sh), so that two builds of one
# commit give the same package.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND find "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not set the files' times")
  endif()
endif()

# The two halves of a link check, for the scripts that check what a program
# or library links: its link closure against names it must not hold, and
# the symbols of its files.

# Fails naming every entry of LIBS (a link closure, "|" between entries)
# that matches one of the patterns that follow, as "WHAT links ...".
function(zepa_refuse_links what libs)
  set(found "")
  string(REPLACE "|" ";" libs "${libs}")
  foreach(lib IN LISTS libs)
    foreach(bad IN LISTS ARGN)
      if(lib MATCHES "${bad}")
        list(APPEND found ${lib})
      endif()
    endforeach()
  endforeach()
  if(found)
    message(FATAL_ERROR "${what} links ${found}")
  endif()
endfunction()

# Sets OUT to what NM (with the options that follow) lists of FILE; fails
# when NM cannot read it.
function(zepa_list_symbols out file)
  execute_process(COMMAND ${NM} ${ARGN} ${file} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list the symbols of ${file}")
  endif()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# Fails when a program that only reads saves (TARGET, its link closure given
# as LIBS, its file as BINARY) links the game's rooms, windows or SDL: the
# libraries above the save layer must not be in the closure, and of the
# display library only the picture codec may end up in the program.
include(${CMAKE_CURRENT_LIST_DIR}/link_checks.cmake)

set(forbidden zepa_engine zepa_windows zepa_sound zepa_net zepa_check zepa_sdl zepa_toolkit
    zepa_headless SDL2 X11 IMGUI)
zepa_refuse_links(${TARGET} "${LIBS}" ${forbidden})

zepa_list_symbols(symbols ${BINARY} -C)
string(REGEX MATCHALL
       "zepa::(display::(Stage|MessageWindow|WaitIcon)|engine::|windows::|sound::)[A-Za-z_]*|SDL_[A-Za-z_]+"
       rooms "${symbols}")
if(rooms)
  list(REMOVE_DUPLICATES rooms)
  message(FATAL_ERROR "${TARGET} holds code of the rooms or SDL: ${rooms}")
endif()
message(STATUS "${TARGET} links none of ${forbidden} and holds no room")

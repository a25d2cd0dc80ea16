# Fails when the headless host's link closure (given as LIBS) holds an audio
# or video backend, or the SDL window's half of the small windows: a headless
# run must be able to start with none of them. Its archives (ARCHIVES, read
# with NM) must not call into them either, since a call would still link in
# a program that has zepa_sdl beside headless, and go unseen by the list.
include(${CMAKE_CURRENT_LIST_DIR}/link_checks.cmake)

set(forbidden zepa_sdl zepa_imgui_sdl_window SDL2_MIXER SDL2_mixer X11)
zepa_refuse_links(zepa_headless "${LIBS}" ${forbidden})

string(REPLACE "|" ";" ARCHIVES "${ARCHIVES}")
if(NOT ARCHIVES)
  message(FATAL_ERROR "no archives of zepa_headless's closure were given")
endif()
set(calls "")
foreach(archive IN LISTS ARCHIVES)
  zepa_list_symbols(undefined ${archive} -u)
  string(REGEX MATCHALL
         "ImGui_ImplSDL2_[A-Za-z0-9_]*|SDL_CreateWindow[A-Za-z]*|SDL_OpenAudio[A-Za-z]*|SDL_VideoInit|Mix_[A-Za-z0-9_]+|X[A-Z][A-Za-z]+Display"
         archive_calls "${undefined}")
  if(archive_calls)
    list(REMOVE_DUPLICATES archive_calls)
    get_filename_component(name ${archive} NAME)
    list(APPEND calls "${name}: ${archive_calls}")
  endif()
endforeach()
if(calls)
  message(FATAL_ERROR "zepa_headless's libraries call a window, audio or X11 backend: ${calls}")
endif()
message(STATUS "zepa_headless links none of ${forbidden} and calls none of them")

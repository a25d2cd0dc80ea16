# Fails when the headless host's link closure (given as LIBS) holds an audio
# or video backend, or the SDL window's half of the small windows: a headless
# run must be able to start with none of them. Its archives (ARCHIVES, read
# with NM) must not call into them either, since a call would still link in
# a program that has zepa_sdl beside headless, and go unseen by the list.
set(forbidden zepa_sdl zepa_imgui_sdl_window SDL2_MIXER SDL2_mixer X11)
set(found "")
string(REPLACE "|" ";" LIBS "${LIBS}")
foreach(lib IN LISTS LIBS)
  foreach(bad IN LISTS forbidden)
    if(lib MATCHES "${bad}")
      list(APPEND found ${lib})
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "zepa_headless links ${found}")
endif()

string(REPLACE "|" ";" ARCHIVES "${ARCHIVES}")
if(NOT ARCHIVES)
  message(FATAL_ERROR "no archives of zepa_headless's closure were given")
endif()
set(calls "")
foreach(archive IN LISTS ARCHIVES)
  execute_process(COMMAND ${NM} -u ${archive} OUTPUT_VARIABLE undefined RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list the symbols of ${archive}")
  endif()
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

# 64-bit Windows from Debian's mingw-w64 (the posix-threads compilers, which
# have std::thread), with the libraries of scripts/windows-deps.sh.
# ZEPA_WINDOWS_PREFIX (a cache variable or the environment) names their prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEPA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEPA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEPA_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZEPA_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZEPA_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

if(NOT ZEPA_WINDOWS_PREFIX AND DEFINED ENV{ZEPA_WINDOWS_PREFIX})
  set(ZEPA_WINDOWS_PREFIX $ENV{ZEPA_WINDOWS_PREFIX})
endif()
if(NOT ZEPA_WINDOWS_PREFIX)
  # Where scripts/windows-deps.sh keeps the prefix for its pinned versions.
  execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../../scripts/windows-deps.sh --print-prefix
                  OUTPUT_VARIABLE ZEPA_WINDOWS_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(ZEPA_WINDOWS_PREFIX "${ZEPA_WINDOWS_PREFIX}" CACHE PATH "The prefix of the cross-built libraries")
# Checks that compile a test program run with the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZEPA_WINDOWS_PREFIX)
# Programs built here run under Wine where a step must run one.
find_program(ZEPA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZEPA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEPA_WINE64})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${ZEPA_MINGW_TRIPLE} ${ZEPA_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(ZEPA_WINDOWS_PREFIX)
  list(APPEND CMAKE_PREFIX_PATH ${ZEPA_WINDOWS_PREFIX})
  # Only the prefix's package files, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} ${ZEPA_WINDOWS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  # Header-only libraries (JSON) are found there as in /usr/include.
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${ZEPA_WINDOWS_PREFIX}/include)
endif()

# Everything static, the compiler's own runtime too: the programs run
# without any DLL of the toolchain beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

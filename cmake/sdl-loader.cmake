# lidglow loads SDL and SDL_ttf when text output first needs them
# (src/render/sdl_loader.cc), by the sonames of the libraries that
# pkg-config names, read here from the library files. Where they cannot be
# read, as in a cross build without the target's libraries, the linker's
# name for them, lib<name>.so, stands in: FreeBSD's packages and the
# development packages of Linux install it.
#
# Defines LIDGLOW_SDL_SONAME, LIDGLOW_SDL_TTF_SONAME, the target
# lidglow_sdl_headers (SDL's and SDL_ttf's headers and flags, without
# linking them) and the function lidglow_link_lean(target); every program
# links with --as-needed where the linker has it.

function(lidglow_find_soname variable library library_dirs)
  find_library(${variable}_FILE NAMES ${library} HINTS ${library_dirs})
  mark_as_advanced(${variable}_FILE)
  set(soname "")
  set(file "${${variable}_FILE}")
  if(file)
    foreach(tool IN ITEMS CMAKE_OBJDUMP CMAKE_READELF)
      if(soname STREQUAL "" AND ${tool})
        if(tool STREQUAL CMAKE_OBJDUMP)
          set(option -p)
        else()
          set(option -d)
        endif()
        execute_process(COMMAND ${${tool}} ${option} ${file}
          OUTPUT_VARIABLE dump ERROR_QUIET RESULT_VARIABLE failed)
        # objdump: "SONAME  libx.so.1"; readelf: "(SONAME)  Library soname: [libx.so.1]"
        if(NOT failed AND dump MATCHES "SONAME\\)?[ \t]+(Library soname: \\[)?([^] \t\r\n]+)")
          set(soname "${CMAKE_MATCH_2}")
        endif()
      endif()
    endforeach()
  endif()
  if(soname STREQUAL "")
    set(soname "lib${library}.so")
    message(STATUS "${library}: soname not readable, loading ${soname}")
  else()
    message(STATUS "${library}: loading ${soname}")
  endif()
  set(${variable} "${soname}" PARENT_SCOPE)
endfunction()

list(GET SDL_LIBRARIES 0 sdl_library)
list(GET SDL_TTF_LIBRARIES 0 sdl_ttf_library)
lidglow_find_soname(LIDGLOW_SDL_SONAME ${sdl_library} "${SDL_LIBRARY_DIRS}")
lidglow_find_soname(LIDGLOW_SDL_TTF_SONAME ${sdl_ttf_library} "${SDL_TTF_LIBRARY_DIRS}")

add_library(lidglow_sdl_headers INTERFACE)
target_include_directories(lidglow_sdl_headers INTERFACE ${SDL_TTF_INCLUDE_DIRS} ${SDL_INCLUDE_DIRS})
target_compile_options(lidglow_sdl_headers INTERFACE ${SDL_TTF_CFLAGS_OTHER} ${SDL_CFLAGS_OTHER})

# A control run of lidglow should cost little more than finding the display
# and writing to it, so it loads only the libraries it calls (--as-needed,
# for every program) and links the C++ runtime in: loading its shared
# library alone takes three times as long as the rest of the run. The
# sanitizers bring a runtime of their own.
option(LIDGLOW_STATIC_CXX_RUNTIME "Link the C++ runtime into lidglow where the toolchain can" ON)
include(CheckLinkerFlag OPTIONAL RESULT_VARIABLE have_check_linker_flag)
set(LIDGLOW_LEAN_LINK_OPTIONS "")
if(have_check_linker_flag)
  check_linker_flag(CXX "-Wl,--as-needed" LIDGLOW_LINKER_AS_NEEDED)
  if(LIDGLOW_LINKER_AS_NEEDED)
    add_link_options("-Wl,--as-needed")
  endif()
  if(LIDGLOW_STATIC_CXX_RUNTIME AND NOT LIDGLOW_SANITIZE)
    check_linker_flag(CXX "-static-libstdc++" LIDGLOW_LINKER_STATIC_LIBSTDCXX)
    if(LIDGLOW_LINKER_STATIC_LIBSTDCXX)
      list(APPEND LIDGLOW_LEAN_LINK_OPTIONS "-static-libstdc++")
    endif()
    check_linker_flag(CXX "-static-libgcc" LIDGLOW_LINKER_STATIC_LIBGCC)
    if(LIDGLOW_LINKER_STATIC_LIBGCC)
      list(APPEND LIDGLOW_LEAN_LINK_OPTIONS "-static-libgcc")
    endif()
  endif()
endif()

function(lidglow_link_lean target)
  target_link_options(${target} PRIVATE ${LIDGLOW_LEAN_LINK_OPTIONS})
endfunction()

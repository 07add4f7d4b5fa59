# The font that -m and -c use without -t. The built-in default is Luxi Sans
# where FreeBSD's x11-fonts/font-bh-ttf installs it. Elsewhere, when the
# builder names no font and that file is missing, DejaVu Sans where Linux
# distributions keep it, or else the sans font that fontconfig picks, takes
# its place, so that text shows without -t. What this finds depends on the
# build machine: a package pins the font with LIDGLOW_DEFAULT_FONT and
# depends on the package that holds it.
set(LIDGLOW_BUILTIN_FONT "/usr/local/share/fonts/TTF/luxisr.ttf")
set(LIDGLOW_DEFAULT_FONT "" CACHE STRING
    "Font file used when -t is not given (empty: ${LIDGLOW_BUILTIN_FONT}, or where that is missing off FreeBSD, an installed sans font)")

function(lidglow_find_sans_font result)
  # Where Debian, Arch and Fedora keep DejaVu Sans.
  foreach(file
      /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
      /usr/share/fonts/TTF/DejaVuSans.ttf
      /usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf
      /usr/share/fonts/dejavu/DejaVuSans.ttf)
    if(EXISTS "${file}")
      set(${result} "${file}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  find_program(LIDGLOW_FC_MATCH fc-match)
  mark_as_advanced(LIDGLOW_FC_MATCH)
  if(LIDGLOW_FC_MATCH)
    execute_process(COMMAND ${LIDGLOW_FC_MATCH} -f "%{file}" "sans:fontformat=TrueType"
      OUTPUT_VARIABLE file ERROR_QUIET)
    if(file MATCHES "\\.([tT][tT][fFcC])$" AND EXISTS "${file}")
      set(${result} "${file}" PARENT_SCOPE)
      return()
    endif()
  endif()
  set(${result} "" PARENT_SCOPE)
endfunction()

# From here on LIDGLOW_DEFAULT_FONT names the font the build uses.
if(LIDGLOW_DEFAULT_FONT STREQUAL "")
  set(LIDGLOW_DEFAULT_FONT "${LIDGLOW_BUILTIN_FONT}")
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "FreeBSD" AND NOT CMAKE_CROSSCOMPILING
     AND NOT EXISTS "${LIDGLOW_BUILTIN_FONT}")
    lidglow_find_sans_font(sans_font)
    if(sans_font)
      set(LIDGLOW_DEFAULT_FONT "${sans_font}")
      message(STATUS "Default font: ${sans_font} (found on this machine; "
        "a package pins it with -DLIDGLOW_DEFAULT_FONT)")
    else()
      message(WARNING "No TrueType sans font found; text needs -t unless "
        "${LIDGLOW_BUILTIN_FONT} is installed. Set LIDGLOW_DEFAULT_FONT to choose one.")
    endif()
  else()
    message(STATUS "Default font: ${LIDGLOW_DEFAULT_FONT}")
  endif()
else()
  message(STATUS "Default font: ${LIDGLOW_DEFAULT_FONT} (LIDGLOW_DEFAULT_FONT)")
endif()

# The font that -m and -c use without -t. The built-in default is Luxi Sans
# where FreeBSD's x11-fonts/font-bh-ttf installs it. Other systems rarely
# have that file, so when the builder names no font and it is missing, an
# installed TrueType sans font takes its place and text shows without -t.
set(LIDGLOW_BUILTIN_FONT "/usr/local/share/fonts/TTF/luxisr.ttf")
set(LIDGLOW_DEFAULT_FONT "" CACHE STRING
    "Font file used when -t is not given (empty: ${LIDGLOW_BUILTIN_FONT}, or where that is missing off FreeBSD, an installed sans font)")

function(lidglow_find_sans_font result)
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
      message(STATUS "Default font: ${sans_font} (${LIDGLOW_BUILTIN_FONT} is missing)")
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

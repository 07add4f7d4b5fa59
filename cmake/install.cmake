# What `cmake --install` puts in place besides the programs and their
# manuals: each platform's service files and device rule (each can be
# switched off), shell completion, AppStream metadata, the platform's
# example scripts and the licence. Nothing is stripped here; distributions
# do that.
include(GNUInstallDirs)

string(COMPARE EQUAL "${CMAKE_SYSTEM_NAME}" "FreeBSD" on_freebsd)
string(COMPARE EQUAL "${CMAKE_SYSTEM_NAME}" "Linux" on_linux)
option(LIDGLOW_INSTALL_RC_SCRIPT "Install the rc.d script (FreeBSD)" ${on_freebsd})
option(LIDGLOW_INSTALL_DEVD_RULE "Install the devd rule (FreeBSD)" ${on_freebsd})
option(LIDGLOW_INSTALL_SYSTEMD_UNIT "Install the systemd unit (Linux)" ${on_linux})
option(LIDGLOW_INSTALL_UDEV_RULE "Install the udev rule (Linux)" ${on_linux})
option(LIDGLOW_INSTALL_EXAMPLES "Install the example commands for -c" ON)
option(LIDGLOW_INSTALL_LICENSE "Install the licence with the documentation" ON)

# Linux distributions keep examples with the documentation, FreeBSD in
# share/examples (the port's EXAMPLESDIR).
if(on_freebsd)
  set(examples_dir ${CMAKE_INSTALL_DATADIR}/examples/${PROJECT_NAME})
else()
  set(examples_dir ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
set(LIDGLOW_EXAMPLES_DIR ${examples_dir} CACHE STRING
    "Directory of the example commands (relative to the prefix unless absolute)")
if(IS_ABSOLUTE "${LIDGLOW_EXAMPLES_DIR}")
  set(LIDGLOW_EXAMPLES_FULL_DIR "${LIDGLOW_EXAMPLES_DIR}")
else()
  set(LIDGLOW_EXAMPLES_FULL_DIR "${CMAKE_INSTALL_PREFIX}/${LIDGLOW_EXAMPLES_DIR}")
endif()

# Where zsh, systemd, udev and systemd-sysusers look for lidglow's files.
# Under any prefix but /usr the files stay beneath the prefix, where these
# programs also look (/usr/local/lib/systemd/system, ...). With the prefix
# /usr they go to the distribution's own directories: those that
# pkg-config's systemd and udev modules name, and zsh's vendor-completions
# on Debian and its derivatives. A default is worked out at the first
# configure and then kept, so a module installed later does not move the
# files and leave a second copy behind; it follows a change of the prefix
# unless it was set by hand, and an empty value works it out again.
set(LIDGLOW_ZSH_COMPLETION_DIR_UNDER_PREFIX ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
set(LIDGLOW_SYSTEMD_UNIT_DIR_UNDER_PREFIX lib/systemd/system)
set(LIDGLOW_UDEV_RULES_DIR_UNDER_PREFIX lib/udev/rules.d)
set(LIDGLOW_SYSUSERS_DIR_UNDER_PREFIX lib/sysusers.d)

function(lidglow_dir_default var result)
  set(dir "")
  string(REGEX REPLACE "(.)/+$" "\\1" prefix "${CMAKE_INSTALL_PREFIX}")
  if(prefix STREQUAL "/usr")
    if(var STREQUAL "LIDGLOW_ZSH_COMPLETION_DIR" AND EXISTS /etc/debian_version)
      set(dir /usr/share/zsh/vendor-completions)
    elseif(var STREQUAL "LIDGLOW_SYSTEMD_UNIT_DIR")
      pkg_get_variable(dir systemd systemdsystemunitdir)
    elseif(var STREQUAL "LIDGLOW_UDEV_RULES_DIR")
      pkg_get_variable(udev_dir udev udevdir)
      if(udev_dir)
        set(dir ${udev_dir}/rules.d)
      endif()
    elseif(var STREQUAL "LIDGLOW_SYSUSERS_DIR")
      pkg_get_variable(dir systemd sysusersdir)
    endif()
  endif()
  if(dir STREQUAL "")
    set(dir ${${var}_UNDER_PREFIX})
  endif()
  set(${result} ${dir} PARENT_SCOPE)
endfunction()

set(LIDGLOW_ZSH_COMPLETION_DIR_DOC "zsh completion")
set(LIDGLOW_SYSTEMD_UNIT_DIR_DOC "systemd system units")
set(LIDGLOW_UDEV_RULES_DIR_DOC "udev rules")
set(LIDGLOW_SYSUSERS_DIR_DOC "sysusers.d files")
foreach(var LIDGLOW_ZSH_COMPLETION_DIR LIDGLOW_SYSTEMD_UNIT_DIR LIDGLOW_UDEV_RULES_DIR
    LIDGLOW_SYSUSERS_DIR)
  if("${${var}}" STREQUAL ""
     OR (NOT "${LIDGLOW_DIRS_PREFIX}" STREQUAL "${CMAKE_INSTALL_PREFIX}"
         AND "${${var}}" STREQUAL "${${var}_DEFAULT}"))
    lidglow_dir_default(${var} dir)
    set(${var} ${dir} CACHE STRING "" FORCE)
    set(${var}_DEFAULT ${dir} CACHE INTERNAL "")
  endif()
  set_property(CACHE ${var} PROPERTY TYPE STRING)
  set_property(CACHE ${var} PROPERTY HELPSTRING "Directory of the ${${var}_DOC}, relative to \
the prefix unless absolute (empty: under the prefix, or with the prefix /usr the distribution's own)")
endforeach()
set(LIDGLOW_DIRS_PREFIX ${CMAKE_INSTALL_PREFIX} CACHE INTERNAL "")

function(lidglow_report_dir what var)
  set(dir ${${var}})
  if(NOT IS_ABSOLUTE "${dir}")
    set(dir ${CMAKE_INSTALL_PREFIX}/${dir})
  endif()
  message(STATUS "${what} directory: ${dir} (${var})")
endfunction()

install(TARGETS lidglow lidglow-preview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(TARGETS lidglow-decode RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lidglow)
# The manual names the build's default font and where the examples are.
configure_file(doc/lidglow.1.in lidglow.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lidglow.1 doc/lidglow-preview.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# bash-completion loads a command's completion from a file of its name.
foreach(program lidglow lidglow-preview)
  install(FILES dist/completion/lidglow.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()
install(FILES dist/completion/_lidglow DESTINATION ${LIDGLOW_ZSH_COMPLETION_DIR})

# AppStream metadata: software centres, and the lookup that finds the
# package for a device, know lidglow by the display's modalias.
install(FILES dist/metainfo/org.example.lidglow.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Of the examples that differ by platform (name-linux.sh, name-freebsd.sh),
# only this platform's is installed, as name.sh.
if(LIDGLOW_INSTALL_EXAMPLES)
  if(on_freebsd)
    set(example_platform freebsd)
  else()
    set(example_platform linux)
  endif()
  foreach(name battery load)
    install(PROGRAMS examples/${name}-${example_platform}.sh
      DESTINATION ${LIDGLOW_EXAMPLES_DIR} RENAME ${name}.sh)
  endforeach()
  install(PROGRAMS examples/clock.sh examples/now-playing.sh DESTINATION ${LIDGLOW_EXAMPLES_DIR})
endif()
if(LIDGLOW_INSTALL_LICENSE)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# The rc.d script is also the port's files/lidglow.in, so it carries the
# ports framework's %%PREFIX%% placeholder.
if(LIDGLOW_INSTALL_RC_SCRIPT)
  file(READ ${PROJECT_SOURCE_DIR}/dist/freebsd/files/lidglow.in rc_script)
  string(REPLACE "%%PREFIX%%/bin" "${CMAKE_INSTALL_FULL_BINDIR}" rc_script "${rc_script}")
  string(REPLACE "%%PREFIX%%" "${CMAKE_INSTALL_PREFIX}" rc_script "${rc_script}")
  file(WRITE ${PROJECT_BINARY_DIR}/rc.d/lidglow "${rc_script}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS dist/freebsd/files/lidglow.in)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/rc.d/lidglow DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/rc.d)
endif()
if(LIDGLOW_INSTALL_DEVD_RULE)
  install(FILES dist/devd/lidglow.conf DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/devd)
endif()

# systemd and udev read only their own directories; the unit's user and
# the udev rule's group come from a sysusers.d file.
if(LIDGLOW_INSTALL_SYSTEMD_UNIT)
  configure_file(dist/systemd/lidglow.service.in lidglow.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/lidglow.service DESTINATION ${LIDGLOW_SYSTEMD_UNIT_DIR})
  lidglow_report_dir("systemd unit" LIDGLOW_SYSTEMD_UNIT_DIR)
endif()
if(LIDGLOW_INSTALL_UDEV_RULE)
  install(FILES dist/udev/70-lidglow.rules DESTINATION ${LIDGLOW_UDEV_RULES_DIR})
  lidglow_report_dir("udev rules" LIDGLOW_UDEV_RULES_DIR)
endif()
if(LIDGLOW_INSTALL_SYSTEMD_UNIT OR LIDGLOW_INSTALL_UDEV_RULE)
  install(FILES dist/systemd/lidglow.sysusers DESTINATION ${LIDGLOW_SYSUSERS_DIR} RENAME lidglow.conf)
  lidglow_report_dir("sysusers.d" LIDGLOW_SYSUSERS_DIR)
endif()
lidglow_report_dir("zsh completion" LIDGLOW_ZSH_COMPLETION_DIR)

# What `cmake --install` puts in place besides the programs and their
# manuals: each platform's service files and device rule (each can be
# switched off), shell completion, the platform's example scripts and the
# licence. Nothing is stripped here; distributions do that.
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
install(FILES dist/completion/_lidglow DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)

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

# systemd and udev read only their own directories, which their pkg-config
# modules name; without the modules the files go under the prefix.
if(LIDGLOW_INSTALL_SYSTEMD_UNIT)
  pkg_get_variable(systemd_unit_dir systemd systemdsystemunitdir)
  if(NOT systemd_unit_dir)
    set(systemd_unit_dir lib/systemd/system)
  endif()
  configure_file(dist/systemd/lidglow.service.in lidglow.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/lidglow.service DESTINATION ${systemd_unit_dir})
  message(STATUS "systemd unit directory: ${systemd_unit_dir}")
endif()
if(LIDGLOW_INSTALL_UDEV_RULE)
  pkg_get_variable(udev_dir udev udevdir)
  if(udev_dir)
    set(udev_rules_dir ${udev_dir}/rules.d)
  else()
    set(udev_rules_dir lib/udev/rules.d)
  endif()
  install(FILES dist/udev/70-lidglow.rules DESTINATION ${udev_rules_dir})
  message(STATUS "udev rules directory: ${udev_rules_dir}")
endif()
# The unit's user and the udev rule's group come from a sysusers.d file.
if(LIDGLOW_INSTALL_SYSTEMD_UNIT OR LIDGLOW_INSTALL_UDEV_RULE)
  pkg_get_variable(sysusers_dir systemd sysusersdir)
  if(NOT sysusers_dir)
    set(sysusers_dir lib/sysusers.d)
  endif()
  install(FILES dist/systemd/lidglow.sysusers DESTINATION ${sysusers_dir} RENAME lidglow.conf)
  message(STATUS "sysusers.d directory: ${sysusers_dir}")
endif()

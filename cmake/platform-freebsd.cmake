# FreeBSD: the pid-file functions live in the base system's libutil, the
# BSD getopt stops at the first operand by itself, libusb 0.1 is the base
# system's layer over libusb20, the kernel names a program's file through
# sysctl and a parent-death signal through procctl, and the image decoder
# runs in capability mode.
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE util)
add_library(SANDBOX_LIB INTERFACE)
set(LIDGLOW_GETOPT_COMPAT_SOURCE ${PROJECT_SOURCE_DIR}/src/cli/getopt_compat_freebsd.cc)
set(LIDGLOW_PLATFORM_SOURCES
  ${LIDGLOW_GETOPT_COMPAT_SOURCE}
  ${PROJECT_SOURCE_DIR}/src/lcm/usb_compat_freebsd.cc
  ${PROJECT_SOURCE_DIR}/src/decode/program_path_freebsd.cc)
set(LIDGLOW_DECODER_PLATFORM_SOURCES
  ${PROJECT_SOURCE_DIR}/src/decoder/parent_death_freebsd.cc
  ${PROJECT_SOURCE_DIR}/src/decoder/sandbox_freebsd.cc)

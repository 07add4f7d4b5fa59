# FreeBSD: the pid-file functions live in the base system's libutil, the
# BSD getopt stops at the first operand by itself, libusb 0.1 is the base
# system's layer over libusb20, and the image decoder runs in capability mode.
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE util)
set(LIDGLOW_PLATFORM_SOURCES
  ${PROJECT_SOURCE_DIR}/src/cli/platform_bsd.cc
  ${PROJECT_SOURCE_DIR}/src/lcm/usb_compat_freebsd.cc
  ${PROJECT_SOURCE_DIR}/src/decode/sandbox_freebsd.cc)

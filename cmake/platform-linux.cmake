# Linux: libbsd's overlay supplies <libutil.h> with the BSD pid-file functions,
# glibc's getopt needs a leading '+' to stop at the first operand, and libusb
# 0.1 (or libusb-compat) declares its driver query with an unsigned size;
# the image decoder has no capability mode to enter.
pkg_check_modules(LIBBSD REQUIRED IMPORTED_TARGET libbsd-overlay)
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE PkgConfig::LIBBSD)
set(LIDGLOW_PLATFORM_SOURCES
  ${PROJECT_SOURCE_DIR}/src/cli/platform_glibc.cc
  ${PROJECT_SOURCE_DIR}/src/lcm/usb_compat_linux.cc
  ${PROJECT_SOURCE_DIR}/src/decode/sandbox_linux.cc)

# Linux: libbsd's overlay supplies <libutil.h> with the BSD pid-file functions,
# glibc's getopt needs a leading '+' to stop at the first operand, and libusb
# 0.1 (or libusb-compat) declares its driver query with an unsigned size;
# /proc names a program's file and prctl a parent-death signal, and the
# image decoder's sandbox is Landlock with a seccomp filter (libseccomp).
pkg_check_modules(LIBBSD REQUIRED IMPORTED_TARGET libbsd-overlay)
pkg_check_modules(SECCOMP REQUIRED IMPORTED_TARGET libseccomp)
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE PkgConfig::LIBBSD)
add_library(SANDBOX_LIB INTERFACE)
target_link_libraries(SANDBOX_LIB INTERFACE PkgConfig::SECCOMP)
set(LIDGLOW_GETOPT_COMPAT_SOURCE ${PROJECT_SOURCE_DIR}/src/cli/getopt_compat_linux.cc)
set(LIDGLOW_PLATFORM_SOURCES
  ${LIDGLOW_GETOPT_COMPAT_SOURCE}
  ${PROJECT_SOURCE_DIR}/src/lcm/usb_compat_linux.cc
  ${PROJECT_SOURCE_DIR}/src/decode/program_path_linux.cc)
set(LIDGLOW_DECODER_PLATFORM_SOURCES
  ${PROJECT_SOURCE_DIR}/src/decoder/parent_death_linux.cc
  ${PROJECT_SOURCE_DIR}/src/decoder/sandbox_linux.cc)

# Linux: libbsd's overlay supplies <libutil.h> with the BSD pid-file functions,
# and glibc's getopt needs a leading '+' to stop at the first operand.
pkg_check_modules(LIBBSD REQUIRED IMPORTED_TARGET libbsd-overlay)
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE PkgConfig::LIBBSD)
set(LIDGLOW_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/src/cli/platform_glibc.cc)

# FreeBSD: the pid-file functions live in the base system's libutil, and the
# BSD getopt stops at the first operand by itself.
add_library(PIDFILE_LIB INTERFACE)
target_link_libraries(PIDFILE_LIB INTERFACE util)
set(LIDGLOW_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/src/cli/platform_bsd.cc)

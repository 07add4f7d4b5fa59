# Included before project(): CMake takes CFLAGS, CXXFLAGS and LDFLAGS from
# the environment when the build directory is first configured, but not
# CPPFLAGS, where distributions put -D_FORTIFY_SOURCE. It joins the flags
# of each compiler the same way, once, so that it too is kept in the cache
# and a compiler given its own CMAKE_<LANG>_FLAGS is left alone.
if(NOT "$ENV{CPPFLAGS}" STREQUAL "")
  if(NOT DEFINED CACHE{CMAKE_C_FLAGS})
    set(ENV{CFLAGS} "$ENV{CPPFLAGS} $ENV{CFLAGS}")
  endif()
  if(NOT DEFINED CACHE{CMAKE_CXX_FLAGS})
    set(ENV{CXXFLAGS} "$ENV{CPPFLAGS} $ENV{CXXFLAGS}")
  endif()
endif()

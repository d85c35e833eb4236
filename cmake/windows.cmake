# The Windows program, cross-built with mingw-w64: its backends and their tests.

# GoogleTest from Debian's source package, built with the cross compiler; it defines the same
# GTest:: targets as the installed package does on Linux.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

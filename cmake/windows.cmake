# The Windows program, cross-built with mingw-w64: its backends and their tests.

# GoogleTest from Debian's source package, built with the cross compiler; it defines the same
# GTest:: targets as the installed package does on Linux.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The Win32 toolkit: windows and controls from the declarations, timers and the message loop.
file(GLOB WIN32_TOOLKIT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/windows/win32_*.cpp)
add_library(cardwedge_win32_toolkit STATIC ${WIN32_TOOLKIT_SOURCES})
target_compile_definitions(cardwedge_win32_toolkit PUBLIC UNICODE _UNICODE NOMINMAX
                           WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
target_link_libraries(cardwedge_win32_toolkit PUBLIC cardwedge_core user32 gdi32 comctl32)
# The manifest and other resources, compiled into each program that opens windows.
set(CARDWEDGE_RESOURCES ${PROJECT_SOURCE_DIR}/src/platform/windows/cardwedge.rc)

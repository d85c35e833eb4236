# The Windows program, cross-built with mingw-w64: its backends, the program, the test bed and
# the tests' GoogleTest.

# GoogleTest from Debian's source package, built with the cross compiler; it defines the same
# GTest:: targets as the installed package does on Linux.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Windows backends (the Win32 toolkit among them) and the smart-card backend shared with Linux.
# Only libraries that every Windows has; the C and C++ runtimes are linked statically (see the
# tool-chain files).
file(GLOB WINDOWS_BACKEND_SOURCES CONFIGURE_DEPENDS
  src/platform/windows/*.cpp src/platform/scard/*.cpp)
list(FILTER WINDOWS_BACKEND_SOURCES EXCLUDE REGEX "/make_platform\\.cpp$")
add_library(cardwedge_windows STATIC ${WINDOWS_BACKEND_SOURCES})
target_include_directories(cardwedge_windows PUBLIC src)
target_compile_definitions(cardwedge_windows PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                           _WIN32_WINNT=0x0601)
target_link_libraries(cardwedge_windows PUBLIC cardwedge_core user32 gdi32 comctl32 winmm imm32 advapi32
                      winscard shell32 ole32 uuid)
# The manifest (DPI awareness, common controls) and the version, in each program that opens
# windows.
set(CARDWEDGE_RESOURCES ${PROJECT_SOURCE_DIR}/src/platform/windows/cardwedge.rc)
# The resource compiler's dependency scan sees #include lines only, not the manifest file.
set_source_files_properties(${CARDWEDGE_RESOURCES} PROPERTIES
                            OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/windows/cardwedge.manifest)

# The program, a GUI-subsystem executable.
if(EXISTS ${CMAKE_SOURCE_DIR}/src/platform/scard)
  configure_file(src/platform/windows/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
  add_executable(cardwedge WIN32 src/main.cpp src/platform/windows/make_platform.cpp
                 ${CARDWEDGE_RESOURCES} ${CMAKE_BINARY_DIR}/version.rc)
  target_compile_definitions(cardwedge PRIVATE CARDWEDGE_VERSION="${PROJECT_VERSION}")
  target_link_libraries(cardwedge PRIVATE cardwedge_core cardwedge_windows)
  # Linked stripped, as it ships: the tests run the very bytes the release archives hold.
  target_link_options(cardwedge PRIVATE -s)
  set_target_properties(cardwedge PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The default sounds sit beside the program under the names the windows play.
file(GLOB SOUND_ASSETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/sounds/*)
foreach(sound ${SOUND_ASSETS})
  get_filename_component(name ${sound} NAME)
  configure_file(${sound} ${CMAKE_BINARY_DIR}/${name} COPYONLY)
endforeach()

# Test-double DLLs, the host stand-in and the key target window, for the tests under Wine, and the
# soak that drives the program with them.
add_subdirectory(testbed/windows)
if(TARGET cardwedge)
  add_subdirectory(bench/windows)
endif()

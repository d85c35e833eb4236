# The Linux program: its backends, the Qt toolkit, the test bed and the benchmarks.

find_package(Qt6 REQUIRED COMPONENTS Widgets Multimedia DBus)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCSC REQUIRED IMPORTED_TARGET libpcsclite)
pkg_check_modules(NFC REQUIRED IMPORTED_TARGET libnfc)
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client xkbcommon)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
find_package(X11 REQUIRED)
find_package(Threads REQUIRED)

# Linux backends (src/platform/linux/, but for MakePlatform) and the smart-card backend.
file(GLOB LINUX_BACKEND_SOURCES CONFIGURE_DEPENDS src/platform/linux/*.cpp src/platform/scard/*.cpp)
list(FILTER LINUX_BACKEND_SOURCES EXCLUDE REGEX "/make_platform\\.cpp$")

# Client code for the Wayland protocols that no package ships (protocols/).
set(PROTOCOL_DIR ${CMAKE_BINARY_DIR}/protocols)
set(PROTOCOL_SOURCES)
foreach(protocol virtual-keyboard-unstable-v1 wlr-foreign-toplevel-management-unstable-v1)
  set(xml ${CMAKE_SOURCE_DIR}/protocols/${protocol}.xml)
  add_custom_command(
    OUTPUT ${PROTOCOL_DIR}/${protocol}-client-protocol.h ${PROTOCOL_DIR}/${protocol}-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROTOCOL_DIR}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${PROTOCOL_DIR}/${protocol}-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${PROTOCOL_DIR}/${protocol}-protocol.c
    DEPENDS ${xml})
  list(APPEND PROTOCOL_SOURCES ${PROTOCOL_DIR}/${protocol}-protocol.c
       ${PROTOCOL_DIR}/${protocol}-client-protocol.h)
endforeach()

add_library(cardwedge_linux STATIC ${LINUX_BACKEND_SOURCES} ${PROTOCOL_SOURCES})
target_include_directories(cardwedge_linux PUBLIC src PRIVATE ${PROTOCOL_DIR})
# The smart-card backend (src/platform/scard/) is the one Windows builds against winscard.
target_link_libraries(cardwedge_linux PUBLIC cardwedge_core PkgConfig::PCSC PkgConfig::NFC X11::X11
                      X11::Xtst PkgConfig::WAYLAND Qt6::DBus Threads::Threads)

file(GLOB_RECURSE QT_BACKEND_SOURCES CONFIGURE_DEPENDS src/platform/qt/*.cpp)
add_library(cardwedge_qt STATIC ${QT_BACKEND_SOURCES})
target_include_directories(cardwedge_qt PUBLIC src)
target_link_libraries(cardwedge_qt PUBLIC cardwedge_core Qt6::Widgets Qt6::Multimedia)

add_executable(cardwedge src/main.cpp src/platform/linux/make_platform.cpp)
target_compile_definitions(cardwedge PRIVATE CARDWEDGE_VERSION="${PROJECT_VERSION}")
target_link_libraries(cardwedge PRIVATE cardwedge_core cardwedge_linux cardwedge_qt)
set_target_properties(cardwedge PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The default sounds sit beside the program under the names the windows play.
file(GLOB SOUND_ASSETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/sounds/*)
foreach(sound ${SOUND_ASSETS})
  get_filename_component(name ${sound} NAME)
  configure_file(${sound} ${CMAKE_BINARY_DIR}/${name} COPYONLY)
endforeach()

# The virtual card, emulated FeliCa reader and key capture window, with the library that drives
# them: used by the integration and end-to-end tests, the demo and the benchmarks.
add_subdirectory(testbed)
add_subdirectory(bench)

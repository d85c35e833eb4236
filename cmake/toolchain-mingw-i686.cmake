# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (the -posix compilers, for std::thread),
# linking the C and C++ runtimes statically so the programs need no MinGW DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CARDWEDGE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${CARDWEDGE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARDWEDGE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CARDWEDGE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CARDWEDGE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the test programs under 32-bit Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine.sh)

# Instrumented builds. CARDWEDGE_SANITIZE builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer; CARDWEDGE_FUZZ (clang only) does the same with libFuzzer coverage and
# adds the fuzz targets. Any finding stops the program.
option(CARDWEDGE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CARDWEDGE_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(CARDWEDGE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "CARDWEDGE_FUZZ needs clang: configure with CXX=clang++")
endif()

if(CARDWEDGE_SANITIZE OR CARDWEDGE_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # Under the sanitizers' instrumentation GCC's flow analysis reports uninitialized values inside
  # the standard library's own code (std::regex's std::function members) that it does not report
  # in the plain build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

if(CARDWEDGE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Cross-compiles 64-bit Windows programs with Debian's MinGW-w64 (the posix
# thread model, which std::thread needs with GCC 12). Programs are linked
# statically, so they run without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Libraries, headers and packages come from the MinGW sysroot only, never the
# host's; a cross-built package is named by its <Package>_DIR (GTest_DIR).
# Programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets CTest run the test programs; the caller may give a command line with
# its own environment instead (scripts/test-windows does).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(wine_program NAMES wine wine64)
  if(wine_program)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_program})
  endif()
endif()

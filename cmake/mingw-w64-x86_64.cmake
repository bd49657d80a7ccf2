# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# flavour, whose libstdc++ has std::thread). Programs built here run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: libstdc++, libgcc and winpthread linked in,
# so nothing beyond Windows' own DLLs has to travel with it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(MIZEL_WINE wine)
if(MIZEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MIZEL_WINE})
endif()

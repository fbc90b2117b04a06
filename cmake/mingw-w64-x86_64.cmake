# Cross-compiles the Windows DLLs with mingw-w64 on Linux (Debian's -posix compilers: the
# -win32 flavour has no std::thread or std::mutex). x86_64 only: the host's records assume
# 64-bit pointers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VIDRUNE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VIDRUNE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VIDRUNE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VIDRUNE_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${VIDRUNE_MINGW_TRIPLE}-objdump CACHE FILEPATH "PE object dumper")

set(CMAKE_FIND_ROOT_PATH /usr/${VIDRUNE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and winpthread go into each module, so the DLLs import system DLLs
# and fgcore.dll only and a host needs nothing from the compiler beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine on the build machine.
find_program(VIDRUNE_WINE NAMES wine wine64)
if(VIDRUNE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VIDRUNE_WINE})
endif()

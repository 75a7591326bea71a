# Cross-building the Windows adapters with Debian's mingw-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WW_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${WW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${WW_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${WW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs run under Wine without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# ctest runs the programs under Wine (Debian keeps wine64 out of PATH).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(WW_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(WW_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WW_WINE64})
  endif()
endif()

# What both mingw-w64 toolchains share; VTX_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${VTX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VTX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VTX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VTX_MINGW_TRIPLET})
# ACE for the target, built from Debian's ACE sources by tools/windows/build_ace into ACE_ROOT.
if(ACE_ROOT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${ACE_ROOT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs run under wine64 (64-bit only: the 32-bit loader is not installed).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(VTX_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(VTX_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VTX_WINE64})
  endif()
endif()
# Static runtime and zlib: the provider loads into Device Manager's process, which has no mingw
# runtime DLLs to offer.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
# A DLL exports its own symbols only, not those of the runtime and zlib archives it holds (the
# project's own objects reach the linker as an archive too, so not "ALL").
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static -Wl,--exclude-libs,libgcc.a:libgcc_eh.a:libstdc++.a:libwinpthread.a:libpthread.a:libz.a")
set(ZLIB_USE_STATIC_LIBS ON)
# The runtime's reentrant localtime_r and gmtime_r, which the code uses on every platform.
set(CMAKE_C_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS")
set(CMAKE_CXX_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS")

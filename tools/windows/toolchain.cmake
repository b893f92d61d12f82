# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads flavour, which C++ threads need), against a static Qt named by
# CMAKE_PREFIX_PATH (tools/windows.sh builds one). Every program is linked
# statically, so that it runs on a bare Windows with nothing beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Headers and libraries from the cross Qt and MinGW alone; programs (moc,
# rcc) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Without -static the programs want libstdc++-6.dll, libgcc_s_seh-1.dll and
# libwinpthread-1.dll beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

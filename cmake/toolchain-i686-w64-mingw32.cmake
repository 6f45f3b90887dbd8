# Cross build for 32-bit Windows with the posix-thread MinGW-w64 compilers
# (the plain ones lack std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORL_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORL_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORL_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORL_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORL_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under the 32-bit Wine of the i386 root (scripts/setup-i386);
# the wrapper supplies the private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run32)
